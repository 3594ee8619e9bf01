#include "scenes.h"

namespace vantrel::bench {

std::vector<Scene> scenes() {
    const double dx = -2.25, dX = 0.75, dy = -1.5, dY = 1.5;
    return {
        {"default 600x600", 600, 600, dx, dX, dy, dY, 256, 1, 0, 20, 25},
        {"default 1920x1080", 1920, 1080, dx, dX, dy, dY, 256, 1, 0, 3, 25},
        {"heavy: x -0.76..-0.74, y 0.10..0.12, maxiter 16384", 600, 600, -0.76, -0.74, 0.10, 0.12,
         16384, 1, 0, 1, 25},
        {"boundary 4e-4 wide near -0.7452+0.1130i, maxiter 16384", 600, 600, -0.7454, -0.7450,
         0.1128, 0.1132, 16384, 1, 0, 1, 0},
        {"default 2400x2400", 2400, 2400, dx, dX, dy, dY, 256, 1, 0, 2, 15},
        {"smoothing (outside 2)", 600, 600, dx, dX, dy, dY, 256, 2, 0, 5, 10},
        {"continuous potential (outside 3)", 600, 600, dx, dX, dy, dY, 256, 3, 0, 5, 10},
        {"decomposition (outside 5, inside BOF 34)", 600, 600, dx, dX, dy, dY, 256, 5, 3, 5, 10},
        {"TIA (outside 9)", 600, 600, dx, dX, dy, dY, 256, 9, 0, 3, 10},
        {"distance estimator (outside 18)", 600, 600, dx, dX, dy, dY, 256, 18, 0, 3, 10},
        {"field lines (outside 8)", 600, 600, dx, dX, dy, dY, 256, 8, 0, 2, 10},
        {"Height Field (method 0, smoothing)", 600, 600, dx, dX, dy, dY, 256, 2, 0, 5, 10, 0},
    };
}

void apply(const Scene& scene, State& s) {
    s.xres = scene.xres;
    s.yres = scene.yres;
    s.mxmin = scene.xmin;
    s.mxmax = scene.xmax;
    s.mymin = scene.ymin;
    s.mymax = scene.ymax;
    s.maxiter = scene.maxiter;
    s.outside = scene.outside;
    s.inside = scene.inside;
    s.method = scene.method;
}

}  // namespace vantrel::bench
