#include "ui/mainwindow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "files/vtl.h"
#include "shell/splash.h"
#include "special/julia.h"
#include "state/history.h"
#include "ui/window.h"

namespace vantrel {

namespace {

constexpr int palettepreviewwidth = 262, palettepreviewheight = 362;

// The client area less the status bar.
void clientres(App& app) {
    State& s = app.s;
    s.ClientRes = app.host.clientrect();
    s.ClientRes.bottom = std::max(s.ClientRes.top, s.ClientRes.bottom - s.statusdim.bottom);
    s.ClientRes.right = std::max(s.ClientRes.left, s.ClientRes.right);
}

void paint(App& app, Rect r) {
    const State& s = app.s;
    r.bottom = std::min(r.bottom, s.ClientRes.bottom);
    if (r.empty()) return;
    app.window.copy(app.g_vhdc, r, r.left, r.top);
    app.host.present(r);
}

void create(App& app) {
    State& s = app.s;
    if (s.oksplash1) splash1(app);
    s.helppath = app.host.helpfile();
    clientres(app);
    seedhistory(s);

    app.g_vhdc = Surface(s.xres, s.yres);
    app.window = Surface(s.ClientRes.right, s.ClientRes.bottom);
    app.host.present(s.ClientRes);
    app.g_jhdc = Surface(previewsize, previewsize);
    app.g_phdc = Surface(palettepreviewwidth, palettepreviewheight);

    // The command line is the path of a parameter file, in double quotes.
    const std::string& line = s.ovtltemp;
    bool loaded = false;
    if (!line.empty()) {
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            s.ovtlfile = line.substr(1, line.size() - 2);
        else
            s.ovtlfile = line;
        loaded = loadvtl(app) == 0;
        if (loaded) adoptloadedmodes(app);
    }
    // The opening animation runs over a parameter file's view, and the file's own
    // image (its colorings, its palette) follows as soon as it ends. A file saved in
    // orbit tracing or Escher-Julia mode opens straight into its mode, and a deep
    // view, which the animation cannot draw, straight into its image.
    const bool inmode = loaded && (s.okorbits || s.okescher || deepactive(s));
    app.firstimg.plotafter = loaded && !inmode;
    app.post(Message::command(inmode ? cmd::plot : cmd::firstimage));
}

void destroy(App& app) {
    State& s = app.s;
    // The window is gone: nothing is drawn any more.
    s.okfractal = 0;
    s.okfirstimage = 0;
    app.g_vhdc = Surface();
    app.g_jhdc = Surface();
    app.g_ohdc = Surface();
    app.g_phdc = Surface();
    if (app.g_hAboutwnd) {
        app.host.closepopup(app.g_hAboutwnd);
        app.g_hAboutwnd = 0;
        app.g_vabouthdc = Surface();
    }
    app.host.closehelp();
    app.host.showmainwindow(false);
    if (s.oksplash2) splash2(app);
    app.post(Message::quitcode(0));
}

// A move or a new size: the window is cleared and drawn again from the image.
void resized(App& app) {
    clientres(app);
    app.window = Surface(app.s.ClientRes.right, app.s.ClientRes.bottom);
    paint(app, app.s.ClientRes);
}

}  // namespace

void status(App& app, int part, const char* format, ...) {
    char text[260];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    app.s.statustext = text;
    app.host.statustext(part, app.s.statustext);
}

// A file saved in orbit tracing or Escher-Julia mode opens in that mode, as the
// user left it: the keys O and E then lead back to the file's own set type.
void adoptloadedmodes(App& app) {
    State& s = app.s;
    if (s.okorbits && (app.g_ohdc.width() != s.xres || app.g_ohdc.height() != s.yres))
        app.g_ohdc = Surface(s.xres, s.yres);
    if (s.okorbits || s.okescher) app.mainwin.ftypesave = s.ftype;
}

int MainWindowProc(App& app, const Message& m) {
    switch (m.type) {
        case MessageType::create:
            create(app);
            break;
        case MessageType::destroy:
        case MessageType::close:  // the close box ends the program at any time
            destroy(app);
            break;
        case MessageType::move:
        case MessageType::size:
            resized(app);
            break;
        case MessageType::paint:
            paint(app, m.rect);
            break;
        case MessageType::command:
            command(app, m.id & 0xFFFF);
            break;
        case MessageType::key:
            keydown(app, m);
            break;
        // Positions arrive as unsigned 16-bit values, so a pointer left of or above
        // the client area lies far outside the image.
        case MessageType::mousemove:
            // A drag of the picture follows the pointer beyond the window's edges too.
            if (app.mainwin.panning)
                panmove(app, m.x, m.y);
            else
                mousemove(app, m.x & 0xFFFF, m.y & 0xFFFF);
            break;
        case MessageType::lbuttondown:
            lbuttondown(app, m.x & 0xFFFF, m.y & 0xFFFF);
            break;
        case MessageType::lbuttonup:
            lbuttonup(app);
            break;
        case MessageType::rbuttondown:
            rbuttondown(app, m.x & 0xFFFF, m.y & 0xFFFF);
            break;
        case MessageType::mbuttondown:
            mbuttondown(app, m.x & 0xFFFF, m.y & 0xFFFF);
            break;
        case MessageType::mbuttonup:
            mbuttonup(app, m.x, m.y);
            break;
        case MessageType::wheel:
            wheel(app, m.x & 0xFFFF, m.y & 0xFFFF, m.delta, m.time);
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace vantrel
