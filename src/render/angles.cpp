// The external angle of many points at once, from the exact routine's own
// iteration: its arc tangents telescope to one, and every whole turn it adds is
// decided by signs, with margins wherever a rounding could tip one.

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

// The principal square root of x + iy as root() takes it, bit for bit: its two
// branches share the square root and the quotient, which only change sign.
HWY_INLINE void rootvector(D d, V x, V y, V& u, V& v) {
    const V zero = hn::Zero(d), half = hn::Set(d, 0.5);
    const V m = hn::Sqrt(hn::Add(hn::Mul(x, x), hn::Mul(y, y)));
    const V t = hn::Sqrt(hn::Mul(hn::Add(m, hn::Abs(x)), half));
    const V q = hn::Div(y, hn::Add(t, t));
    const M right = hn::Gt(x, zero), left = hn::Lt(x, zero);
    const M down = hn::Lt(y, zero);
    const V signedt = hn::IfThenElse(down, hn::Neg(t), t);
    u = hn::IfThenElse(right, t, hn::IfThenElse(left, hn::IfThenElse(down, hn::Neg(q), q), t));
    v = hn::IfThenElse(right, q, signedt);
}

// The exact routine adds up s_j u_j, each u_j an arc tangent of the step's turn.
// With a_j the argument of z_j, every u_j is a_j - 2 a_(j-1) plus a whole number
// k_j of turns, so the sum telescopes: theta = a_J / 2^J + 2 pi sum k_j / 2^j. The
// k_j follow from signs alone: the half planes of z_(j-1), of its square w and of
// z_j, the sign of the turn, and whether the turn lies beyond the 3.6 the routine
// folds at. Only the last argument takes an arc tangent. A lane is left to the exact
// routine where a sign is a zero or a decision lies too close to call.
HWY_INLINE void anglevector(D d, V x, V y, V a, V b, V& angle, M& sure) {
    const V zero = hn::Zero(d), one = hn::Set(d, 1.0);
    V X, Y;
    rootvector(d, hn::Sub(hn::Set(d, 0.25), a), hn::Neg(b), X, Y);
    X = hn::Sub(hn::Set(d, 0.5), X);
    Y = hn::Neg(Y);
    // The triangle test's factors that do not change from step to step.
    const V ya_xb = hn::Sub(hn::Mul(Y, a), hn::Mul(X, b));
    const V bx_ay = hn::Sub(hn::Mul(b, X), hn::Mul(a, Y));
    const V a_x = hn::Sub(a, X), b_y = hn::Sub(b, Y);
    const V ay_bx = hn::Sub(hn::Mul(a, Y), hn::Mul(b, X));
    // A start this close to 0 has an angle of its own: left to the exact routine.
    const M started = hn::Not(hn::Lt(hn::Add(hn::Mul(x, x), hn::Mul(y, y)), hn::Set(d, 1e-12)));
    M unsure = hn::FirstN(d, 0);
    V s = one, r = zero, last = one, turns = zero;
    M going = hn::FirstN(d, hn::Lanes(d));  // still in the loop
    M zeroed = hn::FirstN(d, 0);            // left it through "r < 1e-12": the angle is 0
    const V half = hn::Set(d, 0.5), tiny = hn::Set(d, 1e-12), big = hn::Set(d, 1e18);
    // The turn folds where |turn| = 2 pi - 3.6: there Re < 0 and |Im| = fold |Re|,
    // fold = tan(3.6 - pi). A decision within `call` |Re| of its threshold is left to
    // the exact routine; the roundings move it by some 1e-16 |Re|.
    const V fold = hn::Set(d, 0.493466729984904), call = hn::Set(d, 1e-11);
    const V foldcall = hn::Add(fold, call);
    for (int j = 1; j <= 63 && !hn::AllFalse(d, going); ++j) {
        s = hn::Mul(s, half);
        const V xx = hn::Mul(x, x), yy = hn::Mul(y, y);
        r = hn::IfThenElse(going, hn::Add(xx, yy), r);
        const M small = hn::And(going, hn::Lt(r, tiny));
        if (!hn::AllFalse(d, small)) {
            zeroed = hn::Or(zeroed, small);
            going = hn::AndNot(small, going);
        }
        last = hn::IfThenElse(going, s, last);
        const V wx = hn::Sub(xx, yy);
        const V wy = hn::Mul(hn::Mul(hn::Set(d, 2.0), x), y);
        // The square's argument is twice z's, less a turn in the left half plane.
        V k = hn::IfThenElseZero(hn::Lt(x, zero), hn::CopySign(one, y));
        // A lane that has stopped keeps its z: its w is zero where z_J lies on an
        // axis, which the end checks anyway.
        unsure = hn::Or(unsure, hn::Eq(wy, zero));
        const V nx = hn::IfThenElse(going, hn::Add(wx, a), x);
        const V ny = hn::IfThenElse(going, hn::Add(wy, b), y);
        x = nx;
        y = ny;
        // The turn's sign and size only meet margins: fused products serve.
        const V im = hn::MulSub(wx, y, hn::Mul(wy, x));
        const V re = hn::MulAdd(wx, x, hn::Mul(wy, y));
        const V aim = hn::Abs(im), are = hn::Abs(re);
        // The turn from w to z wraps where the two lie in opposite half planes and
        // it goes the long way round: then, if it is less than a quarter turn, both
        // lie left of the imaginary axis; else im's sign is not y's. Sign bits say
        // both (a zero's sign never decides: such lanes are unsure).
        const M forward = hn::Gt(re, zero);
        const V apart = hn::Xor(y, wy);
        const V longway = hn::IfThenElse(forward, x, hn::Xor(im, y));
        k = hn::Sub(k, hn::IfNegativeThenElse(hn::And(apart, longway), hn::CopySign(one, y), zero));
        // Near a half turn (Re < 0 and |Im| up to fold |Re|) the triangle may fold
        // the turn back, and close to it a rounded im's sign picks between +pi and
        // -pi. (Re = Im = 0 only where z_j is 0: the next step or the end sees it.)
        const M halfturn = hn::And(hn::Lt(re, zero), hn::Le(aim, hn::Mul(foldcall, are)));
        if (!hn::AllFalse(d, hn::And(going, halfturn))) {
            const M beyond = hn::Le(aim, hn::Mul(fold, are));
            const M near = hn::Lt(hn::Abs(hn::Sub(aim, hn::Mul(fold, are))), hn::Mul(call, are));
            const M t1 = hn::Gt(hn::Mul(hn::Sub(hn::Mul(y, a), hn::Mul(x, b)), ya_xb), zero);
            const M t2 = hn::Gt(hn::Mul(hn::Sub(hn::Mul(y, X), hn::Mul(x, Y)), bx_ay), zero);
            const M t3 = hn::Gt(
                hn::Mul(hn::Sub(hn::Mul(hn::Sub(b, y), a_x), hn::Mul(hn::Sub(a, x), b_y)), ay_bx),
                zero);
            const M here = hn::And(going, halfturn);
            const M inside = hn::And(here, hn::And(t1, hn::And(t2, t3)));
            unsure = hn::Or(unsure, hn::And(here, hn::Le(aim, hn::Mul(call, are))));
            unsure = hn::Or(unsure, hn::And(inside, near));
            k = hn::Sub(k, hn::IfThenElseZero(hn::And(inside, beyond), hn::CopySign(one, im)));
        }
        turns = hn::IfThenElse(going, hn::MulAdd(s, k, turns), turns);
        going = hn::AndNot(hn::Gt(r, hn::Mul(big, s)), going);
    }
    // The last step's sign decisions saw z_J itself: it must not lie on an axis.
    unsure = hn::Or(unsure, hn::Eq(hn::Mul(x, y), zero));
    M ok = hn::Not(unsure);
    const V aJ = arctangent(d, y, x, ok);
    const V t = hn::MulAdd(hn::Mul(aJ, last), hn::Set(d, 0.15915494309189535), turns);
    const V frac = hn::Sub(t, hn::Floor(t));
    // The loop's course depends on r alone, never on an arc tangent: "r < 1e-12" and
    // "r < 100" give an angle of 0 for sure. A fraction close to a whole turn could
    // fall on either side of it.
    const M none = hn::Or(zeroed, hn::Lt(r, hn::Set(d, 100.0)));
    const V e = hn::Set(d, angletolerance);
    const M clear = hn::And(hn::Gt(frac, e), hn::Lt(frac, hn::Sub(hn::Set(d, 1.0), e)));
    sure = hn::And(started, hn::Or(none, hn::And(ok, clear)));
    angle = hn::IfThenElse(none, zero, frac);
}

