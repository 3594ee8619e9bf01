#pragma once

#include "state/app.h"

namespace vantrel {

// Home views of both set types, from the current state.
void seedhistory(State& s);
// Appends a view (with the current iteration limit, escape limit, constant and
// colorings, and the deep view when the current view is one) to the history of
// the current set type; a full history drops it.
void pushview(State& s, double xmin, double xmax, double ymin, double ymax);
// The history of the current set type shrinks to its home view and the current view.
void resetentries(State& s);
// The working view xmin..ymax from the current view of the set type being drawn,
// and back.
void takecurrentview(State& s);
void storecurrentview(State& s);
// Makes the current history entry the current view and shows the history text.
void LoadParams(App& app);
// "      current M-set: 3 / 7" in status part 1, and on a deep view its depth,
// the home view's width over the view's ("      zoom 3.1e+87").

void showhistory(App& app);

}  // namespace vantrel
