#pragma once

#include <optional>

#include "platform/surface.h"
#include "render/escape.h"
#include "render/frame.h"

namespace vantrel {

// The orbit of pixel (i, row r) of a deep image, perturbed in doubles from the
// frame's reference orbits, with everything the colorings read: the full value
// Z_m + z at the last two steps, the step count, the per-step sums, and the
// derivative of the full orbit (as the distance estimator takes it).
Orbit perturbpixel(const Frame& f, int i, int r);

// Whether the image's pixels take the wide approximations: colors from the step
// counts alone, z^2 + c, offsets within doubles, and tables that have them.
bool widetaken(const Frame& f);

// The orbit of pixel (i, row r) with the wide approximations of the image's tables
// (where widetaken), or none where they leave its escape in doubt.
std::optional<Orbit> wideorbit(const Frame& f, int i, int r);

// The orbit of pixel (i, row r) without the wide approximations: the one a pixel
// whose escape they leave in doubt takes.
Orbit narrowpixel(const Frame& f, int i, int r);

// Where pixel (i, row r) of a deep image starts: its orbit as the colorings first
// see it (the accumulators reset), its offset z from the first reference and its dc.
struct DeepStart {
    Orbit o;
    COMPLEX z, dc;
};
DeepStart deepstart(const Frame& f, int i, int r);

// Row j of a deep image into out[0 .. xres); returns the iterations its orbits made.
long long perturbrow(const Frame& f, int j, Rgb* out);

}  // namespace vantrel
