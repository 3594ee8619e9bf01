#include "ui/navigate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "state/history.h"
#include "ui/deepviews.h"
#include "ui/window.h"

namespace vantrel {

namespace {

constexpr int notch = 120;             // wheel units of one notch of a common mouse
constexpr long long gesturegap = 500;  // notches closer than this, in ms, are one gesture

// Where the pixels of a moved picture come from in the picture before the move:
// column i from column i * scale + x0, row r from row r * scale + y0, the nearest
// one. Worked out in pixels, it needs nothing of the views' precision.
struct PixelMap {
    double scale = 1, x0 = 0, y0 = 0;
};

PixelMap wheelmap(int i, int r, double f) {
    return {f, i * (1 - f), r * (1 - f)};
}
PixelMap panmap(int dx, int dy) {
    return {1, -static_cast<double>(dx), -static_cast<double>(dy)};
}

// For each of n pixels along one axis, the pixel it comes from, -1 for none.
std::vector<int> sources(int n, double scale, double offset, int size) {
    std::vector<int> from(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double u = std::floor(k * scale + offset + 0.5);
        from[k] = u >= 0 && u < size ? static_cast<int>(u) : -1;
    }
    return from;
}

// The top-left w x h pixels of `to` get `from` moved by the map; what the moved
// picture does not cover is grey.
void resample(const Surface& from, const PixelMap& m, Surface& to, int w, int h) {
    const std::vector<int> cols = sources(w, m.scale, m.x0, from.width());
    const std::vector<int> rows = sources(h, m.scale, m.y0, from.height());
    for (int r = 0; r < h; ++r) {
        Rgb* out = to.row(r);
        if (rows[r] < 0) {
            std::fill(out, out + w, grey);
            continue;
        }
        const Rgb* in = from.row(rows[r]);
        for (int i = 0; i < w; ++i) out[i] = cols[i] < 0 ? grey : in[cols[i]];
    }
}

// The part of the window that shows the image.
Rect shownimage(const State& s) {
    return {0, 0, std::min(s.xres, s.ClientRes.right), std::min(s.yres, s.ClientRes.bottom)};
}

// The window as the drawing of a new image starts it, with the image moved by the
// map in place of the grey.
void showmoved(App& app, const PixelMap& m) {
    const State& s = app.s;
    const Rect shown = shownimage(s);
    app.window.fill(s.ClientRes, black);
    resample(app.g_vhdc, m, app.window, shown.right, shown.bottom);
    app.host.present(s.ClientRes);
}

// What any move of the view may do: nothing in orbit tracing or Escher-Julia mode,
// nothing while the opening image is drawn, while a zoom box is dragged or waits
// for Z or X, or while the middle button drags the picture.
bool movable(const App& app) {
    const State& s = app.s;
    return !s.okorbits && !s.okescher && !s.okfirstimage && !s.drawbox && !s.zooming &&
           !app.mainwin.panning;
}

View currentview(const State& s) {
    return {s.xmin, s.xmax, s.ymin, s.ymax};
}

// The pointer's coordinates in the view now shown.
void followpointer(App& app) {
    const State& s = app.s;
    const int x = app.mainwin.pointerxpos, y = app.mainwin.pointerypos;
    if (x < 0 || y < 0 || !insideimage(s, x, y)) return;
    app.mainwin.cxm = planex(s, x);
    app.mainwin.cym = planey(s, y);
    pointerstatus(app);
}

// Draws the view just made current, the image on screen moved by `m` standing
// in for it until its rows arrive.
void showview(App& app, const PixelMap& m) {
    State& s = app.s;
    // Equipotential lines are drawn in passes by their own renderer, which begins
    // on a cleared window: a preview would only flash.
    if (s.outside != outside::equipotentiallines) {
        Surface next(s.xres, s.yres);
        resample(app.g_vhdc, m, next, s.xres, s.yres);
        app.g_vhdc = std::move(next);
        showmoved(app, PixelMap{});
        app.driver.keeppreview = true;
    }
    followpointer(app);
    s.j = 0;
    s.okfractal = 1;
    s.okzoom = 0;  // a zoom box needs the finished image, as after Z
}

void remember(App& app) {
    const State& s = app.s;
    pushview(app.s, s.xmin, s.xmax, s.ymin, s.ymax);
    showhistory(app);
}

// The view zoomed by f around pixel (x, y), made current; false when it cannot be
// drawn.
bool zoomview(App& app, int x, int y, double f) {
    State& s = app.s;
    const View v = wheelview(currentview(s), s.xres, s.yres, x, y, f);
    return moveto(app, v, [&] { return deepwheelview(s, x, y, f); });
}

// One notch, part of the gesture of the notches before it when they came less
// than half a second ago: the gesture keeps one history entry, its latest view.
void wheelnotch(App& app, int x, int y, double f, long long time) {
    State& s = app.s;
    const int t = s.ftype;
    if (!zoomview(app, x, y, f)) return;
    const bool gesture = app.mainwin.gestureentry >= 0 && app.mainwin.gestureftype == t &&
                         app.mainwin.gestureentry == s.zct[t] && time >= app.mainwin.lastnotch &&
                         time - app.mainwin.lastnotch < gesturegap;
    if (gesture) s.zct[t] -= 1;  // the gesture's entry makes way for its newer view
    const int before = s.zct[t];
    remember(app);
    app.mainwin.gestureftype = t;
    app.mainwin.gestureentry = s.zct[t] != before ? s.zct[t] : -1;  // -1: the history was full
    app.mainwin.lastnotch = time;
    showview(app, wheelmap(x, y, f));
}

void pan(App& app, int dx, int dy) {
    State& s = app.s;
    const View v = panview(currentview(s), s.xres, s.yres, dx, dy);
    if (!moveto(app, v, [&] { return deeppanview(s, dx, dy); })) return;
    remember(app);
    showview(app, panmap(dx, dy));
}

}  // namespace

View wheelview(const View& v, int xres, int yres, int i, int r, double f) {
    const double px = v.xmin + i * (v.xmax - v.xmin) / (xres - 1);
    const double py = v.ymin + (yres - 1 - r) * (v.ymax - v.ymin) / (yres - 1);
    return {px - (px - v.xmin) * f, px + (v.xmax - px) * f, py - (py - v.ymin) * f,
            py + (v.ymax - py) * f};
}

View panview(const View& v, int xres, int yres, int dx, int dy) {
    const double sx = dx * (v.xmax - v.xmin) / (xres - 1);
    const double sy = dy * (v.ymax - v.ymin) / (yres - 1);
    return {v.xmin - sx, v.xmax - sx, v.ymin + sy, v.ymax + sy};
}

void wheel(App& app, int x, int y, int delta, long long time) {
    State& s = app.s;
    app.mainwin.pointerxpos = x;
    app.mainwin.pointerypos = y;
    if (!movable(app) || !insideimage(s, x, y)) return;
    // Small steps of a trackpad add up to notches; turning back starts afresh.
    if ((delta > 0 && app.mainwin.wheelrest < 0) || (delta < 0 && app.mainwin.wheelrest > 0))
        app.mainwin.wheelrest = 0;
    app.mainwin.wheelrest += delta;
    while (std::abs(app.mainwin.wheelrest) >= notch) {
        if (s.okjulia == juliapreview::shown) removejuliapreview(app);
        const bool in = app.mainwin.wheelrest > 0;
        app.mainwin.wheelrest += in ? -notch : notch;
        wheelnotch(app, x, y, in ? 0.5 : 2.0, time);
    }
}

void mbuttondown(App& app, int x, int y) {
    State& s = app.s;
    if (!movable(app) || !insideimage(s, x, y)) return;
    if (s.okjulia == juliapreview::shown) removejuliapreview(app);
    app.mainwin.panning = 1;
    app.mainwin.panxpos = x;
    app.mainwin.panypos = y;
    // The picture holds still while it is dragged, and is drawn again once it lands.
    app.mainwin.panresume = s.okfractal;
    s.okfractal = 0;
}

void panmove(App& app, int x, int y) {
    if (!app.mainwin.panning) return;
    app.mainwin.pointerxpos = x;
    app.mainwin.pointerypos = y;
    showmoved(app, panmap(x - app.mainwin.panxpos, y - app.mainwin.panypos));
}

void mbuttonup(App& app, int x, int y) {
    if (!app.mainwin.panning) return;
    app.mainwin.panning = 0;
    app.mainwin.pointerxpos = x;
    app.mainwin.pointerypos = y;
    const int dx = x - app.mainwin.panxpos, dy = y - app.mainwin.panypos;
    if (dx == 0 && dy == 0) {
        app.s.okfractal = app.mainwin.panresume;  // a click: the image goes on where it was
        return;
    }
    pan(app, dx, dy);
}

bool navigatekey(App& app, int code) {
    State& s = app.s;
    int dx = 0, dy = 0;
    double f = 0;
    switch (code) {
        case key::left:
            dx = s.xres / 4;
            break;
        case key::right:
            dx = -(s.xres / 4);
            break;
        case key::up:
            dy = s.yres / 4;
            break;
        case key::down:
            dy = -(s.yres / 4);
            break;
        case key::plus:
            f = 0.5;
            break;
        case key::minus:
            f = 2.0;
            break;
        default:
            return false;
    }
    if (!movable(app)) return true;
    if (s.okjulia == juliapreview::shown) removejuliapreview(app);
    if (f == 0) {
        pan(app, dx, dy);
    } else {
        const int x = s.xres / 2, y = s.yres / 2;
        if (!zoomview(app, x, y, f)) return true;
        remember(app);
        showview(app, wheelmap(x, y, f));
    }
    return true;
}

}  // namespace vantrel
