#pragma once

#include "state/app.h"

namespace vantrel {

// The Escher-Julia image of the view exmin..eymax: each pixel w is squared until
// 15 w lands in the filled Julia set of (jcx, jcy); the number of squarings picks
// the palette entry. One row per call, rows from the bottom edge (eymin) up;
// the call for row 0 clears window and surface grey, the call for the last row
// clears okfractal. Returns 0.
int EscherJulia(App& app);

// Escape count of z^2 + (jcx, jcy) from (zx, zy) against |z|^2 > 4: the step
// 1..64 at which the orbit left, 0 when it stayed for 64 steps (the point is in
// the target set).
int targetset(const State& s, double zx, double zy);

}  // namespace vantrel
