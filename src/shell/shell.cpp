#include "shell/shell.h"

#include <algorithm>

#include "files/mapfile.h"
#include "shell/loop.h"
#include "state/history.h"

namespace vantrel {

int WinMain(App& app, const std::string& args, App::WindowProc mainproc) {
    // Kept as given: any length fits, and the main window takes the path from it.
    app.s.ovtltemp = args;
    int code = InitWindowClass(app, mainproc);
    if (code == 0) code = CreateMainWindow(app);
    if (code != 0) {
        app.host.messagebox(errormessage[code - 1], "Error", Icon::exclamation, false);
        return 0;
    }
    return ProgramDriver(app);
}

int InitWindowClass(App& app, App::WindowProc mainproc) {
    Host& host = app.host;
    if (!host.registerclass("KXWindow")) return 1;
    app.mainwindowproc = mainproc;
    if (!host.registerclass("KXAboutWindow")) return 1;
    app.s.oksplash1 = host.registerclass("KXSplash1Window") ? 1 : 0;
    app.s.oksplash2 = host.registerclass("KXSplash2Window") ? 1 : 0;
    return 0;
}

int CreateMainWindow(App& app) {
    State& s = app.s;
    Host& host = app.host;
    s.xscreen = host.screenwidth();
    s.yscreen = host.screenheight();
    // Square, from the screen height, so that the whole image fits on the screen;
    // on a screen too small for that, the smallest image there is.
    s.xres = s.yres = std::clamp(s.yscreen - 128, 32, 600);
    // The file dialogs start in the directory the program was started from.
    InitOpenFile(s);

    if (!host.createmainwindow("KX Korvantis", {0, 0, s.xscreen, s.yscreen - 38})) return 2;
    if (app.mainwindowproc) app.mainwindowproc(app, Message::of(MessageType::create));
    if (initgraphics(app) != 0) return 3;
    initstatusbar(app);

    host.showmainwindow(true);
    // Showing the window sizes it with its status bar, and it is painted at once.
    if (app.mainwindowproc) {
        app.mainwindowproc(app, Message::of(MessageType::size));
        Message paint = Message::of(MessageType::paint);
        paint.rect = host.clientrect();
        app.mainwindowproc(app, paint);
    }
    return 0;
}

int initgraphics(App& app) {
    return app.host.colordepth() < 24 ? 1 : 0;
}

void initstatusbar(App& app) {
    State& s = app.s;
    s.statusdim = app.host.createstatusbar(s.xscreen / 6, s.xscreen);
    // The history as it stands, a parameter file given at start-up included.
    showhistory(app);
}

}  // namespace vantrel
