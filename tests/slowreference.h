#pragma once

#include <chrono>

#include "state/app.h"
#include "state/bigfloat.h"

namespace vantrel {

// A deep view whose reference orbit takes a while: the orbit of 0 under the
// Misiurewicz point i never escapes, so every one of its 300000 steps is made. Rows
// are waited for a millisecond at most, and the orbit's progress shows at once.
inline void slowreferenceview(App& app) {
    State& s = app.s;
    s.maxiter = 300000;
    s.deep.on = true;
    s.deep.ftype = s.ftype;
    parsebig("0", &s.deep.re);
    parsebig("1", &s.deep.im);
    parsebig("1e-40", &s.deep.width);
    app.driver.rowbudget = std::chrono::milliseconds(1);
    app.driver.progressdelay = std::chrono::milliseconds(0);
}

}  // namespace vantrel
