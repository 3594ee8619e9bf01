// Highway's per-target compilation needs these first and in this order.
// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/tialanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>
#include "render/lanetypes-inl.h"
// clang-format on

#include "render/tialanes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

// The palette step trunc(256 index) of tiaoutside: index = sum2 + (sum - sum2) fx,
// with the averages sum = s / n and sum2 = s2 / (n - 1) (sum where n is 1), and fx
// = (il lptia + 1) - il ln ln sqrt(size), at least 0. NaN where it is not sure.
HWY_INLINE V tiastep(D d, const Frame& f, V size, V n, V s, V s2) {
    const V one = hn::Set(d, 1.0), zero = hn::Zero(d);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const V sum = hn::Div(s, n);
    const V sum2 = hn::IfThenElse(hn::Gt(n, one), hn::Div(s2, hn::Sub(n, one)), sum);
    // ln ln sqrt(size), where ln sqrt(size) is at least 1/16 (nearer 1 the outer
    // logarithm's error is no longer small beside its value) and finite.
    const V root = hn::Sqrt(size);
    const V inner = hn::Log(d, hn::IfThenElse(hn::Gt(root, zero), root, one));
    const M fine = hn::And(hn::Gt(inner, hn::Set(d, 0.0625)), hn::Lt(root, hn::Set(d, HUGE_VAL)));
    const V ll = hn::Log(d, hn::IfThenElse(fine, inner, one));
    // Highway's logarithm errs by a few units in the last place, the C library's by
    // one: their ln ln differ by some 2^-49 (1 + |ln ln|), well inside 2^-44 of it.
    // `hair` bounds how far fx then lies from the coloring's own.
    const V il = hn::Set(d, f.il), base = hn::Set(d, f.il * f.lptia + 1);
    V fx = hn::Sub(base, hn::Mul(il, ll));
    const V hair = hn::Mul(
        hn::Set(d, 0x1p-40),
        hn::Add(hn::Add(one, hn::Abs(base)), hn::Mul(hn::Abs(il), hn::Add(one, hn::Abs(ll)))));
    // Below 0 for sure: 0 as the coloring clamps it, and the step is exact.
    const M clamped = hn::Lt(fx, hn::Neg(hair));
    fx = hn::IfThenElse(clamped, zero, fx);
    const V spread = hn::Sub(sum, sum2);
    const V w = hn::Mul(hn::Add(sum2, hn::Mul(spread, fx)), hn::Set(d, 256.0));
    // Elsewhere w lies within 256 |spread| hair of the coloring's, give or take the
    // roundings of the blend.
    const V margin = hn::IfThenZeroElse(
        clamped, hn::Add(hn::Mul(hn::Set(d, 256.0), hn::Mul(hn::Abs(spread), hair)),
                         hn::Mul(hn::Set(d, 0x1p-44), hn::Add(hn::Set(d, 256.0), hn::Abs(w)))));
    const M sure = hn::And(
        hn::And(fine, hn::Ge(n, one)),
        hn::And(hn::And(hn::Or(clamped, hn::Gt(fx, hair)), hn::Lt(hn::Abs(w), hn::Set(d, 0x1p30))),
                hn::Gt(hn::Abs(hn::Sub(w, hn::Round(w))), margin)));
    return hn::IfThenElse(sure, hn::Trunc(w), nan);
}

void TiaLanes(const Frame& f, Orbit* orbits, int count) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    thread_local std::vector<int> picked;
    thread_local std::vector<double> size, n, sum, sum2, step;
    const std::size_t most = static_cast<std::size_t>(count) + lanes;
    for (auto* v : {&size, &n, &sum, &sum2, &step}) v->resize(most, 1.0);
    picked.clear();
    for (int i = 0; i < count; ++i) {
        Orbit& o = orbits[i];
        o.tiastep = std::numeric_limits<double>::quiet_NaN();
        if (!escaped(f, o)) continue;
        const std::size_t k = picked.size();
        size[k] = o.size;
        n[k] = o.n;
        sum[k] = o.sum;
        sum2[k] = o.sum2;
        picked.push_back(i);
    }
    const std::size_t m = picked.size();
    // The last vector reads past the orbits: values that make no NaN or trap.
    for (auto* v : {&size, &n, &sum, &sum2}) std::fill(v->begin() + m, v->begin() + m + lanes, 1.0);
    for (std::size_t k = 0; k < m; k += lanes)
        hn::StoreU(tiastep(d, f, hn::LoadU(d, &size[k]), hn::LoadU(d, &n[k]), hn::LoadU(d, &sum[k]),
                           hn::LoadU(d, &sum2[k])),
                   d, &step[k]);
    for (std::size_t k = 0; k < m; ++k) orbits[picked[k]].tiastep = step[k];
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(TiaLanes);

bool blendstia(const Frame& f) {
    return f.outside == outside::tia || f.outside == outside::smoothingtia ||
           f.outside == outside::potentialtia;
}

void tialanes(const Frame& f, Orbit* orbits, int count) {
    HWY_DYNAMIC_DISPATCH(TiaLanes)(f, orbits, count);
}

}  // namespace vantrel
#endif
