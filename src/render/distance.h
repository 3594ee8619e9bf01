#pragma once

#include "state/app.h"

namespace vantrel {

// One pass over the whole view before a distance-estimator image: leaves in *out
// the largest estimate of an escaping pixel (0 or more) and in *in the most negative
// estimate of a pixel that stays (0 or less), which the colorings scale by. A null
// `in` asks for the first alone, which spares the pass most orbits inside. Always
// iterates z^2 + c, taking the derivative along each orbit, with its rows shared
// among the cores. Shows a black-and-white preview of the boundary in the window and
// pauses half a second.
// Returns 0.
int maxdistance(App& app, double* out, double* in);

}  // namespace vantrel
