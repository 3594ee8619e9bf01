#include "render/escape.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "render/coloring.h"

namespace vantrel {

namespace {

bool tiaoutside(int outside) { return outside >= 9 && outside <= 12; }

double clamp(double v, double lim) { return v > lim ? lim : (v < -lim ? -lim : v); }

// The escape-time iteration with the exponent known at compile time, so that
// complex_power unrolls to the very same operations it makes for any exponent.
template <int E, bool Squared>
void iterate(const Frame& f, Orbit& o) {
    COMPLEX z = o.z;
    const COMPLEX c = o.c;
    double x = o.x, y = o.y, size = o.size;
    int n = o.n;
    const double maxsize = f.maxsize;
    const int maxiter = f.maxiter;
    while (size <= maxsize && n < maxiter) {
        x = z.x;
        y = z.y;
        COMPLEX p;
        complex_power(z, E, &p);
        z.x = p.x + c.x;
        z.y = p.y + c.y;
        size = Squared ? z.x * z.x + z.y * z.y : std::sqrt(z.x * z.x + z.y * z.y);
        ++n;
    }
    o.z = z;
    o.x = x;
    o.y = y;
    o.size = size;
    o.n = n;
}

template <int E, bool Squared>
void row(const Frame& f, int j, Rgb* out) {
    const double ystart = rowy(f, j);
    for (int i = 0; i < f.xres; ++i) {
        Orbit o = startpixel(f, i, ystart);
        iterate<E, Squared>(f, o);
        out[i] = pixelcolor(f, o);
    }
}

using RowFn = void (*)(const Frame&, int, Rgb*);

template <int... E>
constexpr std::array<RowFn, sizeof...(E)> rows(bool squared) {
    return squared ? std::array<RowFn, sizeof...(E)>{&row<E, true>...}
                   : std::array<RowFn, sizeof...(E)>{&row<E, false>...};
}

}  // namespace

Orbit startpixel(const Frame& f, int i, double ystart) {
    Orbit o;
    const double x = i * f.xside / (f.xres - 1) + f.xmin;
    if (f.ftype == 0) {
        o.c = {x, ystart};
        if (f.okinvert) {
            invert(&o.c.x, &o.c.y, 1.0);
            if (tiaoutside(f.outside)) o.c = {clamp(o.c.x, 10.0), clamp(o.c.y, 10.0)};
        }
        o.z = {0.0, 0.0};
    } else {
        o.jzx = x;
        o.jzy = ystart;
        o.z = {x, ystart};
        if (f.okinvert) {
            invert(&o.z.x, &o.z.y, 1.0);
            if (tiaoutside(f.outside)) o.z = {clamp(o.z.x, 2.5), clamp(o.z.y, 2.5)};
        }
        o.c = {f.jcx, f.jcy};
    }
    return o;
}

Rgb pixelcolor(const Frame& f, const Orbit& o) {
    const bool out = escaped(f, o);
    if (out && f.outside == 6) {
        const int k = o.z.y < 0 ? 0 : 255;
        return rgb(k, k, k);
    }
    Channels ch = out ? outsidecolor(f, o) : insidecolor(f, o);
    if (f.method == 0) {
        const int gray = (ch.r * 30 / 100 + ch.g * 59 / 100 + ch.b * 11 / 100) & 0xFF;
        ch = {gray, gray, gray};
    }
    return rgb(ch.r, ch.g, ch.b);
}

void renderrow(const Frame& f, int j, Rgb* out) {
    static constexpr auto plain = rows<2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17>(false);
    static constexpr auto squared = rows<2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17>(true);
    const int e = std::clamp(f.exponent, 2, 17);
    (f.tiaflag == 1 || f.tiaflag == 2 ? squared : plain)[e - 2](f, j, out);
}

}  // namespace vantrel
