#pragma once

#include <string>
#include <vector>

#include "state/state.h"

namespace vantrel::bench {

// A fixed image: a name and the state changes that make it.
struct Scene {
    std::string name;
    int xres, yres;
    double xmin, xmax, ymin, ymax;
    int maxiter;
    int outside = 1, inside = 0;
    int repeats = 3;     // heavy scenes are timed fewer times
    double target = 0;   // the speed-up over the plain loop this scene must reach on all cores
    int method = 1;      // 0: Height Field
};

std::vector<Scene> scenes();

// Puts the scene into a fresh state (over its start values).
void apply(const Scene& scene, State& s);

}  // namespace vantrel::bench
