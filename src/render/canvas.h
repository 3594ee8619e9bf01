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

// Before the first row of an image whose preview is on the window (a view moved by
// the wheel, a drag or a key): the preview stays in the view surface and the window
// until the rows replace it, also where the distance estimator's range pass has
// just shown its own picture.
void keepimage(App& app);

// After the last row: the cursor the image replaced comes back, and the pointer
// moves aside to (100, 100) unless it is to stay where the user zooms or pans.
enum class Pointer { aside, stays };
void endimage(App& app, Cursor cursor, Pointer pointer = Pointer::aside);

}  // namespace vantrel
