#pragma once

#include "platform/rect.h"
#include "platform/surface.h"
#include "state/app.h"

namespace vantrel {

// Traces the orbit of z^2 + c from 0 for the c of the clicked pixel (mx, my),
// client coordinates, over the clean picture in g_ohdc: yellow crosses, joined by
// red lines when oklines is set, each shown on the window (through the host)
// before the next is computed. The trace stays in the view surface.
void draworbits(App& app, int mx, int my);

// A plus of five pixels around (x, y) in color c, each only where it lies inside
// test. Returns how many pixels were set.
int DrawDot(Surface& hdc, int x, int y, Rect test, Rgb c);

}  // namespace vantrel
