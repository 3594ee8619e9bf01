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
// work out. The lanes hand back the steps of their orbits (Orbit::tiastep). With
// `largest`, the sums are the lanes' rough ones (roughtiasums), each made of terms
// up to largest[k] in size, and the margins widen by what they may err.
void tiasteps(const Frame& f, const double* size, const double* n, const double* sum,
              const double* sum2, int count, double* steps, const double* largest = nullptr);

// Whether the lanes may add up TIA's terms with a quotient that errs by up to 2^-45
// of its size (off the divider, which their steps otherwise wait on): only the
// palette step reads the sums, with margins for that, and the hand-back makes the
// sums of an orbit whose step is not sure again exactly. Every term's divisor must
// stay in single precision's range: the escape limit and the view's and constant's
// coordinates are bounded, and the plane is not inverted.
bool roughtiasums(const Frame& f);

}  // namespace vantrel
