#pragma once

#include "render/angles.h"
#include "state/app.h"

namespace vantrel {

// External rays and angles. Everything here iterates z^2 + c whatever the exponent
// of the renderer is: the rays and angles are those of the quadratic family.

// Draws the external ray of angle N/D (in turns) into the view surface g_vhdc with
// the pen (rray, gray, bray), traced inward by Newton's method: type 0 a ray of the
// Mandelbrot set, type 1 of the Julia set of c = (a, b). Reads maxiter and the view
// of the image now in g_vhdc (xmin, ymax, xside, yside, xres, yres). Copies nothing
// to the window; the caller shows the surface when all its rays are drawn.
// Returns 1 without drawing when N/D is not an angle in [0, 1), else 0.
int NewtonRay(App& app, int type, int N, int D, double a, double b);

// Moves (*x, *y) by Newton's method until its n-th iterate lands on the point of
// log-modulus rlog and argument ilog (radians) of the potential's level curve.
// 0 success, 1 orbit or derivative overflow, 2 vanishing derivative, -1 step too long.
int RayNewton(int type, int n, double a, double b, double* x, double* y, double rlog, double ilog);

}  // namespace vantrel
