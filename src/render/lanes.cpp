// Vector lanes for the escape-time loop. Compiled once per instruction set; the best
// one the processor has is chosen at run time.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cmath>

#include "render/lanes.h"

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;

// Independent groups of lanes in flight, so that one group's long chain of
// dependent multiplications hides behind the others'.
constexpr int groups = 6;
constexpr size_t maxlanes = 16;

struct Group {
    V zx, zy, px, py, cx, cy, m, n;  // m is |z|^2; |z| is taken once, when a lane ends
    int pixel[maxlanes];  // the orbit each lane works on, -1 for an idle lane
    int active = 0;       // lanes with an orbit
};

// z^e exactly as complex_power makes it, lane by lane.
template <int E>
HWY_INLINE void power(D d, V zx, V zy, int e, V& rx, V& ry) {
    if constexpr (E == 2) {
        // The square times (1, 0), with the multiplications by one left out (x * 1 is
        // x for every x); the ones by zero stay, they matter for signed zeros and NaN.
        const V zero = hn::Zero(d);
        const V xt = hn::Sub(hn::Mul(zx, zx), hn::Mul(zy, zy));
        const V yt = hn::Mul(hn::Mul(hn::Set(d, 2.0), zx), zy);
        rx = hn::Sub(xt, hn::Mul(yt, zero));
        ry = hn::Add(hn::Mul(zero, xt), yt);
    } else {
        V xt = zx, yt = zy;
        if (e & 1) {
            rx = zx;
            ry = zy;
        } else {
            rx = hn::Set(d, 1.0);
            ry = hn::Zero(d);
        }
        const V two = hn::Set(d, 2.0);
        for (e >>= 1; e != 0; e >>= 1) {
            const V t = hn::Sub(hn::Mul(xt, xt), hn::Mul(yt, yt));
            yt = hn::Mul(hn::Mul(two, xt), yt);
            xt = t;
            if (e & 1) {
                const V u = hn::Sub(hn::Mul(xt, rx), hn::Mul(yt, ry));
                ry = hn::Add(hn::Mul(ry, xt), hn::Mul(yt, rx));
                rx = u;
            }
        }
    }
}

// Hands the lanes marked in `ended` back to their orbits and gives them the next
// pixels (or makes them idle: an idle lane iterates 0 -> 0 and never ends).
template <bool Squared>
HWY_INLINE void refill(D d, Group& g, const double* ended, Orbit* orbits, int count, int& next) {
    const size_t lanes = hn::Lanes(d);
    HWY_ALIGN double zx[maxlanes], zy[maxlanes], px[maxlanes], py[maxlanes], cx[maxlanes],
        cy[maxlanes], m[maxlanes], n[maxlanes];
    hn::Store(g.zx, d, zx);
    hn::Store(g.zy, d, zy);
    hn::Store(g.px, d, px);
    hn::Store(g.py, d, py);
    hn::Store(g.cx, d, cx);
    hn::Store(g.cy, d, cy);
    hn::Store(g.m, d, m);
    hn::Store(g.n, d, n);
    for (size_t l = 0; l < lanes; ++l) {
        if (ended[l] == 0.0) continue;
        if (g.pixel[l] >= 0) {
            Orbit& o = orbits[g.pixel[l]];
            o.z = {zx[l], zy[l]};
            o.x = px[l];
            o.y = py[l];
            o.size = Squared ? m[l] : std::sqrt(m[l]);
            o.n = static_cast<int>(n[l]);
            --g.active;
        }
        if (next < count) {
            const Orbit& o = orbits[next];
            zx[l] = o.z.x;
            zy[l] = o.z.y;
            px[l] = o.x;
            py[l] = o.y;
            cx[l] = o.c.x;
            cy[l] = o.c.y;
            m[l] = Squared ? o.size : o.size * o.size;
            n[l] = o.n;
            g.pixel[l] = next++;
            ++g.active;
        } else {
            zx[l] = zy[l] = px[l] = py[l] = cx[l] = cy[l] = m[l] = 0.0;
            n[l] = -1e300;
            g.pixel[l] = -1;
        }
    }
    g.zx = hn::Load(d, zx);
    g.zy = hn::Load(d, zy);
    g.px = hn::Load(d, px);
    g.py = hn::Load(d, py);
    g.cx = hn::Load(d, cx);
    g.cy = hn::Load(d, cy);
    g.m = hn::Load(d, m);
    g.n = hn::Load(d, n);
}

