#pragma once

namespace vantrel::bench {

// Deep views (about 1e-50 and 1e-100 wide) through the perturbation engine on all
// cores, against direct MPFR evaluation of the same pixels in the same run. Only
// the scenes whose names contain `only` (all when null). Returns the number of
// pixels on which the two disagree where MPFR itself is settled.
int deepbench(const char* only);

// A sequence of zooms by 2 and pans by a quarter from a view 1e-100 wide, drawn
// through the driver with fresh reference orbits for every image and with the
// orbits reused where they reach; prints both times.
void zoombench(const char* only);

}  // namespace vantrel::bench
