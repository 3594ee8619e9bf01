#pragma once

#include "state/app.h"

namespace vantrel {

constexpr int previewsize = 150;

// Draws the Julia set of (tjcx, tjcy) over -2..2 in both axes into the top-left
// 150 x 150 pixels of the view surface and the window, framed in white.
void julia(App& app);

}  // namespace vantrel
