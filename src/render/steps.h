#pragma once

#include <cmath>

#include "render/complex.h"
#include "render/escape.h"

namespace vantrel {

// The per-step work of the colorings, after step n has made z from the iterate
// (x, y) and its size. Every loop that iterates pixels runs this same code, so the
// colorings see the same sums whichever loop made the orbit. Returns false where
// the orbit stops early (epsilon cross).
template <Steps S, Watch W>
inline bool watchstep(Orbit& a, const COMPLEX& z, const COMPLEX& c, double x, double y, double size,
                      int n) {
    if constexpr (S == Steps::peitgen) {
        if (n == 6) a.zyn = z.y;
    }
    if constexpr (S == Steps::tia0 || S == Steps::tia1 || S == Steps::tia2) {
        a.sum2 = a.sum;
        const double dx = z.x - c.x, dy = z.y - c.y;
        double lo, hi, side;
        if constexpr (S == Steps::tia0) {
            const double aa = std::fabs(dx), bb = std::fabs(dy);
            lo = std::fabs(aa - bb);
            hi = aa + bb;
            side = std::sqrt(dx * dx + dy * dy);
        } else if constexpr (S == Steps::tia1) {
            const double r = std::sqrt(size);
            lo = std::fabs(r - a.csize);
            hi = std::fabs(r + a.csize);
            side = std::sqrt(dx * dx + dy * dy);
        } else {
            const double u = std::fabs((x + y) * (x - y)), v = std::fabs(2 * x * y);
            const double m = std::sqrt(u * u + v * v);
            lo = std::fabs(m - a.csize);
            hi = m + a.csize;
            side = std::sqrt(size);
        }
        a.sum += lo == hi ? 0.5 : (side - lo) / (hi - lo);
    } else if constexpr (S == Steps::inttia) {
        a.sum2 = a.sum;
        const double dx = std::floor(std::fabs(z.x - c.x));
        const double dy = std::floor(std::fabs(z.y - c.y));
        const double lo = std::fabs(dx - dy), hi = dx + dy;
        if (lo != hi) a.sum += (std::sqrt(dx * dx + dy * dy) - lo) / (hi - lo);
    } else if constexpr (S == Steps::species) {
        a.sz = std::sqrt(a.sx * a.sx + a.sy * a.sy);
        if (size < a.sz) {
            a.sx = z.x;
            a.sy = z.y;
        }
    } else if constexpr (S == Steps::cardioid) {
        const double angle = std::atan2(z.y, z.x);
        const double radius = 1 - std::cos(angle);
        const double rd = std::fabs(size - radius);
        if (rd < 0.075) a.trapped = 1;
        if (rd < a.min_dist) a.min_dist = a.distance = rd;
    }

    if constexpr (W == Watch::bof) {
        if (size < a.infsize) {
            a.infsize = size;
            a.ninfsize = n;
        }
    } else if constexpr (W == Watch::epsilon) {
        // An orbit that comes close to an axis after its first step stops there
        // and is colored by where it stopped.
        if (n > 1 && (std::fabs(z.x) < 0.01 || std::fabs(z.y) < 0.01)) return false;
    }
    return true;
}

// The end of an orbit into o: what the watches gathered in `a` (where any watched),
// the last iterate z, the one before it, its size and the steps made.
template <Steps S, Watch W>
inline void endorbit(Orbit& o, const Orbit& a, COMPLEX z, double x, double y, double size, int n) {
    if constexpr (S != Steps::none || W != Watch::none) o = a;
    o.z = z;
    o.x = x;
    o.y = y;
    o.size = size;
    o.n = n;
}

}  // namespace vantrel
