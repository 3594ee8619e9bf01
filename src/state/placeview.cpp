#include "state/placeview.h"

#include <utility>

#include "state/history.h"

namespace vantrel {

const char* deepmoderefusal(const State& s) {
    if (s.okinvert) return "inversion in the unit circle cannot be drawn at this depth";
    if (s.okescher) return "Escher-Julia mode cannot be drawn at this depth";
    if (s.outside == outside::equipotentiallines)
        return "Equipotential Lines cannot be drawn at this depth";
    return nullptr;
}

const char* deeprefusal(const State& s, const BigFloat& width) {
    // The distance estimator's derivative grows as 1 / pixel spacing and leaves the
    // range of doubles past 1e-306.
    BigFloat spacing(64);
    mpfr_div_ui(spacing.get(), width.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    if (mpfr_cmp_d(spacing.get(), 1e-306) < 0 && distanceestimate(s.outside, s.inside))
        return "the Distance Estimator cannot be drawn at this depth";
    return deepmoderefusal(s);
}

const char* placeview(State& s, DeepView v) {
    const bool deep = needsdeep(v.re, v.im, v.width, s.xres);
    if (deep) {
        if (const char* why = deeprefusal(s, v.width)) return why;
    }
    const DoubleView d = doubleview(v.re, v.im, v.width, s.xres, s.yres);
    s.xmin = d.xmin;
    s.xmax = d.xmax;
    s.ymin = d.ymin;
    s.ymax = d.ymax;
    storecurrentview(s);
    if (deep) {
        v.on = true;
        v.ftype = s.ftype;
        s.deep = std::move(v);
    } else if (s.deep.ftype == s.ftype) {
        s.deep.on = false;
    }
    return nullptr;
}

}  // namespace vantrel
