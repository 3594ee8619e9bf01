#pragma once

#include "state/app.h"

namespace vantrel {

// One row of the image being drawn, by the renderer that draws it: Equipotential
// Lines and Escher-Julia mode have renderers of their own (the equipotential lines
// win when both are chosen), every other image is a row of fractaldriver.
int renderstep(App& app);

}  // namespace vantrel
