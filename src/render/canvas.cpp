#include "render/canvas.h"

#include <algorithm>

namespace vantrel {

void beginimage(App& app, Rgb background) {
    State& s = app.s;
    const int rows = app.driver.rowsink ? 1 : s.yres;
    if (app.g_vhdc.width() != s.xres || app.g_vhdc.height() != rows)
        app.g_vhdc = Surface(s.xres, rows);
    app.window.fill(s.ClientRes, black);
    s.VhdcRes = {0, 0, std::min(s.xres, s.ClientRes.right), std::min(s.yres, s.ClientRes.bottom)};
    app.window.fill(s.VhdcRes, background);
    s.VhdcRes = {0, 0, s.xres, s.yres};
    app.g_vhdc.fill(s.VhdcRes, background);
    app.host.present(s.ClientRes);
}

void showrow(App& app, int j) {
    const State& s = app.s;
    if (j >= s.ClientRes.bottom) return;
    const Rect r{0, j, std::min(s.xres, s.ClientRes.right), j + 1};
    app.window.copy(app.g_vhdc, r, 0, j);
    app.host.present(r);
}

void keepimage(App& app) {
    State& s = app.s;
    if (app.g_vhdc.width() != s.xres || app.g_vhdc.height() != s.yres)
        app.g_vhdc = Surface(s.xres, s.yres);
    s.VhdcRes = {0, 0, s.xres, s.yres};
    const Rect shown{0, 0, std::min(s.xres, s.ClientRes.right),
                     std::min(s.yres, s.ClientRes.bottom)};
    app.window.copy(app.g_vhdc, shown, 0, 0);
    app.host.present(shown);
}

void endimage(App& app, Cursor cursor, Pointer pointer) {
    app.host.setcursor(cursor);
    if (pointer == Pointer::aside) app.host.setpointer(100, 100);
}

}  // namespace vantrel
