#pragma once

#include <memory>

#include "state/app.h"

namespace vantrel {

struct DeepImage;

// Everything a pixel of the current image depends on, taken from the state before a
// row is drawn. Pixels read it and nothing else, so any row can be computed anywhere.
struct Frame {
    int ftype = settype::mandelbrot;
    double xmin = 0, ymin = 0, xside = 0, yside = 0;
    int xres = 0, yres = 0;
    double jcx = 0, jcy = 0;
    int maxiter = 0;
    double maxsize = 0;
    int exponent = 2;
    int outside = outside::solidcolor, inside = inside::solidcolor, method = coloringmethod::image,
        tiaflag = tiaalgorithm::kx, okinvert = 0;
    int rin = 0, gin = 0, bin = 0, rout = 0, gout = 0, bout = 0;
    double bailout = 0, slope = 0;
    int period = 0, mapping = fieldmapping::radial, demscale = 0;
    double factor = 0, il = 0, lpsm = 0, lptia = 0, delta = 0, distmaxout = 0, distmaxin = 0;
    Palette palette{};
    // Iterate in vector lanes where the coloring allows it (same pixels either way).
    int simd = 1;
    // Anti-aliasing: each pixel the average of aa x aa samples; the rows are computed
    // once per sample, at the points of sample (samplea, sampleb) of every pixel.
    int aa = 1, samplea = 0, sampleb = 0;
    // A deep view's reference orbits and pixel offsets; its rows are perturbed from
    // them. Null for a view doubles hold.
    std::shared_ptr<const DeepImage> deep;

    bool operator==(const Frame&) const = default;
};

Frame makeframe(const App& app);

// Lanes on unless VANTREL_SIMD=0; an App's own `simd` setting of 0 or 1 overrides it.
bool defaultsimd();

}  // namespace vantrel
