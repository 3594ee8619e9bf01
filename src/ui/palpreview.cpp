#include "ui/palpreview.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/complex.h"

namespace vantrel {

namespace {

constexpr Rgb outer = rgb(205, 215, 225);
constexpr Rgb middle = rgb(215, 225, 235);

// Copies the part of the panel from (x, y), at most w x h, to the same place on
// the window, within the client area, and has it shown.
void show(App& app, const Surface& panel, int x, int y, int w, int h) {
    const Rect& client = app.s.ClientRes;
    const Rect r{x, y, std::min({x + w, client.right, panel.width()}),
                 std::min({y + h, client.bottom, panel.height()})};
    if (r.empty()) return;
    app.window.copy(panel, r, x, y);
    app.host.present(r);
}

Rgb entry(const Palette& p, int i) {
    return rgb(p[i][0], p[i][1], p[i][2]);
}

}  // namespace

int previewindex(double cx, double cy) {
    const COMPLEX c{cx, cy};
    COMPLEX z{0, 0};
    int n = 0;
    double size = 0;
    while (size <= 16.0 && n < 256) {
        complex_power(z, 2, &z);
        z.x += c.x;
        z.y += c.y;
        size = std::sqrt(z.x * z.x + z.y * z.y);
        ++n;
    }
    if (size > 16.0) return n % 255 + 1;
    if (z.x >= 0 && z.x < 1e-32) z.x = 1e-32;
    if (z.x > -1e-32 && z.x < 0) z.x = -1e-32;
    double angle = std::atan2(z.y, z.x);
    if (angle < 0) angle += 2 * std::numbers::pi;
    return static_cast<int>(angle * 256 / (2 * std::numbers::pi)) % 255 + 1;
}

int showpalette(App& app) {
    const Palette& pal = app.s.paltemp;
    Surface panel(previewwidth, previewheight, grey);

    for (int k = 0; k < 3; ++k) {
        panel.frame({k, k, previewwidth - k, previewheight - k}, k == 1 ? middle : outer);
        show(app, panel, 0, 0, previewwidth, previewheight);
    }

    for (int h = 3; h <= 258; ++h)
        for (int i = 3; i <= 258; ++i) {
            const int k = previewindex(i * 3.0 / 255 - 2.25, (258 - h) * 3.0 / 255 - 1.5);
            panel.setpixel(i, h, entry(pal, k));
        }
    show(app, panel, 3, 3, 259, 259);

    for (int i = 0; i < 256; ++i) panel.line(i + 3, 259, i + 3, 359, entry(pal, i));
    panel.line(3, 259, 259, 259, middle);
    panel.line(3, 258, 259, 258, outer);
    panel.line(3, 260, 259, 260, outer);
    show(app, panel, 3, 259, 259, 359);
    return 0;
}

void savepreviewcorner(App& app) {
    if (app.g_phdc.width() != previewwidth || app.g_phdc.height() != previewheight)
        app.g_phdc = Surface(previewwidth, previewheight);
    app.g_phdc.copy(app.window, {0, 0, previewwidth, previewheight}, 0, 0);
}

void restorepreviewcorner(App& app) {
    // Only what was saved goes back: beyond a small window the save area never saw
    // the image, and copying it into the view surface would blot out pixels there.
    const Rect& client = app.s.ClientRes;
    const Rect saved{0, 0, std::min({previewwidth, client.right, app.window.width()}),
                     std::min({previewheight, client.bottom, app.window.height()})};
    if (saved.empty()) return;
    app.window.copy(app.g_phdc, saved, 0, 0);
    app.g_vhdc.copy(app.g_phdc, saved, 0, 0);
    app.host.present(saved);
}

}  // namespace vantrel
