#pragma once

#include "state/app.h"

namespace vantrel {

// Draws row j of the current image into the view surface and the window, setting
// the image up first when j is 0 and completing it after the last row.
int fractaldriver(App& app);

}  // namespace vantrel
