#pragma once

#include "state/app.h"

namespace vantrel {

// The first image: the outline of the set, then nine equipotential curves of
// growing iteration limit over it, and at start-up the rays and a color image.
// One row per call: row j of level app.firstimg.k; the call that draws a level's last row
// runs the level's end and, after the last level, the pass's end (okfirstimage,
// okfractal cleared; okzoom set; okjulia set for a Mandelbrot image). Returns 0.
// Outside method 4 ("Equipotential Lines") is drawn here, levels 0 to 9 only.
int firstimage(App& app);

// 1 when one of the four neighbours of c (a Mandelbrot parameter) escapes |z| > 16
// within nmax iterations of z^2 + c from 0, else 0. The neighbours lie a little
// less than one pixel of the view xmin..ymax away.
int boundary(const State& s, double cx, double cy, int nmax);

// The same test for the Julia set of (jcx, jcy): the neighbours of the start
// point z are iterated.
int boundaryj(const State& s, double zx, double zy, int nmax);

}  // namespace vantrel
