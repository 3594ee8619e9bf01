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
    int repeats;  // heavy scenes are timed once or twice
};

std::vector<Scene> scenes();

// Puts the scene into a fresh state (over its start values).
void apply(const Scene& scene, State& s);

}  // namespace vantrel::bench
