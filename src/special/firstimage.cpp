#include "special/firstimage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "render/canvas.h"
#include "special/rays.h"
#include "state/history.h"

namespace vantrel {

namespace {

constexpr double radius = 16.0;  // escape once |z| > 16, the modulus itself
constexpr Rgb dark = rgb(48, 48, 48);

// Steps of z^2 + c from (zx, zy) while |z| <= 16, at most nmax of them.
struct Escape {
    int n = 0;
    bool out = false;
};

Escape escape(double zx, double zy, double cx, double cy, int nmax) {
    int n = 0;
    double size = std::sqrt(zx * zx + zy * zy);
    while (size <= radius && n < nmax) {
        const double x = zx, y = zy;
        zx = (x + y) * (x - y) + cx;
        zy = 2.0 * x * y + cy;
        size = std::sqrt(zx * zx + zy * zy);
        n = n + 1;
    }
    // An orbit that overflowed has left every bound too.
    return {n, !(size <= radius)};
}

// The grey of the dark background: rises with the external angle up to 1/2 and
// falls back beyond it.
int anglegrey(double a) {
    const double v = a < 0.5 ? std::fmod(512.0 * a, 256.0) : std::fmod(255.0 - 512.0 * a, 256.0);
    int g = static_cast<int>(v);
    if (g < 0) g = 255 - std::abs(g);
    return g / 2;
}

// The new color of pixel (x, y) at level k, or nothing when the level leaves it.
std::optional<Rgb> firstpixel(const State& s, int k, double x, double y) {
    const bool mandel = s.ftype == settype::mandelbrot;
    const bool darkbg = s.plbkgd == plotbackground::darkgradient;
    const Escape e = mandel ? escape(0.0, 0.0, x, y, State::maxit[k])
                            : escape(x, y, s.jcx, s.jcy, State::maxit[k]);
    if (e.out) {
        if (k == 0 && darkbg) {
            const int g = anglegrey(externalangle(s, s.ftype, x, y));
            return rgb(g, g, g);
        }
        if (k == 10) {
            const auto& p = defpalette()[static_cast<std::size_t>(e.n % 255 + 1)];
            return rgb(p[0], p[1], p[2]);
        }
        return std::nullopt;
    }
    if (k <= 9) {
        const int edge =
            mandel ? boundary(s, x, y, State::maxit[k]) : boundaryj(s, x, y, State::maxit[k]);
        if (edge == 1) return darkbg ? white : black;
    }
    if (k == 0 && mandel && darkbg) return dark;
    if (k == 0 && !mandel) return black;
    if (k == 10) return black;
    return std::nullopt;
}

int edgetest(const State& s, double px, double py, double cx, double cy, bool julia, int nmax) {
    const double xinc = (s.xmax - s.xmin) / s.xres;
    const double yinc = (s.ymax - s.ymin) / s.yres;
    const double nx[4] = {px + xinc, px - xinc, px, px};
    const double ny[4] = {py, py, py + yinc, py - yinc};
    for (int q = 0; q < 4; ++q) {
        const Escape e =
            julia ? escape(nx[q], ny[q], cx, cy, nmax) : escape(0.0, 0.0, nx[q], ny[q], nmax);
        if (e.out) return 1;
    }
    return 0;
}

// What a pass was started on. A pass interrupted and then asked for again on a
// different picture (another view, set, constant or size) cannot be continued
// over the old curves; it starts afresh.
App::FirstImage::Pass passof(const State& s) {
    const bool julia = s.ftype == settype::julia;
    return {s.ftype, s.xmin, s.xmax, s.ymin, s.ymax, julia ? s.jcx : 0.0, julia ? s.jcy : 0.0,
            s.xres,  s.yres};
}

void showvisible(App& app) {
    const State& s = app.s;
    const Rect r{0, 0, std::min(s.xres, s.ClientRes.right), std::min(s.yres, s.ClientRes.bottom)};
    app.window.copy(app.g_vhdc, r, 0, 0);
    app.host.present(r);
}

}  // namespace

int boundary(const State& s, double cx, double cy, int nmax) {
    return edgetest(s, cx, cy, 0.0, 0.0, false, nmax);
}

int boundaryj(const State& s, double zx, double zy, int nmax) {
    return edgetest(s, zx, zy, s.jcx, s.jcy, true, nmax);
}

int firstimage(App& app) {
    State& s = app.s;
    const Cursor previous = app.host.setcursor(Cursor::wait);

    takecurrentview(s);

    if (!app.firstimg.first) {
        // A pass under way whose picture has gone (changed view or size, or a row
        // beyond the image) begins again with a cleared window and surface.
        const bool lost = app.firstimg.pass != passof(s) || s.j < 0 || s.j >= s.yres ||
                          app.g_vhdc.width() != s.xres || app.g_vhdc.height() != s.yres;
        if (lost) {
            app.firstimg.first = 1;
            app.firstimg.k = 0;
            s.j = 0;
        }
    } else if (app.firstimg.k == 0) {
        // A new pass always begins at the top row, even when it takes over the row
        // of another renderer's paused image.
        s.j = 0;
    }

    if (s.j == 0 && app.firstimg.k == 0) {
        if (!s.okfirstimage) app.firstimg.kmax = 10;
        if (app.firstimg.first) {
            app.firstimg.first = 0;
            app.firstimg.pass = passof(s);
            beginimage(app, white);
        }
    }
    // The extents follow the view of every call, so that a resumed level maps its
    // pixels exactly as its earlier rows did (the rays at the end of level 9 map
    // their points back with them too).
    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;

    const int k = app.firstimg.k;
    const double y = s.ymin + (s.yres - s.j - 1) * s.yside / (s.yres - 1);
    Rgb* out = app.g_vhdc.row(s.j);
    for (int i = 0; i < s.xres; ++i) {
        const double x = s.xmin + i * s.xside / (s.xres - 1);
        if (const auto c = firstpixel(s, k, x, y)) out[i] = *c;
    }

    showrow(app, s.j);

    s.j = s.j + 1;
    if (s.j == s.yres) {
        s.j = 0;
        if (app.firstimg.k == 9) {
            if (s.ftype == settype::mandelbrot && s.okfirstimage)
                for (int N = 0; N < s.period; ++N)
                    NewtonRay(app, settype::mandelbrot, N, 15, 0.0, 0.0);
            showvisible(app);
            app.host.pause(1000);
        }
        app.firstimg.k = app.firstimg.k + 1;
        if (app.firstimg.k >= app.firstimg.kmax) {
            app.firstimg.k = 0;
            app.firstimg.first = 1;
            // j is 0 again, so a plot that follows starts a new image.
            s.okfractal = s.okfirstimage && app.firstimg.plotafter ? 1 : 0;
            if (s.okfirstimage) app.firstimg.plotafter = false;
            s.okfirstimage = 0;
            s.okzoom = 1;
            s.okjulia = s.ftype == settype::mandelbrot ? juliapreview::available
                                                       : juliapreview::unavailable;
            endimage(app, previous);
        }
    }
    return 0;
}

}  // namespace vantrel
