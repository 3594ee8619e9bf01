#include "scenes.h"

namespace vantrel::bench {

std::vector<Scene> scenes() {
    return {
        {"default 600x600", 600, 600, -2.25, 0.75, -1.5, 1.5, 256, 20},
        {"boundary 4e-4 wide, maxiter 16384", 600, 600, -0.7454, -0.7450, 0.1128, 0.1132, 16384, 1},
        {"default 2400x2400", 2400, 2400, -2.25, 0.75, -1.5, 1.5, 256, 3},
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
}

}  // namespace vantrel::bench
