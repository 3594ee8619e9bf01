#pragma once

#include "state/app.h"

namespace vantrel {

// One row of the image being drawn, by the renderer that draws it: Equipotential
// Lines and Escher-Julia mode have renderers of their own (the equipotential lines
// win when both are chosen), every other image is a row of fractaldriver.
int renderstep(App& app);

// True when fractaldriver draws the image, each row finished on its own; the
// other renderers draw the whole image in passes over the view surface.
bool drawnbyrows(const State& s);

}  // namespace vantrel
