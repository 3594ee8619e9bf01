#pragma once

#include "render/escape.h"

namespace vantrel {

// Whether the frame's outside method blends the TIA averages by the overshoot (TIA,
// and its mixes with Smoothing and Continuous Potential): the palette step that
// tiasteps works out.
bool blendstia(const Frame& f);

// The palette step trunc(256 index) of the TIA coloring (tia.cpp) of escaped orbits
// given by their sizes, steps and sums, into steps[k] for k < count, in vector
// lanes: its divisions and square root are the coloring's own, but Highway's
// logarithm is not the C library's, so a step is given only where the logarithm's
// few units in the last place cannot move it; NaN elsewhere, for the coloring to
// work out. The lanes hand back the steps of their orbits (Orbit::tiastep).
void tiasteps(const Frame& f, const double* size, const double* n, const double* sum,
              const double* sum2, int count, double* steps);

}  // namespace vantrel
