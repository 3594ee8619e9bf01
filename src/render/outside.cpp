#include <cmath>

#include "render/angles.h"
#include "render/coloring.h"

namespace vantrel {

namespace {

constexpr double twopi = 6.283185307179586;

// Binary decomposition: the lower half-plane shifts the band by half a palette.
Channels binary(const Frame& f, const Orbit& o) {
    return pal(f, binaryentry(o.n, o.z.y));
}

// Peitgen's three bands, from the sign of Im z_6 and whether the orbit took more
// than seven steps, each mixed half and half with a grey of the step count.
Channels peitgen(const Orbit& o) {
    static constexpr int band[3][3] = {{0, 128, 255}, {0, 240, 80}, {255, 255, 255}};
    double zyn = o.zyn;
    if (o.n < 6) {
        // An orbit that escaped early is followed on to z_6 with the square map.
        double zx = o.z.x, zy = o.z.y;
        for (int m = o.n; m < 6; ++m) {
            const double x = zx, y = zy;
            zx = (x + y) * (x - y) + o.c.x;
            zy = 2 * x * y + o.c.y;
        }
        zyn = zy;
    }
    const int k = o.n > 7 ? 2 : (zyn < 0 ? 1 : 0);
    const long long grey = (16LL * o.n) % 256;
    return {(band[k][0] + grey) / 2, (band[k][1] + grey) / 2, (band[k][2] + grey) / 2};
}

// The palette entry of an external angle (the lanes have a vector twin of it,
// angles.cpp's lineentry).
long long fieldline(const Frame& f, double angle) {
    // fmod(v, 256) as v - 256 trunc(v / 256): the remainder is a double, so the
    // difference is exact, and so are the quotient by 256 (taken as the product by
    // 1/256, the same number) and its product.
    const auto remainder = [](double v) { return v - 256.0 * std::trunc(v * (1.0 / 256.0)); };
    double cf;
    if (f.mapping != fieldmapping::radial && angle >= 0.5)
        cf = remainder(255.0 - f.period * angle * 256.0);
    else
        cf = remainder(f.period * angle * 256.0);
    long long k = trunci(cf);
    if (k < 0) k = 255 + k;  // 255 - |k|
    if (k == 0) k = 1;
    return k;
}

Channels fieldlines(const Frame& f, const Orbit& o) {
    if (o.anglefrom == AngleFrom::orbit) return pal(f, fieldline(f, o.angle));
    if (o.anglefrom == AngleFrom::lanes) return pal(f, o.lineentry);
    const double angle = f.ftype == settype::mandelbrot
                             ? externalangle(settype::mandelbrot, o.c.x, o.c.y, f.jcx, f.jcy)
                             : externalangle(settype::julia, o.jzx, o.jzy, f.jcx, f.jcy);
    return pal(f, fieldline(f, angle));
}

Channels kirlian(const Frame& f, const Orbit& o) {
    const double v =
        std::atan(o.z.y / (o.z.x + 0.0001)) + ((std::sin(o.z.x) + 24.0) - std::cos(o.z.y));
    return pal(f, level(trunci(v)));
}

Channels biomorph(const Frame& f, const Orbit& o) {
    const bool near = std::fabs(o.z.x) < f.maxsize || std::fabs(o.z.y) < f.maxsize;
    return pal(f, near ? level(o.n) : level(o.n + 128LL));
}

Channels species(const Frame& f, const Orbit& o) {
    long long k = 0;
    if (o.sz <= 2.0) {
        double angle = std::atan2(o.sy, o.sx);
        if (angle <= 0) angle += twopi;
        const long double colorfloat = 0.5 * angle * 0.3183098861837907L;
        k = level(trunci(256 * colorfloat));
    }
    return pal(f, k);
}

Channels cardioid(const Frame& f, const Orbit& o) {
    return pal(f, o.trapped ? level(trunci(256 * o.distance)) : 1);
}

Channels realpart(const Frame& f, const Orbit& o) {
    return pal(f, level(trunci(o.z.x) + o.n));
}

// The distance to the set from the derivative along the orbit, scaled by the
// largest estimate of the view; the boundary itself is banded by iteration count.
Channels distance(const Frame& f, const Orbit& o) {
    const Derivative d = derivative(o, true, State::overflow);
    if (d.overflowed) return pal(f, o.n);
    const double dist = 2 * std::log(o.size) * o.size / std::sqrt(d.x * d.x + d.y * d.y);
    return pal(f, *distanceentry(f, o.n, dist, dist));
}

// Two greens alternating by step count, shaded by how far past the limit the
// orbit went; the colors of orbit tracing.
Channels orbitmode(const Frame& f, const Orbit& o) {
    const double g0 = o.n % 2 != 0 ? 112 : 80, g1 = o.n % 2 != 0 ? 80 : 112;
    const double fx = (f.il * f.lpsm + 1) - f.il * std::log(std::log(o.size));
    return {12, trunci((g1 - g0) * fx + g0), 160};
}

}  // namespace

int binaryentry(int n, double zy) {
    int k = level(2LL * n);
    if (zy < 0) k = level(k + 128LL);
    return k;
}

std::optional<long long> distanceentry(const Frame& f, int n, double lo, double hi) {
    const auto entry = [&](double dist) {
        // No scale (nothing escaped in the range pass) or no finite estimate: the
        // pixel keeps its band, like a boundary point.
        if (!(dist < f.delta) && std::isfinite(dist) && f.distmaxout > 0)
            return trunci(dist / f.distmaxout * 256) + n;
        return static_cast<long long>(n);
    };
    const long long k = entry(lo);
    if (entry(hi) != k) return std::nullopt;
    return k;
}

Channels smoothing(const Frame& f, const Orbit& o) {
    const int k = level(o.n);
    const Channels lo = pal(f, k);
    double fx = (f.il * f.lpsm + 1) - f.il * std::log(std::log(o.size));
    if (!(fx >= 0)) fx = 0;  // also a NaN from an overflowed orbit: pure entry k
    if (fx > 1) fx = 1;
    // The last band is flat: entry 0 is never used.
    const Channels hi = pal(f, k == 255 ? 255 : k + 1);
    return {trunci((hi.r - lo.r) * fx + lo.r), trunci((hi.g - lo.g) * fx + lo.g),
            trunci((hi.b - lo.b) * fx + lo.b)};
}

namespace {

// The palette entry of the potential below worked out in doubles, where that is
// plainly the entry extended precision gives: 2^(n+2) well within doubles, the
// potential far from the smallest one that counts, and the entry's real value
// farther from a whole number than the doubles' few roundings can move it (they
// err by a few units of 2^-52 of the values summed). -1 where it is not plain.
long long plainpotentialentry(const Frame& f, const Orbit& o) {
    if (o.n + 2 <= 0 || o.n + 2 > 900 || !(o.size > 2.0) || !(o.size < 1e300)) return -1;
    const double d = std::log(o.size) / std::ldexp(1.0, o.n + 2);
    if (!(d > 1.18e-38)) return -1;
    const double s = std::sqrt(d) * f.slope;
    const double v = 256 - s - 1;
    if (!(std::fabs(v) < 0x1p30) || !(std::fabs(s) < 0x1p30)) return -1;
    if (std::fabs(v - std::round(v)) < 0x1p-30 * (1 + std::fabs(s) + std::fabs(v))) return -1;
    const long long k = trunci(v);
    return k == 0 ? 1 : k;
}

}  // namespace

// The potential ln|z| / 2^n in extended precision, one palette step per 1/slope of
// its square root. A potential too small to tell from 0 (a long orbit, 2^(n+2)
// past even the extended range) gets entry 255.
Channels potential(const Frame& f, const Orbit& o) {
    if (const long long k = plainpotentialentry(f, o); k >= 0) return pal(f, k);
    long double pot = o.n + 2;
    if (pot <= 0 || o.size <= 2.0) {
        pot = 0;
    } else {
        // 2^pot is exact either way; ldexp gets it without a general power.
        const long double d =
            std::log(static_cast<long double>(o.size)) / std::ldexp(1.0L, o.n + 2);
        pot = d > 1.17549435e-38 ? d : 0;
    }
    if (pot > 0)
        pot = 256 - std::sqrt(pot) * f.slope - 1;
    else
        pot = 255;
    long long k = trunci(pot);
    if (k == 0) k = 1;
    return pal(f, k);
}

Channels outsidecolor(const Frame& f, const Orbit& o) {
    switch (f.outside) {
        case outside::solidcolor:
            return {f.rout, f.gout, f.bout};
        case outside::smoothing:
            return smoothing(f, o);
        case outside::continuouspotential:
            return potential(f, o);
        case outside::binarydecomposition:
            return binary(f, o);
        case outside::binaryblackwhite: {
            const int k = o.z.y < 0 ? 0 : 255;
            return {k, k, k};
        }
        case outside::peitgenbands:
            return peitgen(o);
        case outside::fieldlines:
            return fieldlines(f, o);
        case outside::tia:
        case outside::smoothingtia:
        case outside::potentialtia:
        case outside::integertia:
            return tiaoutside(f, o);
        case outside::kirlian:
            return kirlian(f, o);
        case outside::biomorphs:
            return biomorph(f, o);
        case outside::speciesoforigin:
            return species(f, o);
        case outside::cardioid:
            return cardioid(f, o);
        case outside::nplusrealz:
            return realpart(f, o);
        case outside::distanceestimator:
            return distance(f, o);
        case outside::orbittracing:
            return orbitmode(f, o);
        case outside::levelsets:
        default:
            return pal(f, level(o.n));
    }
}

}  // namespace vantrel
