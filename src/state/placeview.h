#pragma once

#include "state/state.h"

namespace vantrel {

// Why the modes of the state cannot be drawn on a deep view (inversion,
// Escher-Julia mode, Equipotential Lines mean nothing there), or null.
const char* deepmoderefusal(const State& s);
// Why a deep view of this width cannot be drawn with the state's modes and image
// size, or null.
const char* deeprefusal(const State& s, const BigFloat& width);

// Makes the view of centre and width the current view of the set type drawn: in
// doubles where they hold it (the deep view goes), else as the deep view. A view
// that cannot be drawn changes nothing and gives the message why, else null.
const char* placeview(State& s, DeepView v);

}  // namespace vantrel
