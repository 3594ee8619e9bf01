#pragma once

#include "render/escape.h"
#include "render/frame.h"

namespace vantrel {

// The orbits of row r of a deep image, perturbed in vector lanes: orbits[0 .. xres)
// end with the very n, z, iterate before z and size that perturbpixel gives, bit for
// bit, and the rest as it starts them. Returns false, touching nothing, where the
// lanes do not take the image: colorings that watch single steps or take the
// derivative, and offsets past the range of doubles.
bool perturblanes(const Frame& f, int r, Orbit* orbits);

}  // namespace vantrel
