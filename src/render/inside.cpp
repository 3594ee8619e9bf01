#include <algorithm>
#include <cmath>

#include "render/coloring.h"

namespace vantrel {

namespace {

Channels epsiloncross(const Frame& f, const Orbit& o) {
    const double ax = std::fabs(o.z.x), ay = std::fabs(o.z.y);
    long long k = 0;  // ran to maxiter without coming that close after its first step
    if (ay < 0.01 || ax < 0.01) k = level(trunci(o.n * 32.0 * std::min(ax, ay) * 100.0));
    return pal(f, k);
}

Channels angular(const Frame& f, const Orbit& o) {
    // Moved off zero, so that the angle of a point on the imaginary axis is defined.
    double zxad = o.z.x;
    if (zxad >= 0 && zxad < 1e-32) zxad = 1e-32;
    if (zxad > -1e-32 && zxad < 0) zxad = -1e-32;
    double angle = std::atan2(o.z.y, zxad);
    if (angle < 0) angle += 6.283185307179586;
    return pal(f, level(trunci(angle * 256.0 * 0.15915494309189535L)));
}

// The (negative) distance estimate inside, scaled by the most negative estimate of
// the view. Without a scale, or without a finite estimate, a point keeps entry n.
Channels distance(const Frame& f, const Orbit& o) {
    const Derivative d = derivative(o, false, 0);
    const double dist = 2 * std::log(o.size) * o.size / std::sqrt(d.x * d.x + d.y * d.y);
    long long k = o.n;
    if (dist < 0 && std::isfinite(dist) && f.distmaxin < 0)
        k = trunci(dist / f.distmaxin * f.demscale * 256.0) + o.n;
    return pal(f, std::clamp(k, 1LL, 255LL));
}

}  // namespace

long long bofentry(const Frame& f, double v) {
    return level(trunci(f.factor * v * 7.0));
}

Channels insidecolor(const Frame& f, const Orbit& o) {
    const double zy = o.z.y + 0.0001;
    switch (f.inside) {
        case inside::zmag:
            return pal(f, level(trunci(512.0 * o.size)));
        case inside::bof33:
            return pal(f, bofentry(f, o.infsize));
        case inside::bof34:
            return pal(f, bofentry(f, o.ninfsize));
        // These two go negative for most inside points; the index wraps through its
        // low 8 bits like every other out-of-range index.
        case inside::zxabszy:
            return pal(f, level(trunci((1.0 - (1.5 * std::fabs(o.z.y) + o.z.x)) * 175.0)));
        case inside::abszxabszy:
            return pal(f,
                       level(trunci((1.0 - (1.5 * std::fabs(o.z.y) + std::fabs(o.z.x))) * 175.0)));
        case inside::atansizeabszy:
            return pal(f, level(trunci(std::atan2(o.size, std::fabs(zy)) * f.factor)));
        case inside::atanxyzysquared:
            return pal(f, level(trunci(std::fabs(std::atan2(o.x * o.y, zy * zy)) * f.factor)));
        case inside::atansinxabszy:
            return pal(f, level(trunci(std::fabs(std::atan2(std::sin(35.0 * o.x), std::fabs(zy))) *
                                       f.factor)));
        case inside::atanatansinsize:
            return pal(f,
                       level(trunci(std::fabs(std::atan2(std::atan2(std::sin(50.0 * o.size), 20.0),
                                                         std::fabs(zy))) *
                                    f.factor)));
        case inside::zxatanzxcx:
            return pal(f, level(trunci(std::fabs(
                              32.0 * f.factor * o.z.x *
                              std::atan((o.z.x - o.c.x) * 0.75 * std::fabs(0.75 * o.z.y))))));
        case inside::tia:
            return tiainside(f, o);
        case inside::epsiloncross:
            return epsiloncross(f, o);
        case inside::angulardecomposition:
            return angular(f, o);
        case inside::distanceestimator:
            return distance(f, o);
        case inside::orbittracing: {
            const int k = level(trunci(std::sqrt(o.size) * 250.0));
            return {0, k / 2 + 64, k / 2 + 40};
        }
        case inside::peitgenblack:
            return {0, 0, 0};
        case inside::solidcolor:
        default:
            return {f.rin, f.gin, f.bin};
    }
}

}  // namespace vantrel
