#include <cmath>

#include "render/coloring.h"

namespace vantrel {

namespace {

// The average of the previous n - 1 terms. An orbit of a single step has none; its
// own average stands in, so the smoothing fraction has nothing to blend.
double previousaverage(const Orbit& o, double average) {
    return o.n > 1 ? o.sum2 / (o.n - 1) : average;
}

// The averages blended by how far the last step overshot the bailout.
double tiaindex(const Frame& f, const Orbit& o) {
    const double sum = o.sum / o.n;
    const double sum2 = previousaverage(o, sum);
    double fx = (f.il * f.lptia + 1) - f.il * std::log(std::log(std::sqrt(o.size)));
    if (!(fx >= 0)) fx = 0;  // a NaN from an overflowed orbit as well
    return sum2 + (sum - sum2) * fx;
}

}  // namespace

long long tiapalettestep(const Frame& f, const Orbit& o) {
    return std::isnan(o.tiastep) ? trunci(tiaindex(f, o) * 256) : static_cast<long long>(o.tiastep);
}

// Triangle inequality average of an escaped orbit: the average of all terms and of
// all but the last, blended by how far the last step overshot the bailout.
Channels tiaoutside(const Frame& f, const Orbit& o) {
    Channels base;
    if (f.outside == outside::smoothingtia) base = smoothing(f, o);
    if (f.outside == outside::potentialtia) base = potential(f, o);
    long long k;
    if (f.outside == outside::integertia) {
        const double sum = o.sum / o.n;
        const double sum2 = previousaverage(o, sum);
        k = level(trunci(((sum - sum2) + sum2) * (o.n + 255)));
    } else {
        k = tiapalettestep(f, o);
        if (f.tiaflag == tiaalgorithm::kx) k = level(4 * (k - 128));
    }
    if (f.outside == outside::tia || f.outside == outside::integertia) return pal(f, k);
    // Smoothing and potential mixed half and half with k as a grey level; the
    // halving rounds toward minus infinity.
    return {low8((base.r + k) >> 1), low8((base.g + k) >> 1), low8((base.b + k) >> 1)};
}

Channels tiainside(const Frame& f, const Orbit& o) {
    const double sum = o.sum / o.n;
    const double sum2 = previousaverage(o, sum);
    const double index = (sum - sum2) + sum2;
    long long k = trunci(index * 256);
    if (f.tiaflag == tiaalgorithm::kx) k = 2 * k;
    return pal(f, level(k));
}

}  // namespace vantrel
