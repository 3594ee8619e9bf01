#include "ui/orbits.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace vantrel {

namespace {

constexpr Rgb pointcolor = rgb(255, 255, 0);
constexpr Rgb linecolor = rgb(204, 34, 34);
constexpr int step = 25;  // ms after the first point, each line and each point

// A pixel position of an orbit point. A coordinate that does not fit an int
// (an escaping point far off, or no number at all) makes the point lie nowhere.
struct Pixel {
    int x = 0, y = 0;
    bool valid = false;
};

Pixel topixel(double px, double py) {
    const double tx = std::trunc(px), ty = std::trunc(py);
    const bool fits = tx >= static_cast<double>(INT_MIN) && tx <= static_cast<double>(INT_MAX) &&
                      ty >= static_cast<double>(INT_MIN) && ty <= static_cast<double>(INT_MAX);
    if (!fits) return {};
    return {static_cast<int>(tx), static_cast<int>(ty), true};
}

bool within(const Pixel& p, const Rect& r) {
    return p.valid && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The window part of a cross at p, shown at once.
void windowdot(App& app, const Pixel& p, const Rect& shown) {
    if (!p.valid) return;
    if (DrawDot(app.window, p.x, p.y, shown, pointcolor) > 0) {
        const std::int64_t l = std::int64_t{p.x} - 1, t = std::int64_t{p.y} - 1;
        const Rect box{static_cast<int>(std::max<std::int64_t>(l, shown.left)),
                       static_cast<int>(std::max<std::int64_t>(t, shown.top)),
                       static_cast<int>(std::min<std::int64_t>(l + 3, shown.right)),
                       static_cast<int>(std::min<std::int64_t>(t + 3, shown.bottom))};
        app.host.present(box);
    }
}

}  // namespace

int DrawDot(Surface& hdc, int x, int y, Rect test, Rgb c) {
    static constexpr int dx[5] = {0, 0, 0, -1, 1};
    static constexpr int dy[5] = {0, -1, 1, 0, 0};
    int set = 0;
    for (int k = 0; k < 5; ++k) {
        // Wide arithmetic: a centre at the edge of the int range has neighbours beyond it.
        const std::int64_t px = std::int64_t{x} + dx[k], py = std::int64_t{y} + dy[k];
        if (px >= test.left && px < test.right && py >= test.top && py < test.bottom) {
            hdc.setpixel(static_cast<int>(px), static_cast<int>(py), c);
            ++set;
        }
    }
    return set;
}

void draworbits(App& app, int mx, int my) {
    State& s = app.s;
    const Cursor previous = app.host.setcursor(Cursor::wait);

    const Rect image{0, 0, s.xres, s.yres};
    const Rect shown{0, 0, std::min(s.xres, s.ClientRes.right),
                     std::min(s.yres, s.ClientRes.bottom)};

    // Start from the clean picture, on the window and in the view surface.
    app.window.fill(s.ClientRes, black);
    app.window.copy(app.g_ohdc, shown, 0, 0);
    app.g_vhdc.copy(app.g_ohdc, image, 0, 0);
    app.host.present(s.ClientRes);

    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;
    const double cx = mx * s.xside / (s.xres - 1) + s.xmin;
    const double cy = (s.yres - 1 - my) * s.yside / (s.yres - 1) + s.ymin;

    double zx = 0.0, zy = 0.0, size = 0.0;
    int n = 0;
    Pixel p0{mx, my, true};

    DrawDot(app.g_vhdc, p0.x, p0.y, image, pointcolor);
    windowdot(app, p0, shown);
    app.host.pause(step);

    while (size <= s.maxsize && n < s.maxiter) {
        const double x = zx, y = zy;
        zx = (x + y) * (x - y) + cx;
        zy = 2.0 * x * y + cy;
        size = std::sqrt(zx * zx + zy * zy);
        n = n + 1;

        const Pixel p1 =
            topixel((zx - s.xmin) * (s.xres - 1) / s.xside, (s.ymax - zy) * (s.yres - 1) / s.yside);

        if (s.oklines && within(p0, shown) && within(p1, shown)) {
            app.window.line(p0.x, p0.y, p1.x, p1.y, linecolor);
            app.host.present({std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::max(p0.x, p1.x) + 1,
                              std::max(p0.y, p1.y) + 1});
            app.host.pause(step);
        }
        windowdot(app, p1, shown);
        app.host.pause(step);

        if (s.oklines && within(p0, image) && within(p1, image))
            app.g_vhdc.line(p0.x, p0.y, p1.x, p1.y, linecolor);
        if (within(p1, image)) DrawDot(app.g_vhdc, p1.x, p1.y, image, pointcolor);

        p0 = p1;
    }

    // The window ends with exactly what the view surface holds.
    app.window.copy(app.g_vhdc, shown, 0, 0);
    app.host.present(shown);

    app.host.setcursor(previous);
    app.host.setpointer(100, 100);
}

}  // namespace vantrel
