// The external angle of many points at once. Every step but the arc tangent is the
// exact routine's own operation; the arc tangent is a vector approximation whose
// error, a few units in the last place, is tracked by margins at every decision.

// Highway's per-target compilation needs these first and in this order.
// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/angles.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>
#include "render/lanetypes-inl.h"
// clang-format on

#include "render/angles.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/angles.h"

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

constexpr double twopi = 6.283185307179586;
// A decision on an arc tangent this close to its threshold is left to the exact
// routine; the approximation is off by less than 1e-15.
constexpr double margin = 1e-12;

// atan2(y, x) to within a few units in the last place; `sure` is cleared where both
// are zero or either is not finite, where atan2 has cases of its own.
HWY_INLINE V arctangent(D d, V y, V x, M& sure) {
    const V ax = hn::Abs(x), ay = hn::Abs(y);
    const M steep = hn::Gt(ay, ax);
    const V num = hn::IfThenElse(steep, ax, ay), den = hn::IfThenElse(steep, ay, ax);
    sure = hn::And(sure, hn::And(hn::Gt(den, hn::Zero(d)), hn::Lt(den, hn::Set(d, HUGE_VAL))));
    // The quotient is in [0, 1], where Atan is its polynomial alone: called without
    // Atan's own reduction, which would divide once more.
    V a = hn::impl::AtanImpl<double>().AtanPoly(
        d, hn::Div(num, hn::IfThenElse(sure, den, hn::Set(d, 1.0))));
    a = hn::IfThenElse(steep, hn::Sub(hn::Set(d, 1.5707963267948966), a), a);
    a = hn::IfThenElse(hn::Lt(x, hn::Zero(d)), hn::Sub(hn::Set(d, 3.141592653589793), a), a);
    return hn::CopySign(a, y);
}

HWY_INLINE M near(D d, V v, double at) {
    return hn::Lt(hn::Abs(hn::Sub(v, hn::Set(d, at))), hn::Set(d, margin));
}

// Up to a vector of points: (x, y) the start, (a, b) the constant, (X, Y) alpha.
HWY_INLINE void anglevector(D d, V x, V y, V a, V b, V X, V Y, V& angle, M& sure) {
    const V zero = hn::Zero(d);
    // A start this close to 0 has an angle of its own: left to the exact routine.
    const M started = hn::Not(hn::Lt(hn::Add(hn::Mul(x, x), hn::Mul(y, y)), hn::Set(d, 1e-12)));
    sure = started;
    V theta = arctangent(d, y, x, sure);
    V s = hn::Set(d, 1.0), r = zero;
    M going = hn::FirstN(d, hn::Lanes(d));  // still in the loop
    M zeroed = hn::FirstN(d, 0);            // left it through "r < 1e-12": the angle is 0
    const V half = hn::Set(d, 0.5), tiny = hn::Set(d, 1e-12), big = hn::Set(d, 1e18);
    const V tp = hn::Set(d, twopi), lim = hn::Set(d, 3.6);
    for (int j = 1; j <= 63 && !hn::AllFalse(d, going); ++j) {
        s = hn::Mul(s, half);
        r = hn::IfThenElse(going, hn::Add(hn::Mul(x, x), hn::Mul(y, y)), r);
        const M small = hn::And(going, hn::Lt(r, tiny));
        zeroed = hn::Or(zeroed, small);
        going = hn::AndNot(small, going);
        const V wx = hn::Sub(hn::Mul(x, x), hn::Mul(y, y));
        const V wy = hn::Mul(hn::Mul(hn::Set(d, 2.0), x), y);
        const V nx = hn::IfThenElse(going, hn::Add(wx, a), x);
        const V ny = hn::IfThenElse(going, hn::Add(wy, b), y);
        x = nx;
        y = ny;
        M ok = going;
        V u = arctangent(d, hn::Sub(hn::Mul(wx, y), hn::Mul(wy, x)),
                         hn::Add(hn::Mul(wx, x), hn::Mul(wy, y)), ok);
        const M lost = hn::AndNot(ok, going);
        const M t1 = hn::Gt(
            hn::Mul(hn::Sub(hn::Mul(y, a), hn::Mul(x, b)), hn::Sub(hn::Mul(Y, a), hn::Mul(X, b))),
            zero);
        const M t2 = hn::Gt(
            hn::Mul(hn::Sub(hn::Mul(y, X), hn::Mul(x, Y)), hn::Sub(hn::Mul(b, X), hn::Mul(a, Y))),
            zero);
        const M t3 = hn::Gt(hn::Mul(hn::Sub(hn::Mul(hn::Sub(b, y), hn::Sub(a, X)),
                                            hn::Mul(hn::Sub(a, x), hn::Sub(b, Y))),
                                    hn::Sub(hn::Mul(a, Y), hn::Mul(b, X))),
                            zero);
        const M inside = hn::And(t1, hn::And(t2, t3));
        M close = hn::And(inside, near(d, u, 0.0));
        u = hn::IfThenElse(inside, hn::IfThenElse(hn::Lt(u, zero), hn::Add(u, tp), hn::Sub(u, tp)),
                           u);
        close = hn::Or(close, near(d, u, 3.6));
        u = hn::IfThenElse(hn::Gt(u, lim), hn::Sub(u, tp), u);
        close = hn::Or(close, near(d, u, -3.6));
        u = hn::IfThenElse(hn::Lt(u, hn::Neg(lim)), hn::Add(u, tp), u);
        sure = hn::AndNot(hn::Or(lost, hn::And(going, close)), sure);
        theta = hn::IfThenElse(going, hn::Add(theta, hn::Mul(s, u)), theta);
        going = hn::AndNot(hn::Gt(r, hn::Mul(big, s)), going);
    }
    const V t = hn::Mul(theta, hn::Set(d, 0.15915494309189535));
    const V frac = hn::Sub(t, hn::Floor(t));
    // The loop's course depends on r alone, never on an arc tangent: "r < 1e-12" and
    // "r < 100" give an angle of 0 for sure. A fraction close to a whole turn could
    // fall on either side of it.
    const M none = hn::Or(zeroed, hn::Lt(r, hn::Set(d, 100.0)));
    const V e = hn::Set(d, angletolerance);
    const M clear = hn::And(hn::Gt(frac, e), hn::Lt(frac, hn::Sub(hn::Set(d, 1.0), e)));
    sure = hn::And(started, hn::Or(none, hn::And(sure, clear)));
    angle = hn::IfThenElse(none, zero, frac);
}

