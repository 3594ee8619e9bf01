#pragma once

// A plain, independent re-computation of the default coloring (Level Sets outside,
// a solid inside, Height Field, inversion) for checking whole images pixel by pixel.

#include <cmath>

#include "platform/surface.h"
#include "state/state.h"

namespace vantrel::reference {

// z^e by square-and-multiply from the low bit, written out again on purpose.
inline void power(double& x, double& y, int e) {
    double bx = x, by = y, rx = 1.0, ry = 0.0;
    if (e % 2 == 1) rx = bx, ry = by;
    for (e /= 2; e > 0; e /= 2) {
        const double sx = bx * bx - by * by;
        by = 2.0 * bx * by;
        bx = sx;
        if (e % 2 == 1) {
            const double t = bx * rx - by * ry;
            ry = ry * bx + by * rx;
            rx = t;
        }
    }
    x = rx;
    y = ry;
}

inline void unitinvert(double& x, double& y) {
    if (x == 0 && y == 0) return;
    const double r = std::sqrt(x * x + y * y);
    double th = std::acos(x / r);
    if (y < 0) th = 6.283185307179586 - th;
    x = std::cos(th) * (1.0 / r);
    y = std::sin(th) * (1.0 / r);
}

// The color of the point (px, py) of the plane, with the default colorings.
inline Rgb pointcolor(const State& s, double px, double py) {
    double zx = 0, zy = 0, cx = px, cy = py;
    if (s.ftype == settype::mandelbrot) {
        if (s.okinvert) unitinvert(cx, cy);
    } else {
        zx = px;
        zy = py;
        if (s.okinvert) unitinvert(zx, zy);
        cx = s.jcx;
        cy = s.jcy;
    }
    int n = 0;
    double size = 0;
    while (size <= s.maxsize && n < s.maxiter) {
        power(zx, zy, s.exponent);
        zx += cx;
        zy += cy;
        size = std::sqrt(zx * zx + zy * zy);
        ++n;
    }
    int r, g, b;
    if (size > s.maxsize) {
        if (s.outside == outside::solidcolor) {
            r = s.rout, g = s.gout, b = s.bout;
        } else {
            const auto& e = s.palette[n % 255 + 1];
            r = e[0], g = e[1], b = e[2];
        }
    } else {
        r = s.rin, g = s.gin, b = s.bin;
    }
    if (s.method == coloringmethod::heightfield)
        r = g = b = (r * 30 / 100 + g * 59 / 100 + b * 11 / 100) % 256;
    return rgb(r, g, b);
}

// The pixel (i, row) of the current view of s, with the default colorings.
inline Rgb pixel(const State& s, double xmin, double xmax, double ymin, double ymax, int i,
                 int row) {
    const double px = i * (xmax - xmin) / (s.xres - 1) + xmin;
    const double py = (s.yres - row - 1) * (ymax - ymin) / (s.yres - 1) + ymin;
    return pointcolor(s, px, py);
}

}  // namespace vantrel::reference
