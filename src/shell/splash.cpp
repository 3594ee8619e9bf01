#include "shell/splash.h"

#include "shell/pictures.h"

namespace vantrel {

namespace {

Rect centred(const State& s, int w, int h) {
    const Rect r{s.xscreen / 2 - w / 2, s.yscreen / 2 - h / 2, 0, 0};
    return {r.left, r.top, r.left + w, r.top + h};
}

void splash(App& app, const Surface& picture, bool enableafter) {
    Host& host = app.host;
    const int id = host.openpopup(centred(app.s, picture.width(), picture.height()));
    host.enablewindow(false);
    host.showcursor(false);
    if (id) host.drawpopup(id, picture);
    // Nothing else happens meanwhile: the program is starting or ending.
    host.pause(2000);
    if (id) host.closepopup(id);
    host.showcursor(true);
    if (enableafter) host.enablewindow(true);
}

}  // namespace

int splash1(App& app) {
    splash(app, splash1picture(app), true);
    return 0;
}

int splash2(App& app) {
    splash(app, splash2picture(app), false);
    return 0;
}

void CreateAboutWindow(App& app) {
    const int id = app.host.openpopup(centred(app.s, aboutwidth, aboutheight));
    // Without the window nothing could enable the main window again.
    if (id == 0) return;
    app.g_hAboutwnd = id;
    AboutWindowProc(app, Message::of(MessageType::create, id));
    AboutWindowProc(app, Message::of(MessageType::paint, id));
    app.host.enablewindow(false);
}

int AboutWindowProc(App& app, const Message& m) {
    switch (m.type) {
        case MessageType::create:
            app.g_vabouthdc = aboutpicture(app);
            break;
        case MessageType::paint:
            app.host.drawpopup(m.window, app.g_vabouthdc);
            break;
        case MessageType::move:
        case MessageType::size:
            AboutWindowProc(app, Message::of(MessageType::paint, m.window));
            break;
        case MessageType::key:
        case MessageType::lbuttondown:
        case MessageType::rbuttondown:
            app.g_vabouthdc = Surface();
            app.host.enablewindow(true);
            app.host.closepopup(m.window);
            app.g_hAboutwnd = 0;
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace vantrel