void ExternalAngles(const Frame& f, Orbit* orbits, int count) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    thread_local std::vector<int> picked;
    thread_local std::vector<double> xs, ys, as, bs, alx, aly;
    // The loop runs a few steps past the escape of the slowest lane of a vector: the
    // orbits go in order of their escape, so that each vector's lanes end together.
    constexpr int slowest = 64;
    thread_local std::vector<int> byescape;
    byescape.assign(slowest + 2, 0);
    const auto bucket = [&](int i) { return std::clamp(orbits[i].n, 0, slowest) + 1; };
    for (int i = 0; i < count; ++i) {
        orbits[i].anglefrom = AngleFrom::none;
        if (escaped(f, orbits[i])) ++byescape[static_cast<std::size_t>(bucket(i))];
    }
    for (int b = 1; b <= slowest + 1; ++b) byescape[b] += byescape[b - 1];
    picked.resize(static_cast<std::size_t>(byescape[slowest + 1]));
    for (int i = 0; i < count; ++i)
        if (escaped(f, orbits[i])) picked[static_cast<std::size_t>(byescape[bucket(i) - 1]++)] = i;
    const std::size_t n = picked.size(), len = n + lanes;
    for (auto* v : {&xs, &ys, &as, &bs, &alx, &aly}) v->assign(len, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        const Orbit& o = orbits[picked[k]];
        const bool julia = f.ftype != settype::mandelbrot;
        xs[k] = julia ? o.jzx : o.c.x;
        ys[k] = julia ? o.jzy : o.c.y;
        as[k] = julia ? f.jcx : xs[k];
        bs[k] = julia ? f.jcy : ys[k];
        double ru, rv;
        root(0.25 - as[k], -bs[k], &ru, &rv);
        alx[k] = 0.5 - ru;
        aly[k] = -rv;
    }
    HWY_ALIGN double angle[8];
    HWY_ALIGN double sure[8];
    for (std::size_t k = 0; k < n; k += lanes) {
        V v;
        M m;
        anglevector(d, hn::LoadU(d, &xs[k]), hn::LoadU(d, &ys[k]), hn::LoadU(d, &as[k]),
                    hn::LoadU(d, &bs[k]), hn::LoadU(d, &alx[k]), hn::LoadU(d, &aly[k]), v, m);
        hn::Store(v, d, angle);
        hn::Store(hn::IfThenElseZero(m, hn::Set(d, 1.0)), d, sure);
        for (std::size_t l = 0; l < lanes && k + l < n; ++l) {
            Orbit& o = orbits[picked[k + l]];
            o.angle = angle[l];
            o.anglefrom = sure[l] != 0 ? AngleFrom::lanes : AngleFrom::none;
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(ExternalAngles);

void externalangles(const Frame& f, Orbit* orbits, int count) {
    HWY_DYNAMIC_DISPATCH(ExternalAngles)(f, orbits, count);
}

}  // namespace vantrel
#endif
