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

#include <cmath>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

// The palette step trunc(256 index) of tiaoutside: index = sum2 + (sum - sum2) fx,
// with the averages sum = s / n and sum2 = s2 / (n - 1) (sum where n is 1), and fx
// = (il lptia + 1) - il ln ln sqrt(size), at least 0. NaN where it is not sure.
HWY_INLINE V tiastep(D d, const Frame& f, V size, V n, V s, V s2, const V* largest) {
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
    V margin = hn::IfThenZeroElse(
        clamped, hn::Add(hn::Mul(hn::Set(d, 256.0), hn::Mul(hn::Abs(spread), hair)),
                         hn::Mul(hn::Set(d, 0x1p-44), hn::Add(hn::Set(d, 256.0), hn::Abs(w)))));
    if (largest) {
        // Rough sums, of n terms of at most L in size, each off by at most 2^-45 L,
        // and whose additions' roundings drift apart by up to 2^-52 i L at the i-th:
        // each average errs by at most L (2^-44 + n 2^-51), and w = 256 (sum2 (1 -
        // fx) + sum fx) by 256 (1 + 2 |fx|) times that.
        const V drift = hn::Mul(*largest, hn::MulAdd(n, hn::Set(d, 0x1p-51), hn::Set(d, 0x1p-44)));
        margin = hn::MulAdd(hn::Mul(hn::Set(d, 256.0), drift),
                            hn::MulAdd(hn::Abs(fx), hn::Set(d, 2.0), one), margin);
    }
    const M sure = hn::And(
        hn::And(fine, hn::Ge(n, one)),
        hn::And(hn::And(hn::Or(clamped, hn::Gt(fx, hair)), hn::Lt(hn::Abs(w), hn::Set(d, 0x1p30))),
                hn::Gt(hn::Abs(hn::Sub(w, hn::Round(w))), margin)));
    return hn::IfThenElse(sure, hn::Trunc(w), nan);
}

void TiaSteps(const Frame& f, const double* size, const double* n, const double* sum,
              const double* sum2, int count, double* steps, const double* largest) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const V most = largest ? hn::LoadU(d, largest + k) : hn::Zero(d);
        hn::StoreU(tiastep(d, f, hn::LoadU(d, size + k), hn::LoadU(d, n + k), hn::LoadU(d, sum + k),
                           hn::LoadU(d, sum2 + k), largest ? &most : nullptr),
                   d, steps + k);
    }
    if (k == count) return;
    // The last lanes past the end see ones: no NaN, no trap.
    HWY_ALIGN double part[5][maxlanes], out[maxlanes];
    for (int l = 0; l < lanes; ++l) {
        const bool in = k + l < count;
        part[0][l] = in ? size[k + l] : 1.0;
        part[1][l] = in ? n[k + l] : 1.0;
        part[2][l] = in ? sum[k + l] : 1.0;
        part[3][l] = in ? sum2[k + l] : 1.0;
        part[4][l] = in && largest ? largest[k + l] : 1.0;
    }
    const V most = hn::Load(d, part[4]);
    hn::Store(tiastep(d, f, hn::Load(d, part[0]), hn::Load(d, part[1]), hn::Load(d, part[2]),
                      hn::Load(d, part[3]), largest ? &most : nullptr),
              d, out);
    for (int l = 0; k + l < count; ++l) steps[k + l] = out[l];
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(TiaSteps);

bool blendstia(const Frame& f) {
    return f.outside == outside::tia || f.outside == outside::smoothingtia ||
           f.outside == outside::potentialtia;
}

bool roughtiasums(const Frame& f) {
    const double far = 1e10;
    const auto near = [far](double v) { return std::abs(v) <= far; };
    return blendstia(f) && f.inside != inside::tia && !f.okinvert && f.maxsize <= 1e8 &&
           near(f.xmin) && near(f.xmin + f.xside) && near(f.ymin) && near(f.ymin + f.yside) &&
           near(f.jcx) && near(f.jcy);
}

void tiasteps(const Frame& f, const double* size, const double* n, const double* sum,
              const double* sum2, int count, double* steps, const double* largest) {
    HWY_DYNAMIC_DISPATCH(TiaSteps)(f, size, n, sum, sum2, count, steps, largest);
}

}  // namespace vantrel
#endif