// The largest m with sqrt(m) <= limit. sqrt is correctly rounded and never falls as
// m grows, so "sqrt(m) <= limit" and "m <= sqrtlimit(limit)" agree for every m, NaN
// and infinity included; the loop can test the square and skip the square root.
double sqrtlimit(double limit) {
    double t = limit * limit;
    while (t > 0 && !(std::sqrt(t) <= limit)) t = std::nextafter(t, 0.0);
    for (double up = std::nextafter(t, HUGE_VAL); std::sqrt(up) <= limit;
         up = std::nextafter(t, HUGE_VAL))
        t = up;
    return t;
}

template <int E, bool Squared>
HWY_NOINLINE void run(const Frame& f, Orbit* orbits, int count) {
    const D d;
    const size_t lanes = hn::Lanes(d);
    const V limit = hn::Set(d, Squared ? f.maxsize : sqrtlimit(f.maxsize));
    const V maxiter = hn::Set(d, static_cast<double>(f.maxiter));
    const V one = hn::Set(d, 1.0);
    HWY_ALIGN double ended[maxlanes];
    for (size_t l = 0; l < lanes; ++l) ended[l] = 1.0;
    Group g[groups];
    int next = 0;
    for (Group& gr : g) {
        for (size_t l = 0; l < lanes; ++l) gr.pixel[l] = -1;
        refill<Squared>(d, gr, ended, orbits, count, next);
    }
    if (count <= 0) return;  // idle lanes alone would never end
    for (;;) {
        // Every lane of every group may make its next step (idle lanes never end):
        // step them all, straight through, until one of them has ended.
        for (;;) {
#pragma GCC unroll 8
            for (int k = 0; k < groups; ++k) {
                Group& gr = g[k];
                gr.px = gr.zx;
                gr.py = gr.zy;
                V rx, ry;
                power<E>(d, gr.zx, gr.zy, f.exponent, rx, ry);
                gr.zx = hn::Add(rx, gr.cx);
                gr.zy = hn::Add(ry, gr.cy);
                gr.m = hn::Add(hn::Mul(gr.zx, gr.zx), hn::Mul(gr.zy, gr.zy));
                gr.n = hn::Add(gr.n, one);
            }
            // The test before each step, as in the scalar loop; NaN sizes end too.
            auto cont = hn::And(hn::Le(g[0].m, limit), hn::Lt(g[0].n, maxiter));
#pragma GCC unroll 8
            for (int k = 1; k < groups; ++k)
                cont = hn::And(cont, hn::And(hn::Le(g[k].m, limit), hn::Lt(g[k].n, maxiter)));
            if (!hn::AllTrue(d, cont)) break;
        }
        int active = 0;
        for (Group& gr : g) {
            const auto cont = hn::And(hn::Le(gr.m, limit), hn::Lt(gr.n, maxiter));
            if (!hn::AllTrue(d, cont)) {
                hn::Store(hn::IfThenZeroElse(cont, one), d, ended);
                refill<Squared>(d, gr, ended, orbits, count, next);
            }
            active += gr.active;
        }
        if (active == 0) return;
    }
}

void IterateLanes(const Frame& f, Orbit* orbits, int count) {
    const bool squared = f.tiaflag == 1 || f.tiaflag == 2;
    if (f.exponent == 2)
        squared ? run<2, true>(f, orbits, count) : run<2, false>(f, orbits, count);
    else
        squared ? run<0, true>(f, orbits, count) : run<0, false>(f, orbits, count);
}

const char* LaneTarget() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(IterateLanes);
HWY_EXPORT(LaneTarget);

void iteratelanes(const Frame& f, Orbit* orbits, int count) {
    HWY_DYNAMIC_DISPATCH(IterateLanes)(f, orbits, count);
}

const char* lanetarget() { return HWY_DYNAMIC_DISPATCH(LaneTarget)(); }

}  // namespace vantrel
#endif
