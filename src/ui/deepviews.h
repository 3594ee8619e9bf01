#pragma once

// The moves of the view (box, wheel, pan) in the precision the view needs: in
// doubles while they hold both the view and the next one, in BigFloat past that.

#include <functional>
#include <string>

#include "state/app.h"
#include "ui/navigate.h"

namespace vantrel {

// The current view of the set type drawn as a centre and width: the deep view,
// or the view in doubles exactly.
DeepView viewasdeep(const State& s);

// The view of the pixel box (left, top, right, bottom inclusive) of the current
// view: centred on the box, wide enough to show all of it.
DeepView boxview(const State& s, const Rect& box);
// The view after zooming by f around pixel (i, r) of the current view, and after
// moving its picture by (dx, dy) pixels: as wheelview and panview do in doubles.
DeepView deepwheelview(const State& s, int i, int r, double f);
DeepView deeppanview(const State& s, int dx, int dy);

// Makes the view after a move current: `doubles` while doubles hold it and the
// view it comes from, else `deep()`, rounded to its precision. False, with the
// message shown and nothing changed, when the view cannot be drawn.
bool moveto(App& app, const View& doubles, const std::function<DeepView()>& deep);

// The plane point of pixel (x, y) rounded to doubles.
void pointdoubles(const State& s, int x, int y, double* re, double* im);

// Decimals that tell the pixels of a view in doubles apart: six, more when
// they are closer than a millionth.
int pointdecimals(const State& s);
// The plane point of pixel (x, y) of the deep view in full precision, with enough
// decimals to tell it from its neighbours: "      x:  ...      y:  ...".
std::string pointtext(const State& s, int x, int y, const char* xname, const char* yname);

}  // namespace vantrel
