#pragma once

#include "render/escape.h"

namespace vantrel {

// Whether the frame's outside method blends the TIA averages by the overshoot (TIA,
// and its mixes with Smoothing and Continuous Potential): the palette step that
// tialanes works out.
bool blendstia(const Frame& f);

// The palette step trunc(256 index) of the TIA coloring (tia.cpp) of the escaped
// orbits among `count`, in vector lanes, into Orbit::tiastep: its divisions and
// square root are the coloring's own, but Highway's logarithm is not the C
// library's, so a step is taken only where the logarithm's few units in the last
// place cannot move it. Everything else is left NaN, for the coloring to work out.
void tialanes(const Frame& f, Orbit* orbits, int count);

}  // namespace vantrel
