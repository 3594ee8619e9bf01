#pragma once

#include "render/frame.h"
#include "render/lanes.h"

// Vector twins of the colorings' real-valued steps, for rows handed back as ends
// (laneends): each gives bounds that the coloring's own value lies between, so that
// the row settles most pixels from them and leaves the others to the coloring.
namespace vantrel {

// Bounds on the distance estimates 2 ln(size) size / sqrt(dx^2 + dy^2) of the
// escaped pixels of the distance range pass's row at rowy, worked out in vector
// lanes: their logarithm and root are not the C library's, so the lanes give lo[i] <= hi[i] that
// the estimate the pass makes (its products in either order) lies between, a relative 2^-44 apart.
// Both are NaN where that is not sure to be a positive finite number (a size near 1, where the
// logarithm's relative error grows, or an estimate or derivative outside the
// doubles' normal range), and for the pixels that give the pass no estimate from
// their ends: those that did not escape, that overflowed, or (a Julia set) whose
// start is already past the limit, where the pass makes no step. Returns the
// largest lo, 0 where there is none.
double rangebounds(const Frame& f, const LaneEnds& ends, double rowy, double* lo, double* hi);

// The palette entries of the outside distance estimator (distanceentry) for the
// ends of a row's orbits, worked out in vector lanes from the bounds above: entry[i]
// is pixel i's entry where bounds as rangebounds makes them settle it, NaN where the coloring must
// work it out, and -1 where the orbit did not escape.
void distanceentries(const Frame& f, const LaneEnds& ends, double* entry);

// Smoothing's colors (with a solid inside; grey under Height Field) of a row's
// escaped orbits, as pixelcolor would give them, where the lanes settle them:
// color[i] holds the color's value, NaN where the coloring must work it out (also
// for orbits that did not escape).
void smoothingcolors(const Frame& f, const LaneEnds& ends, double* color);

}  // namespace vantrel
