#include "render/distance.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/colorlanes.h"
#include "render/engine.h"
#include "render/escape.h"
#include "render/frame.h"
#include "render/lanes.h"
#include "render/parallel.h"

namespace vantrel {

namespace {

// The largest and the most negative estimate of some pixels.
struct Range {
    double out = 0, in = 0;
};

// The end of one pixel's orbit as the pass sees it.
struct End {
    double modz;               // |z_n|
    bool escaped, overflowed;  // overflowed: the derivative passed the limit on the way
    double xder, yder;
};

// The pass's own iteration of one pixel, the derivative taken along the way from
// z_0 = 0 (the value the orbit buffers hold at entry 0, for Julia sets as well).
End scalarorbit(const Frame& f, double x, double y) {
    double zx = 0, zy = 0, cx = x, cy = y;
    if (f.ftype != settype::mandelbrot) {
        zx = x;
        zy = y;
        cx = f.jcx;
        cy = f.jcy;
    }
    int n = 0;
    double modz = std::sqrt(zx * zx + zy * zy);
    double xder = 0, yder = 0;
    bool overflowed = false;
    while (modz <= f.maxsize && n < f.maxiter) {
        const double xm = n == 0 ? 0.0 : zx, ym = n == 0 ? 0.0 : zy;
        const double d = 2.0 * (xm * xder - ym * yder) + 1.0;
        yder = 2.0 * (xm * yder + ym * xder);
        xder = d;
        overflowed = overflowed || std::max(std::abs(xder), std::abs(yder)) > State::overflow;
        const double t = (zx + zy) * (zx - zy) + cx;
        zy = 2.0 * zx * zy + cy;
        zx = t;
        ++n;
        modz = std::sqrt(zx * zx + zy * zy);
    }
    return {modz, !(modz <= f.maxsize), overflowed, xder, yder};
}

// A pixel's preview color; its estimate joins the range (a pixel that stays only
// `withinside`). An orbit that overflowed has escaped as surely as one past maxsize.
Rgb classify(const End& e, double delta, bool withinside, Range& r) {
    if (e.escaped && e.overflowed) return white;
    if (!e.escaped && !withinside) return black;
    const double dist =
        2.0 * e.modz * std::log(e.modz) / std::sqrt(e.xder * e.xder + e.yder * e.yder);
    // 0 * ln 0 at an orbit resting on 0, or an overflowed orbit, gives no estimate
    // at all; it must not set the scale of the whole image.
    const bool valid = std::isfinite(dist);
    if (e.escaped) {
        if (valid && dist > r.out) r.out = dist;
        return dist < delta ? white : black;
    }
    if (valid && dist < r.in) r.in = dist;
    return black;
}

// Row j of the pass in lanes, from how its orbits ended; false, with nothing
// written, where the lanes do not take the row. Bounds on the estimates settle the
// colors of most escaped pixels, and the range is taken from exact estimates of
// the pixels whose bounds reach the largest lower bound.
bool lanerow(const Frame& f, int j, double delta, bool withinside, Rgb* colors, Range& r) {
    thread_local LaneEnds ends;
    thread_local std::vector<double> lo, hi;
    const double y = rowy(f, j);
    const InsideOrbits inside = withinside ? InsideOrbits::full : InsideOrbits::marked;
    if (!laneends(f, LaneWork::estimate, y, inside, ends)) return false;
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    lo.resize(xres);
    hi.resize(xres);
    const double floor = rangebounds(f, ends, y, lo.data(), hi.data());
    const bool julia = f.ftype != settype::mandelbrot;
    for (std::size_t i = 0; i < xres; ++i) {
        if (hi[i] < floor && (hi[i] < delta || lo[i] >= delta)) {
            colors[i] = hi[i] < delta ? white : black;
            continue;
        }
        // The lanes make one step at least; a Julia point already past maxsize makes
        // none.
        const double x = julia ? columnx(f, static_cast<int>(i)) : 0;
        const End e = julia && !(std::sqrt(x * x + y * y) <= f.maxsize)
                          ? scalarorbit(f, x, y)
                          : End{ends.size[i], !(ends.size[i] <= f.maxsize), ends.overflowed[i] != 0,
                                ends.dx[i], ends.dy[i]};
        colors[i] = classify(e, delta, withinside, r);
    }
    return true;
}

// Row j of the pass: each pixel classified into `colors` and the row's range, the
// estimates of the pixels that stay only `withinside`. Without them, the lanes need
// not iterate the Mandelbrot points well inside the big discs.
Range passrow(const Frame& f, int j, double delta, bool withinside, Rgb* colors) {
    Range r;
    if (f.simd && lanerow(f, j, delta, withinside, colors, r)) return r;
    const double y = rowy(f, j);
    for (int i = 0; i < f.xres; ++i)
        colors[i] = classify(scalarorbit(f, columnx(f, i), y), delta, withinside, r);
    return r;
}

}  // namespace

int maxdistance(App& app, double* out, double* in) {
    State& s = app.s;
    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;
    const double delta = s.xside / s.xres * State::threshold;
    *out = 0.0;
    if (in) *in = 0.0;

    // Always z^2 + c on the plain grid: no inversion, no other exponent.
    Frame f = makeframe(app);
    f.exponent = 2;
    f.okinvert = 0;
    f.tiaflag = tiaalgorithm::kx;
    f.aa = 1;
    const int shown = std::min(s.xres, s.ClientRes.right);
    std::vector<Range> ranges(static_cast<std::size_t>(s.yres));
    const int helpers = RowEngine::threadsfor(app.driver.threads, true);
    parallelrows(s.yres, helpers, [&](int j) {
        thread_local std::vector<Rgb> colors;
        colors.resize(static_cast<std::size_t>(s.xres));
        ranges[j] = passrow(f, j, delta, in != nullptr, colors.data());
        // Rows write apart in the window; the threads are joined before it is shown.
        if (j < s.ClientRes.bottom)
            for (int i = 0; i < shown; ++i) app.window.setpixel(i, j, colors[i]);
    });
    for (const Range& r : ranges) {
        *out = std::max(*out, r.out);
        if (in) *in = std::min(*in, r.in);
    }
    app.host.present({0, 0, shown, std::min(s.yres, s.ClientRes.bottom)});
    app.host.pause(500);
    return 0;
}

}  // namespace vantrel
