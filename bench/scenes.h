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
    int outside = outside::levelsets, inside = inside::solidcolor;
    int repeats = 3;    // heavy scenes are timed fewer times
    double target = 0;  // the speed-up over the plain loop this scene must reach on all cores
    int method = coloringmethod::image;
};

std::vector<Scene> scenes();

// Puts the scene into a fresh state (over its start values).
void apply(const Scene& scene, State& s);

}  // namespace vantrel::bench
