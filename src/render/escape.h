#pragma once

#include <limits>

#include "platform/surface.h"
#include "render/complex.h"
#include "render/frame.h"

namespace vantrel {

// Where an orbit's external angle came from: nowhere yet (the coloring computes it
// from the pixel's point), the lanes (within angletolerance of the exact routine's,
// which settled the field line's palette entry), or the exact routine fed with the
// pixel's own orbit (a deep view's).
enum class AngleFrom : unsigned char { none, lanes, orbit };

// What the iteration of one pixel leaves behind for its coloring. A local of the
// pixel: nothing of it is ever shared.
struct Orbit {
    COMPLEX c{};              // the parameter (the constant for a Julia set)
    COMPLEX z{};              // the last iterate
    double x = 0, y = 0;      // the iterate before it
    double size = 0;          // |z|, or |z|^2 with the squared TIA variants
    int n = 0;                // steps made
    double jzx = 0, jzy = 0;  // a Julia pixel's own point, before any inversion

    // What the colorings that watch the whole orbit gather on the way.
    double sum = 0, sum2 = 0, csize = 0;  // triangle inequality average
    // The TIA coloring's palette step, where the vector lanes worked it out as they
    // handed the orbit back (tialanes.h); NaN where not. Beside the sums that make it.
    double tiastep = std::numeric_limits<double>::quiet_NaN();
    double sx = 1e10, sy = 0, sz = 0;      // species of origin: the closest point
    double min_dist = 1e30, distance = 0;  // cardioid trap
    int trapped = 0;
    double zyn = 0;                    // band decomposition: Im z_6
    double infsize = 0, ninfsize = 0;  // BOF: smallest size and its step
    // Distance estimator: z_0 = 0, z_1 .. z_n of this orbit, in the row's scratch;
    // or, from the vector lanes, the derivative itself and whether it passed the
    // overflow limit on the way.
    const COMPLEX* orbit = nullptr;
    double dx = 0, dy = 0;
    bool dover = false;
    bool lanederivative = false;
    // Field lines: the external angle, where it is known before the coloring, and
    // the palette entry it gives, where the lanes settled that.
    double angle = 0;
    int lineentry = 0;
    AngleFrom anglefrom = AngleFrom::none;
};

// The real coordinate of column i of the frame's sample: x = xmin + (i + (2a + 1) /
// (2N) - 1/2) * (xmax - xmin) / (xres - 1) for sample a of N, which is the grid's
// xmin + i * (xmax - xmin) / (xres - 1) itself for one sample a pixel.
inline double columnx(const Frame& f, int i) {
    const double column = i + (2 * f.samplea + 1) / (2.0 * f.aa) - 0.5;
    return column * f.xside / (f.xres - 1) + f.xmin;
}

// The imaginary coordinate of row j (row 0 is ymax) of the frame's sample: y = ymin
// + (yres - 1 - j - (2b + 1) / (2N) + 1/2) * (ymax - ymin) / (yres - 1).
inline double rowy(const Frame& f, int j) {
    const double row = f.yres - 1 - j - (2 * f.sampleb + 1) / (2.0 * f.aa) + 0.5;
    return row * f.yside / (f.yres - 1) + f.ymin;
}

// Puts the accumulators of the per-step colorings to their start values, for an
// orbit whose parameter c is already placed.
void resetaccumulators(const Frame& f, Orbit& o);

// The starting orbit of column i of the row at ystart, accumulators reset.
Orbit startpixel(const Frame& f, int i, double ystart);

// Only the pixel's point and the start of its orbit, in the core fields of o; what
// the accumulators hold stays as it was.
void placepixel(const Frame& f, int i, double ystart, Orbit& o);

// What the frame's colorings have the loop do after every step: one outside family
// of work (the TIA sums in the variant of `tiaflag`, Integer TIA, Species of Origin,
// Cardioid, or Peitgen's Im z_6), one inside watch (BOF's closest approach, or the
// epsilon cross's stop), and whether the orbit is kept for a distance estimator.
enum class Steps { none, peitgen, tia0, tia1, tia2, inttia, species, cardioid };
enum class Watch { none, bof, epsilon };
constexpr int stepkinds = 8, watchkinds = 3;
static_assert(static_cast<int>(Steps::cardioid) + 1 == stepkinds &&
              static_cast<int>(Watch::epsilon) + 1 == watchkinds);
struct StepWork {
    Steps steps = Steps::none;
    Watch watch = Watch::none;
    bool store = false;    // the orbit is kept for a distance estimator
    bool squared = false;  // size is |z|^2
};
StepWork stepwork(const Frame& f);

// Iterates one orbit to its end with the per-step work the frame's colorings need.
// `scratch` holds maxiter + 1 points when a distance estimator is chosen: the orbit
// is left in it and o.orbit points at it (without one there is no estimate). It
// may be null for every other coloring.
void iterate(const Frame& f, Orbit& o, COMPLEX* scratch);

// Escaped means past the escape limit, and so does an iterate that overflowed to
// infinity or NaN: such an orbit left every bound, it is never part of the set.
inline bool escaped(const Frame& f, const Orbit& o) {
    return !(o.size <= f.maxsize);
}

// The color of a finished orbit, Height Field included.
Rgb pixelcolor(const Frame& f, const Orbit& o);

// Computes row j of the image into out[0 .. xres) with the scalar loop, one pixel
// after another: the reference every faster way of computing a row must equal.
// Returns the iterations its orbits made (the steps that decided each pixel, not the
// extra ones a coloring may take afterwards).
long long scalarrow(const Frame& f, int j, Rgb* out);

}  // namespace vantrel
