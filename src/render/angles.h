#pragma once

#include "render/escape.h"
#include "state/state.h"

namespace vantrel {

// External angles of the quadratic family, whatever the exponent of the renderer.

// The external angle in turns, in [0, 1): type 0 of the parameter c = (x, y) of the
// Mandelbrot set, type 1 of the point z = (x, y) of the Julia set of (jcx, jcy).
// 0.0 for a point whose orbit does not get far enough out. A pure function, so the
// renderers can call it from any row.
double externalangle(int type, double x, double y, double jcx, double jcy);
// The same where the first `count` values of the orbit from (x, y) are known better
// than doubles can iterate them (a deep view's perturbed orbit): known[j - 1] is the
// value after j steps; the steps after them are iterated in doubles, where the orbit
// has left the set far behind and rounding no longer matters.
double externalangle(int type, double x, double y, double jcx, double jcy, const COMPLEX* known,
                     int count);
// The same with the Julia constant of the program state.
double externalangle(const State& s, int type, double x, double y);

// The principal square root of x + iy, into *u + i*v.
void root(double x, double y, double* u, double* v);

// How far an angle from the lanes may lie from externalangle's own, in turns, where
// it is marked as theirs. Its errors are far below this.
constexpr double angletolerance = 1e-9;

// The external angles of the escaped orbits among `count`, in vector lanes, for the
// field lines: each escaped orbit gets its angle in Orbit::angle and its palette
// entry in Orbit::lineentry, from AngleFrom::lanes, where the entry is the same all
// over the angle's tolerance. Where a decision of the algorithm lay too close to
// call, the angle too close to a whole turn or the entry changes within the
// tolerance, the orbit is left AngleFrom::none and the exact routine must decide.
void externalangles(const Frame& f, Orbit* orbits, int count);

}  // namespace vantrel
