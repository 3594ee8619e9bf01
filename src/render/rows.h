#pragma once

#include "platform/surface.h"
#include "render/frame.h"

namespace vantrel {

// Computes row j of the image into out[0 .. xres): in vector lanes where the frame
// allows it and the colorings' per-step work has a lane version, else with the
// scalar loop. Both give the same pixels. With anti-aliasing each pixel is the
// average of the frame's aa x aa samples, the row computed once per sample. Returns the iterations
// its orbits made (the steps that decided each pixel, not the extra ones a coloring may take
// afterwards).
long long renderrow(const Frame& f, int j, Rgb* out);

// Rows j .. j + rows as renderrow computes them, into out[k] with their iterations
// in steps[k]: at once where that is faster. The orbits of a row end at different
// steps, and its last long ones leave most lanes idle while they run on; taken
// together with the next rows' orbits, they do not.
void renderrows(const Frame& f, int j, int rows, Rgb* const* out, long long* steps);

// How many rows renderrows is best given at once for the frame's image: maxband at
// most.
constexpr int maxband = 16;
int bandrows(const Frame& f);

// An anti-aliased pixel: the channels of its samples summed, then each divided by
// the number of samples and rounded half up.
struct SampleSum {
    unsigned red = 0, green = 0, blue = 0;
    void add(int r, int g, int b) {
        red += static_cast<unsigned>(r);
        green += static_cast<unsigned>(g);
        blue += static_cast<unsigned>(b);
    }
    // floor(sum / count + 1/2) = floor((2 sum + count) / (2 count)).
    Rgb average(unsigned count) const {
        const auto channel = [&](unsigned sum) {
            return static_cast<int>((2 * sum + count) / (2 * count));
        };
        return rgb(channel(red), channel(green), channel(blue));
    }
};

}  // namespace vantrel
