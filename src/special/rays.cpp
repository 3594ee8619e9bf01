#include "special/rays.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vantrel {

namespace {

constexpr double twopi = 6.283185307179586;
constexpr double logR = 14.0;  // log of the outer radius; rays start at e^(logR / 2)
constexpr int q = 10;          // points per halving of the potential

struct Pos {
    int i = 0, k = 0;
};

// The pixel of a point of the plane on the current image, or nothing when the
// position is too large (or undefined) to be held in an int.
std::optional<Pos> pixelof(const State& s, double x, double y) {
    const double fi = std::trunc((x - s.xmin) * (s.xres - 1) / s.xside);
    const double fk = std::trunc((s.ymax - y) * (s.yres - 1) / s.yside);
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    if (!(fi >= lo && fi <= hi && fk >= lo && fk <= hi)) return std::nullopt;
    return Pos{static_cast<int>(fi), static_cast<int>(fk)};
}

// A ray may run up to an image height above the image, but barely to its left.
bool drawable(const State& s, const std::optional<Pos>& p) {
    return p && p->i > -10 && p->i <= s.xres && p->k >= -s.yres && p->k <= s.yres;
}

// Clips the segment to a margin around the surface when an end lies far away, so
// that a start point millions of pixels off the image costs no long walk.
void segment(Surface& g, Pos a, Pos b, Rgb color) {
    constexpr double far = 1 << 20;
    if (std::abs(static_cast<double>(a.i)) > far || std::abs(static_cast<double>(a.k)) > far ||
        std::abs(static_cast<double>(b.i)) > far || std::abs(static_cast<double>(b.k)) > far) {
        const double x0 = a.i, y0 = a.k, dx = double(b.i) - a.i, dy = double(b.k) - a.k;
        const double lox = -2, hix = g.width() + 2.0, loy = -2, hiy = g.height() + 2.0;
        double t0 = 0, t1 = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double qv[4] = {x0 - lox, hix - x0, y0 - loy, hiy - y0};
        for (int m = 0; m < 4; ++m) {
            if (p[m] == 0) {
                if (qv[m] < 0) return;
                continue;
            }
            const double r = qv[m] / p[m];
            if (p[m] < 0)
                t0 = std::max(t0, r);
            else
                t1 = std::min(t1, r);
        }
        if (t0 > t1) return;
        const bool keepend = t1 >= 1;  // the end point is not drawn; keep it so
        a = {static_cast<int>(std::lround(x0 + t0 * dx)),
             static_cast<int>(std::lround(y0 + t0 * dy))};
        if (!keepend)
            b = {static_cast<int>(std::lround(x0 + t1 * dx)),
                 static_cast<int>(std::lround(y0 + t1 * dy))};
    }
    g.line(a.i, a.k, b.i, b.k, color, 1);
}

}  // namespace

int RayNewton(int type, int n, double a, double b, double* x, double* y, double rlog, double ilog) {
    double d = *x * *x + *y * *y + 1;
    for (int l = 1; l <= 60; ++l) {
        if (type == 0) {
            a = *x;
            b = *y;
        }
        // Where the n-th iterate must land: w - c / (2w), w on the level curve.
        const double er = std::exp(rlog), ei = std::exp(-rlog);
        const double t0 =
            er * std::cos(ilog) - 0.5 * ei * (a * std::cos(ilog) + b * std::sin(ilog));
        const double t1 =
            er * std::sin(ilog) + 0.5 * ei * (a * std::sin(ilog) - b * std::cos(ilog));
        double zx = *x, zy = *y, px = 1, py = 0;
        for (int m = 0; m < n; ++m) {
            const double npx = 2 * (zx * px - zy * py) + (type == 0 ? 1 : 0);
            const double npy = 2 * (zx * py + zy * px);
            px = npx;
            py = npy;
            if (zx * zx + zy * zy + (px * px + py * py) > 1e100) return 1;
            const double nzx = zx * zx - zy * zy + a;
            zy = 2 * zx * zy + b;
            zx = nzx;
        }
        const double fx = zx - t0, fy = zy - t1;
        const double pp = px * px + py * py;
        if (pp < 1e-50) return 2;
        const double dx = (fx * px + fy * py) / pp, dy = (fy * px - fx * py) / pp;
        const double dd = dx * dx + dy * dy;
        if (dd > 9 * d) return -1;
        *x = *x - dx;
        *y = *y - dy;
        d = dd;
        if (dd < 1e-28 && l >= 5) return 0;
    }
    return 0;
}

int NewtonRay(App& app, int type, int N, int D, double a, double b) {
    const State& s = app.s;
    if (!(N >= 0 && N < D && D >= 1)) return 1;
    const Rgb pen = rgb(s.rray, s.gray, s.bray);
    double t = static_cast<double>(N) / D;
    double x = std::exp(logR / 2) * std::cos(twopi * t);
    double y = std::exp(logR / 2) * std::sin(twopi * t);

    std::optional<Pos> prev = pixelof(s, x, y);
    bool prevok = drawable(s, prev);
    // The drawing position. A start point too far off to be a pixel position leaves
    // it unset, and the ray then starts at its first drawable point.
    std::optional<Pos> at = prev;
    int okdraw = 0;
    for (int n = 1; n <= s.maxiter + 2; ++n) {
        t = std::fmod(2 * t, 1.0);
        for (int st = 1; st <= q; ++st) {
            const double rlog = logR * std::exp(-st * 0.69315 / q);
            const double ilog = twopi * t;
            if (RayNewton(type, n, a, b, &x, &y, rlog, ilog) != 0) return 0;
            const std::optional<Pos> cur = pixelof(s, x, y);
            const bool curok = drawable(s, cur);
            if (prevok) {
                if (!curok) return 0;
                if (okdraw == 0) {
                    okdraw = 1;
                    if (!at) at = prev;
                    segment(app.g_vhdc, *at, *prev, pen);
                    at = prev;
                } else {
                    segment(app.g_vhdc, *at, *cur, pen);
                    at = cur;
                }
            }
            prev = cur;
            prevok = curok;
        }
    }
    return 0;
}

}  // namespace vantrel
