#pragma once

#include <vector>

#include "render/escape.h"

namespace vantrel {

// What the lanes gather on the way besides the orbit's end: nothing, the closest
// approach (BOF), the stop near an axis (epsilon cross), one of the triangle
// inequality sums, or the derivative for the distance estimators. `estimate` is
// the distance range pass: it squares as (x + y)(x - y), 2xy and watches the
// derivative through the larger of its two components. `bofsettles` is BOF for a
// coloring that sees nothing of an orbit that never escapes but its closest
// approach: an orbit proven to stay on an attracting cycle that comes no closer ends
// there, as one that ran to maxiter with the closest approach it has (its last
// iterates are not kept).
enum class LaneWork { plain, bof, bofsettles, epsilon, tia0, tia1, tia2, derivative, estimate };

// Iterates `count` orbits, fresh from startpixel (or placed with accumulators reset),
// to their end in vector lanes: the very operations of the scalar loop, so every
// orbit ends with the same n, z, previous iterate, size and accumulators, bit for
// bit. The derivative arrives in Orbit::dx/dy/dover instead of a stored orbit (the
// same, but for the sign of a zero, which no size sees). For a coloring that blends
// the TIA averages, each orbit also gets the palette step that tiasteps gives, or
// NaN (Orbit::tiastep); in a row whose starts the lanes make, where roughtiasums
// allows, the sums are rough but for escaped orbits without a step.
// Returns false, touching nothing, where the lanes do not take this work (then the
// scalar loop does): only the plain loop runs them for exponents other than 2.
// With `rowy`, the orbits are the pixels 0 .. count of the row at *rowy and need no
// placing: the lanes start each as startpixel would (making the start themselves
// unless the frame inverts) and leave c and, for a Julia set, jzx and jzy with it.
// With InsideOrbits::marked (and a whole row at *rowy), the orbits of Mandelbrot
// points well inside the main cardioid or the disc of period 2 are not iterated,
// only marked as having run to maxiter (n = maxiter and size 0, nothing else set):
// for a coloring that sees nothing more of an orbit that never escaped.
enum class InsideOrbits { full, marked };
bool iteratelanes(const Frame& f, LaneWork work, Orbit* orbits, int count,
                  const double* rowy = nullptr, InsideOrbits inside = InsideOrbits::full);

// How an orbit ended, for a coloring that sees nothing else: its steps, and whether
// it escaped (else it ran to maxiter).
struct LaneCount {
    int n = 0;
    bool escaped = false;
};

// The plain orbits of the rows at rowys[0 .. rows) (pixels 0 .. xres of each,
// started as startpixel would) to their end in vector lanes, leaving only how each
// ended: counts[r * xres + i] gets the n iteratelanes would leave in the orbit of
// pixel i of row r, and whether it escaped. An orbit that is proven never to escape
// is not stepped on to maxiter: one that comes back bit for bit to an earlier
// iterate, or (z^2 + c) one drawn into an attracting cycle; one of a Mandelbrot
// point well inside the main cardioid or the disc of period 2 is not stepped at
// all. They end with n = maxiter all the same. The rows of a band are run as one
// list of orbits. Returns false, touching nothing, for an inverted frame and where
// no orbit makes a step.
bool lanecounts(const Frame& f, const double* rowys, int rows, LaneCount* counts);

// How the orbits of a row ended, for the colorings that see little of them: by
// pixel, the steps (a whole number), the size and Im z; the derivative and whether
// it passed the overflow limit on the way (1, else 0); BOF's smallest size and the
// step that made it.
struct LaneEnds {
    std::vector<double> n, size, zy, dx, dy, overflowed, least, leaststep;
};

// The orbits of the row at rowy (pixels 0 .. xres, started as startpixel would)
// to their end in vector lanes, plain (LaneWork::plain), with the derivative
// (LaneWork::derivative or LaneWork::estimate) or with BOF's closest approach
// (LaneWork::bof or LaneWork::bofsettles), leaving in ends[0 .. xres) what
// iteratelanes would leave in the orbits' n, size and z.y, and as the work gathers
// in dx, dy and dover or in infsize and ninfsize (the other fields stay as they
// were); orbits that `inside` marks (not with BOF's work) end with n = maxiter,
// size 0 and no derivative. Returns false, touching nothing, for an inverted frame,
// another exponent than 2 and where no orbit makes a step.
bool laneends(const Frame& f, LaneWork work, double rowy, InsideOrbits inside, LaneEnds& ends);

// The instruction set the lanes run on here ("AVX3", "AVX2", ...).
const char* lanetarget();

}  // namespace vantrel