// The field lines' palette entry of each lane's angle, as the coloring's fieldline()
// takes it, bit for bit: the remainder by 256 and the whole parts are exact.
HWY_INLINE V lineentry(D d, const Frame& f, V angle) {
    const V whole = hn::Set(d, 256.0);
    V v = hn::Mul(hn::Mul(hn::Set(d, static_cast<double>(f.period)), angle), whole);
    if (f.mapping != fieldmapping::radial)
        v = hn::IfThenElse(hn::Ge(angle, hn::Set(d, 0.5)), hn::Sub(hn::Set(d, 255.0), v), v);
    const V cf = hn::Sub(v, hn::Mul(whole, hn::Trunc(hn::Mul(v, hn::Set(d, 1.0 / 256.0)))));
    V k = hn::Trunc(cf);
    k = hn::IfThenElse(hn::Lt(k, hn::Zero(d)), hn::Add(k, hn::Set(d, 255.0)), k);
    return hn::IfThenElse(hn::Eq(k, hn::Zero(d)), hn::Set(d, 1.0), k);
}

void ExternalAngles(const Frame& f, Orbit* orbits, int count) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    // One pass over the orbits gathers the escaped ones' starts and escape steps
    // (the escaped ones' angles are all written below); the sort by escape runs on
    // those alone.
    thread_local std::vector<int> found, foundkey, picked;
    thread_local std::vector<double> foundx, foundy, xs, ys;
    // The loop runs a few steps past the escape of the slowest lane of a vector: the
    // orbits go in order of their escape, so that each vector's lanes end together.
    // Neighbours mostly escape together, so each of four counts per escape step
    // takes every fourth orbit: one count a row would make each orbit wait for the
    // last.
    constexpr int slowest = 64, ways = 4;
    thread_local std::vector<int> start;
    start.assign((slowest + 1) * ways + 1, 0);
    const bool julia = f.ftype != settype::mandelbrot;
    const auto all = static_cast<std::size_t>(count);
    found.resize(all);
    foundkey.resize(all);
    foundx.resize(all);
    foundy.resize(all);
    std::size_t n = 0;
    for (int i = 0; i < count; ++i) {
        Orbit& o = orbits[i];
        if (!escaped(f, o)) {
            o.anglefrom = AngleFrom::none;
            continue;
        }
        const int key = std::clamp(o.n, 0, slowest) * ways + static_cast<int>(n % ways);
        ++start[static_cast<std::size_t>(key) + 1];
        found[n] = i;
        foundkey[n] = key;
        foundx[n] = julia ? o.jzx : o.c.x;
        foundy[n] = julia ? o.jzy : o.c.y;
        ++n;
    }
    for (std::size_t key = 1; key < start.size(); ++key) start[key] += start[key - 1];
    const std::size_t len = n + lanes;
    picked.resize(n);
    for (auto* v : {&xs, &ys}) v->assign(len, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        const auto k = static_cast<std::size_t>(start[static_cast<std::size_t>(foundkey[j])]++);
        picked[k] = found[j];
        xs[k] = foundx[j];
        ys[k] = foundy[j];
    }
    HWY_ALIGN double angle[8];
    HWY_ALIGN double entry[8];
    const V e = hn::Set(d, angletolerance);
    for (std::size_t k = 0; k < n; k += lanes) {
        V v;
        M m;
        const V x = hn::LoadU(d, &xs[k]), y = hn::LoadU(d, &ys[k]);
        anglevector(d, x, y, julia ? hn::Set(d, f.jcx) : x, julia ? hn::Set(d, f.jcy) : y, v, m);
        // The entry serves where it is the same all over the angle's tolerance:
        // the exact angle lies in there, and no two of the entry's steps are that
        // close together.
        const V low = lineentry(d, f, hn::Sub(v, e));
        m = hn::And(m, hn::Eq(low, lineentry(d, f, hn::Add(v, e))));
        hn::Store(v, d, angle);
        hn::Store(hn::IfThenElse(m, low, hn::Zero(d)), d, entry);
        for (std::size_t l = 0; l < lanes && k + l < n; ++l) {
            Orbit& o = orbits[picked[k + l]];
            o.angle = angle[l];
            o.lineentry = static_cast<int>(entry[l]);
            o.anglefrom = entry[l] != 0 ? AngleFrom::lanes : AngleFrom::none;
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
