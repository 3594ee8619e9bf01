#pragma once

#include <atomic>
#include <memory>
#include <stop_token>
#include <vector>

#include "render/complex.h"
#include "render/frame.h"
#include "state/deepview.h"

namespace vantrel {

// Where a reference orbit starts and the bits it is computed with: a view's centre,
// rounded to those bits.
struct ReferencePoint {
    BigFloat re, im;
    long bits = 0;
};

// The reference point of view `v` on images xres wide. The bits are those the view
// needs and at least 32 more, rounded up to a whole 64-bit word: MPFR computes in
// whole words, so the rest of the last one costs nothing, and the same orbit then
// serves the views of 32 or more zooms by 2 into its own.
ReferencePoint referencepoint(const DeepView& v, int xres);

// True when an orbit from `p` can be the reference of the images of `v`: its bits
// are at least those `v` needs, and the point lies within the view grown by half
// its width and height on every side. Every pixel is then at most about 1.6
// widths from the reference, so the offsets stay of the size a centred reference
// gives them (the approximations' reach shrinks with the largest offset), and the
// orbit still follows the neighbourhood of the view; pixels stay exact wherever
// the reference is, since a pixel whose offset grows rebases.
bool reaches(const ReferencePoint& p, const DeepView& v, int xres, int yres);

// How far the reference orbits of an image have come: steps made, of the steps
// they may take (an orbit that escapes early counts its remaining steps as made).
struct DeepProgress {
    std::atomic<long long> done{0}, total{0};
};

// The reference orbits of an image, computed once and shared by the images of
// the nearby views that they reach (same set type, exponent, constant and limits).
struct DeepReference {
    ReferencePoint at;
    int ftype = settype::mandelbrot, exponent = 2, maxiter = 0;
    double maxsize = 0, jcx = 0, jcy = 0;
    // The orbits in doubles, each up to the step where it left the escape bound or
    // reached maxiter. `first` is the orbit of the reference point (the orbit of 0
    // under it for the Mandelbrot set, the orbit of the point under c for a Julia
    // set); `second` is the orbit of 0 under c that a Julia pixel continues on after
    // rebasing (for the Mandelbrot set it is `first` again).
    std::vector<COMPLEX> first, second;
};

// The steps the reference orbits of an image of `f` from `p` may take.
long long referencesteps(const ReferencePoint& p, const Frame& f,
                         const DeepReference* earlier = nullptr);

// The reference orbits of the image of `f` from point `p`; null when `stop` was
// requested on the way. Counts its steps into `progress` where one is given. A
// Julia set's second orbit, the same for every view, is taken over from `earlier`
// where that was computed for the same map at the same bits.
std::shared_ptr<const DeepReference> makereference(const ReferencePoint& p, const Frame& f,
                                                   const DeepReference* earlier,
                                                   std::stop_token stop,
                                                   DeepProgress* progress = nullptr);

// True when `r` serves the image of view `v` and frame `f`.
bool serves(const DeepReference& r, const DeepView& v, const Frame& f);

}  // namespace vantrel
