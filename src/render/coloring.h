#pragma once

#include <climits>
#include <cmath>
#include <optional>

#include "render/escape.h"

namespace vantrel {

// Integer channels before they are cut to their low 8 bits. Wide, so that the
// Height Field luminance of an out-of-range channel is still plain arithmetic.
struct Channels {
    long long r = 0, g = 0, b = 0;
};

// A real value to an integer, toward zero. A runaway orbit can leave NaN, an
// infinity or a value past any int; those saturate to the int range (NaN gives 0)
// so that every such pixel still gets a defined color.
inline long long trunci(long double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<long double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<long double>(INT_MIN)) return INT_MIN;
    return static_cast<long long>(v);
}
// The same for a double, without the trip through long double: the int limits are
// doubles exactly, so the tests and the truncation agree with the long double ones.
inline long long trunci(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<long long>(v);
}

// The low 8 bits in two's complement: negative values wrap to 256 + (v rem 256).
inline int low8(long long v) {
    return static_cast<int>(v & 0xFF);
}

// (v rem 255) + 1: the palette band of a count, 1..255 for v >= 0, -253..1 below.
inline int level(long long v) {
    return static_cast<int>(v % 255) + 1;
}
inline int level(int v) {
    return v % 255 + 1;
}

// Palette entry k; indexes outside 0..255 wrap through their low 8 bits.
inline Channels pal(const Frame& f, long long k) {
    const auto& e = f.palette[static_cast<unsigned>(low8(k))];
    return {e[0], e[1], e[2]};
}

Channels outsidecolor(const Frame& f, const Orbit& o);
Channels insidecolor(const Frame& f, const Orbit& o);

// Binary Decomposition's palette entry for an orbit of n steps ending at Im z = zy.
int binaryentry(int n, double zy);
// BOF's palette entry for its value v (the smallest size, or the step that made it).
long long bofentry(const Frame& f, double v);

// A pixel's color from its coloring's channels: grey under Height Field, each
// channel cut to its low 8 bits.
Rgb finishcolor(const Frame& f, Channels ch);

// The palette entry of the outside distance estimator for an escaped orbit of n
// steps whose derivative stayed within the overflow limit and whose estimate lies
// in [lo, hi], both finite (or lo = hi, the estimate itself, whatever it is); none
// where the entry is not the same all through (the entry grows with the estimate).
std::optional<long long> distanceentry(const Frame& f, int n, double lo, double hi);

// Pieces that more than one method is made of.
Channels smoothing(const Frame& f, const Orbit& o);
Channels potential(const Frame& f, const Orbit& o);
Channels tiaoutside(const Frame& f, const Orbit& o);
// The palette step trunc(256 index) of TIA's blend of an escaped orbit: the lanes'
// (Orbit::tiastep) where they gave one, else from the orbit's averages.
long long tiapalettestep(const Frame& f, const Orbit& o);
Channels tiainside(const Frame& f, const Orbit& o);

// The derivative of z^2 + c with respect to c along the stored orbit (z_0 = 0),
// and whether it passed `limit` in either component on the way (only looked at
// when `test` is set).
struct Derivative {
    double x = 0, y = 0;
    bool overflowed = false;
};
inline Derivative derivative(const Orbit& o, bool test, double limit) {
    Derivative d;
    if (o.lanederivative) {  // tested against the overflow limit on the way
        d.x = o.dx;
        d.y = o.dy;
        d.overflowed = test && o.dover;
        return d;
    }
    if (!o.orbit) {  // iterated without keeping its orbit: no estimate
        d.overflowed = true;
        return d;
    }
    for (int m = 0; m < o.n; ++m) {
        const double xm = o.orbit[m].x, ym = o.orbit[m].y;
        const double xd = 2 * (xm * d.x - ym * d.y) + 1;
        d.y = 2 * (xm * d.y + ym * d.x);
        d.x = xd;
        if (test && std::fmax(std::fabs(d.x), std::fabs(d.y)) > limit) {
            d.overflowed = true;
            break;
        }
    }
    return d;
}

}  // namespace vantrel
