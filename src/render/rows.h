#pragma once

#include "platform/surface.h"
#include "render/frame.h"

namespace vantrel {

// Computes row j of the image into out[0 .. xres): in vector lanes where the frame
// allows it and the colorings' per-step work has a lane version, else with the
// scalar loop. Both give the same pixels. Returns the iterations its orbits made
// (the steps that decided each pixel, not the extra ones a coloring may take
// afterwards).
long long renderrow(const Frame& f, int j, Rgb* out);

}  // namespace vantrel
