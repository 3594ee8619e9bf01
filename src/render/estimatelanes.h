#pragma once

#include "render/frame.h"
#include "render/lanes.h"

namespace vantrel {

// Bounds on the distance estimates 2 ln(size) size / sqrt(dx^2 + dy^2) of count
// orbit ends, worked out in vector lanes: Highway's logarithm is not the C
// library's, so the lanes give lo[k] <= hi[k] that the estimate the colorings make
// (with the C library, its products in either order) lies between, a relative
// 2^-44 apart. Where that is not sure to be a positive finite number (a size near
// 1, where the logarithm's relative error grows, or an estimate or derivative
// outside the doubles' normal range), both are NaN.
void estimatebounds(const double* size, const double* dx, const double* dy, int count, double* lo,
                    double* hi);

// The palette entries of the outside distance estimator (distanceentry) for the
// ends of a row's orbits, worked out in vector lanes from the bounds above: entry[i]
// is pixel i's entry where the bounds settle it, NaN where the coloring must work
// it out, and -1 where the orbit did not escape.
void distanceentries(const Frame& f, const LaneEnds& ends, double* entry);

}  // namespace vantrel
