#pragma once

#include "state/app.h"

namespace vantrel {

// What every renderer of a whole image does with the view surface and the window,
// one row at a time.

// Before the first row: the view surface takes the image's size, the window is
// cleared black with the part the image covers in `background`, the surface all
// in `background`, and the window is shown.
void beginimage(App& app, Rgb background);

// Row j of the view surface is finished: its visible part goes to the window.
void showrow(App& app, int j);

// After the last row: the cursor the image replaced comes back and the pointer
// moves to (100, 100).
void endimage(App& app, Cursor cursor);

}  // namespace vantrel
