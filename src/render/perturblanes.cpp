// Vector lanes for the perturbed pixels of a deep image. Compiled once per
// instruction set; the best one the processor has is chosen at run time.
//
// Each lane follows one pixel through the loop of `perturbed` in perturb.cpp, with
// its own reference index m, offset z, dc and reference (the first, or the second
// after rebasing): the reference values Z_m and the approximations' coefficients
// are gathered lane by lane. Every move of a lane is one turn of that loop: the
// longest approximation that holds, else a single step, then the full value
// Z_m + z, its size and the test for rebasing. Both kinds of move are computed in
// every lane and the lane keeps its own; the operations are the scalar loop's, in
// its order and without fused products, so each pixel ends with the same n, z,
// iterate before z and size, bit for bit.
// A few groups of lanes step in turn, so that one group's gathers wait behind the
// others' arithmetic. A lane whose pixel has ended hands it back and at once takes
// the row's next pixel; lanes past the end of the row run an idle orbit that is
// never handed back.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/perturblanes.cpp"
#include "render/perturblanes.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "render/deepimage.h"
#include "render/perturb.h"
#include "render/steps.h"

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

constexpr std::size_t maxlanes = 8;
using D = hn::CappedTag<double, maxlanes>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

// The approximations are gathered from the table's own steps, field by field.
static_assert(std::is_standard_layout_v<LinearStep> && sizeof(LinearStep) % sizeof(double) == 0);
static_assert(sizeof(COMPLEX) == 2 * sizeof(double));
constexpr int stride = sizeof(LinearStep) / sizeof(double);
constexpr std::ptrdiff_t fieldax = offsetof(LinearStep, a) / sizeof(double);
constexpr std::ptrdiff_t fieldbx = offsetof(LinearStep, b) / sizeof(double);
constexpr std::ptrdiff_t fieldr = offsetof(LinearStep, r) / sizeof(double);

// x K by shifts and adds (64-bit lanes have no product on every target).
template <int K, int B = 0>
HWY_INLINE VI times(VI x) {
    if constexpr ((K >> B) == 0) {
        return hn::Zero(DI());
    } else if constexpr (((K >> B) & 1) != 0) {
        return hn::Add(times<K, B + 1>(x), hn::ShiftLeft<B>(x));
    } else {
        return times<K, B + 1>(x);
    }
}

HWY_INLINE M tomask(hn::Mask<DI> m) {
    return hn::RebindMask(D(), m);
}

HWY_INLINE hn::Mask<DI> tointmask(M m) {
    return hn::RebindMask(DI(), m);
}

// A reference orbit, x and y one after the other.
struct Orbit2 {
    const double* z;
    std::int64_t last;  // its last index
};

// A table of approximations as the lanes read it: its steps, and where each level
// starts and how many steps it has, at hand for the lookup.
struct Levels {
    const double* steps = nullptr;
    int count = 0;
    HWY_ALIGN std::int64_t start[64] = {}, size[64] = {};
    explicit Levels(const BlaTable& t)
        : steps(reinterpret_cast<const double*>(t.steps())), count(std::min(t.levels(), 64)) {
        for (int k = 0; k < count; ++k) {
            start[k] = static_cast<std::int64_t>(t.levelstart(k));
            size[k] = static_cast<std::int64_t>(t.levelsize(k));
        }
    }
};

// What every lane of a row shares.
struct Setup {
    Orbit2 first, second;
    // The Mandelbrot set's second reference is the first again.
    bool oneorbit;
    const Levels* firsttable;
    const Levels* secondtable;  // the same as the first where they are shared
    bool approximates;
    bool julia;
    double maxiter, maxsize;
    int e;
    double binomial[18];  // binomial(e, k), made as `difference` makes them
    V cy;                 // the row's imaginary part, a Mandelbrot pixel's first value
};

// One group of lanes: the state of the loop of `perturbed` for one pixel a lane.
struct Group {
    V zx, zy;      // the offset z from the reference
    V dcx, dcy;    // dc
    V fx, fy;      // the full value Z_m + z
    V px, py;      // the full value before the last single step
    V bigx, bigy;  // Z_m
    V size;
    V n;      // steps made (idle lanes: hugely negative)
    V cx;     // a Mandelbrot pixel's real part, its first value's
    V index;  // the pixel's column; the row's width and up: idle
    VI m;
    VI last;   // the last index of the lane's reference
    M second;  // on the second reference
};

// Z_m of every lane's reference.
HWY_INLINE void reference(const Setup& s, const Group& g, V& x, V& y) {
    const D d;
    const VI at = hn::ShiftLeft<1>(g.m);
    const auto from = [&](const double* z, VI i) {
        x = hn::GatherIndex(d, z, i);
        y = hn::GatherIndex(d, z + 1, i);
    };
    if (s.oneorbit || hn::AllFalse(d, g.second)) return from(s.first.z, at);
    if (hn::AllTrue(d, g.second)) return from(s.second.z, at);
    // Each lane's index is in range of its own reference only.
    V x1, y1;
    from(s.first.z, hn::IfThenZeroElse(tointmask(g.second), at));
    x1 = x;
    y1 = y;
    from(s.second.z, hn::IfThenElseZero(tointmask(g.second), at));
    x = hn::IfThenElse(g.second, x, x1);
    y = hn::IfThenElse(g.second, y, y1);
}

// What the lookup found, lane by lane.
struct Found {
    M found;
    V length, ax, ay, bx, by;
};

// BlaTable::longest for the lanes in `look` (each with m >= 1), from table t.
// A level's step holds for no more offsets than the first half it was merged from,
// and a lane that may take a level's step may take the lower ones' from the same m:
// the steps that hold for a lane are those of its levels from 0 up to the highest,
// which the table's walk from the top finds first. So a lane that the single step
// from m does not hold for needs no walk, and the others go up level by level to
// their last that holds; most stop low, and those still going at level 2 first try
// the highest level they may take, where a long step is found at once.
HWY_INLINE void longest(const Setup& s, const Levels& t, M look, const Group& g, V size,
                        Found& out) {
    const D d;
    const DI di;
    if (t.count == 0 || hn::AllFalse(d, look)) return;
    const VI j = hn::Sub(g.m, hn::Set(di, 1));
    // The steps of `span` (2^k) start at m = 1 + i 2^k, and must end by maxiter - 1.
    const auto room = [&](V span) { return hn::Le(g.n, hn::Sub(hn::Set(d, s.maxiter - 1), span)); };
    const auto radius = [&](VI i) {
        return hn::GatherIndex(d, t.steps + fieldr, times<stride>(i));
    };
    M pending =
        hn::And(look, hn::And(room(hn::Set(d, 1.0)), tomask(hn::Lt(j, hn::Set(di, t.size[0])))));
    if (hn::AllFalse(d, pending)) return;
    VI entry = hn::IfThenElseZero(tointmask(pending), j);
    pending = hn::And(pending, hn::Lt(size, radius(entry)));
    if (hn::AllFalse(d, pending)) return;
    const M found = pending;
    V length = hn::Set(d, 1.0);
    // The highest level whose step a lane may take: not above the lowest set bit of j
    // (the top for j = 0), and with 2^k steps that end by maxiter - 1 and inside the
    // table, whose level k has the first L_0 / 2^k steps of 2^k (rounded down), so
    // that 2^k <= L_0 - j. Levels read from the exponent of a power of two as a double.
    // Where its step holds, it is the lane's.
    const auto leap = [&](int from) {
        const auto exponent = [&](V x) {
            return hn::Sub(hn::ShiftRight<52>(hn::BitCast(di, x)), hn::Set(di, 1023));
        };
        const V low = hn::ConvertTo(d, hn::And(j, hn::Neg(j)));
        const VI aligned =
            hn::IfThenElse(hn::Eq(j, hn::Zero(di)), hn::Set(di, t.count - 1), exponent(low));
        const V cap = hn::Min(hn::ConvertTo(d, hn::Sub(hn::Set(di, t.size[0]), j)),
                              hn::Sub(hn::Set(d, s.maxiter - 1), g.n));
        const VI highest = hn::Min(aligned, exponent(cap));
        M fits = hn::And(pending, tomask(hn::Gt(highest, hn::Set(di, from - 1))));
        if (hn::AllFalse(d, fits)) return;
        const VI k = hn::IfThenElseZero(tointmask(fits), highest);
        const VI at = j >> k;
        const V span = hn::BitCast(d, hn::ShiftLeft<52>(hn::Add(k, hn::Set(di, 1023))));
        const VI i =
            hn::IfThenElseZero(tointmask(fits), hn::Add(at, hn::GatherIndex(di, t.start, k)));
        fits = hn::And(fits, hn::Lt(size, radius(i)));
        entry = hn::IfThenElse(tointmask(fits), i, entry);
        length = hn::IfThenElse(fits, span, length);
        pending = hn::AndNot(fits, pending);
    };
    // Up from level 1: each lane's step is its last that holds.
    for (int k = 1; k < t.count && !hn::AllFalse(d, pending); ++k) {
        if (k == 2) {
            leap(k);
            if (hn::AllFalse(d, pending)) break;
        }
        const std::int64_t span = std::int64_t{1} << k;
        const VI at = hn::ShiftRightSame(j, k);
        const M aligned = tomask(hn::Eq(hn::And(j, hn::Set(di, span - 1)), hn::Zero(di)));
        const V spanv = hn::Set(d, static_cast<double>(span));
        pending = hn::And(hn::And(pending, aligned),
                          hn::And(tomask(hn::Lt(at, hn::Set(di, t.size[k]))), room(spanv)));
        if (hn::AllFalse(d, pending)) break;
        const VI i = hn::IfThenElseZero(tointmask(pending), hn::Add(at, hn::Set(di, t.start[k])));
        pending = hn::And(pending, hn::Lt(size, radius(i)));
        entry = hn::IfThenElse(tointmask(pending), i, entry);
        length = hn::IfThenElse(pending, spanv, length);
    }
    const VI at = times<stride>(entry);
    out.found = hn::Or(out.found, found);
    out.length = hn::IfThenElse(found, length, out.length);
    out.ax = hn::IfThenElse(found, hn::GatherIndex(d, t.steps + fieldax, at), out.ax);
    out.ay = hn::IfThenElse(found, hn::GatherIndex(d, t.steps + fieldax + 1, at), out.ay);
    out.bx = hn::IfThenElse(found, hn::GatherIndex(d, t.steps + fieldbx, at), out.bx);
    out.by = hn::IfThenElse(found, hn::GatherIndex(d, t.steps + fieldbx + 1, at), out.by);
}

// (Z + z)^e - Z^e as `difference` in perturb.cpp makes it.
template <int E>
HWY_INLINE void difference(const Setup& s, V bx, V by, V zx, V zy, V& rx, V& ry) {
    const D d;
    if constexpr (E == 2) {
        const V two = hn::Set(d, 2.0);
        const V px = hn::Add(hn::Mul(two, bx), zx), py = hn::Add(hn::Mul(two, by), zy);
        rx = hn::Sub(hn::Mul(px, zx), hn::Mul(py, zy));
        ry = hn::Add(hn::Mul(px, zy), hn::Mul(py, zx));
    } else {
        V px = hn::Set(d, s.binomial[1]), py = hn::Zero(d);
        V kx = hn::Set(d, 1.0), ky = hn::Zero(d);
        for (int k = 2; k <= s.e; ++k) {
            const V b = hn::Set(d, s.binomial[k]);
            const V tx = hn::Sub(hn::Mul(kx, zx), hn::Mul(ky, zy));
            ky = hn::Add(hn::Mul(kx, zy), hn::Mul(ky, zx));
            kx = tx;
            const V ux = hn::Sub(hn::Mul(px, bx), hn::Mul(py, by));
            py = hn::Add(hn::Mul(px, by), hn::Mul(py, bx));
            px = ux;
            px = hn::Add(px, hn::Mul(b, kx));
            py = hn::Add(py, hn::Mul(b, ky));
        }
        rx = hn::Sub(hn::Mul(px, zx), hn::Mul(py, zy));
        ry = hn::Add(hn::Mul(px, zy), hn::Mul(py, zx));
    }
}

// One turn of the loop of `perturbed` in every lane of g.
template <bool Squared, int E>
HWY_INLINE void move(const Setup& s, Group& g) {
    const D d;
    const DI di;
    const V zero = hn::Zero(d), one = hn::Set(d, 1.0);
    Found a{hn::FirstN(d, 0), zero, zero, zero, zero, zero};
    if (s.approximates) {
        const M look = hn::And(hn::Ge(g.n, one), tomask(hn::Gt(g.m, hn::Zero(di))));
        if (!hn::AllFalse(d, look)) {
            const V size = hn::Add(hn::Abs(g.zx), hn::Abs(g.zy));
            if (s.firsttable == s.secondtable) {
                longest(s, *s.firsttable, look, g, size, a);
            } else {
                longest(s, *s.firsttable, hn::AndNot(g.second, look), g, size, a);
                longest(s, *s.secondtable, hn::And(g.second, look), g, size, a);
            }
        }
    }
    // The approximated move: z <- A z + B dc.
    const V azx = hn::Sub(hn::Mul(a.ax, g.zx), hn::Mul(a.ay, g.zy));
    const V azy = hn::Add(hn::Mul(a.ax, g.zy), hn::Mul(a.ay, g.zx));
    const V bdx = hn::Sub(hn::Mul(a.bx, g.dcx), hn::Mul(a.by, g.dcy));
    const V bdy = hn::Add(hn::Mul(a.bx, g.dcy), hn::Mul(a.by, g.dcx));
    // The single step: z <- (Z_m + z)^e - Z_m^e + dc.
    V tx, ty;
    difference<E>(s, g.bigx, g.bigy, g.zx, g.zy, tx, ty);
    g.zx = hn::IfThenElse(a.found, hn::Add(azx, bdx), hn::Add(tx, g.dcx));
    g.zy = hn::IfThenElse(a.found, hn::Add(azy, bdy), hn::Add(ty, g.dcy));
    g.px = hn::IfThenElse(a.found, g.px, g.fx);
    g.py = hn::IfThenElse(a.found, g.py, g.fy);
    const M firststep = hn::Eq(g.n, zero);  // never approximated
    const V steps = hn::IfThenElse(a.found, a.length, one);
    g.n = hn::Add(g.n, steps);
    g.m = hn::Add(g.m, hn::ConvertTo(di, steps));
    reference(s, g, g.bigx, g.bigy);
    g.fx = hn::Add(g.bigx, g.zx);
    g.fy = hn::Add(g.bigy, g.zy);
    // A Mandelbrot orbit's first value is the pixel's point itself.
    if (!s.julia) {
        g.fx = hn::IfThenElse(firststep, g.cx, g.fx);
        g.fy = hn::IfThenElse(firststep, s.cy, g.fy);
    }
    const V norm = hn::Add(hn::Mul(g.fx, g.fx), hn::Mul(g.fy, g.fy));
    if constexpr (Squared)
        g.size = norm;
    else
        g.size = hn::Sqrt(norm);
    const M rebase = hn::Or(tomask(hn::Eq(g.m, g.last)),
                            hn::Lt(norm, hn::Add(hn::Mul(g.zx, g.zx), hn::Mul(g.zy, g.zy))));
    if (HWY_LIKELY(hn::AllFalse(d, rebase))) return;
    const hn::Mask<DI> rebaseint = tointmask(rebase);
    g.zx = hn::IfThenElse(rebase, g.fx, g.zx);
    g.zy = hn::IfThenElse(rebase, g.fy, g.zy);
    g.m = hn::IfThenZeroElse(rebaseint, g.m);
    g.last = hn::IfThenElse(rebaseint, hn::Set(di, s.second.last), g.last);
    g.second = hn::Or(g.second, rebase);
    g.bigx = hn::IfThenElse(rebase, hn::Set(d, s.second.z[0]), g.bigx);
    g.bigy = hn::IfThenElse(rebase, hn::Set(d, s.second.z[1]), g.bigy);
}

// The group's state lane by lane, for handing pixels back and starting new ones.
struct Spilled {
    HWY_ALIGN double zx[maxlanes], zy[maxlanes], dcx[maxlanes], dcy[maxlanes], fx[maxlanes],
        fy[maxlanes], px[maxlanes], py[maxlanes], bigx[maxlanes], bigy[maxlanes], size[maxlanes],
        n[maxlanes], cx[maxlanes], index[maxlanes], second[maxlanes];
    HWY_ALIGN std::int64_t m[maxlanes], last[maxlanes];
};

// The row's pixels, handed out in order.
struct Row {
    const Frame& f;
    int r;
    int count;
    int next = 0;  // the next pixel a lane takes
    int ended = 0;
    Orbit* orbits;
};

// Lane l of `sp` starts the row's next pixel, as `perturbed` starts it; past the
// end of the row an idle orbit: z and dc 0 on the first reference, never looked up.
void start(const Setup& s, Row& row, Spilled& sp, std::size_t l) {
    const int i = row.next < row.count ? row.next++ : row.count;
    sp.index[l] = i;
    sp.m[l] = 0;
    sp.last[l] = s.first.last;
    sp.second[l] = 0;
    sp.bigx[l] = s.first.z[0];
    sp.bigy[l] = s.first.z[1];
    sp.px[l] = sp.py[l] = sp.size[l] = 0;
    if (i < row.count) {
        const DeepStart st = deepstart(row.f, i, row.r);
        row.orbits[i] = st.o;
        sp.zx[l] = st.z.x;
        sp.zy[l] = st.z.y;
        sp.dcx[l] = st.dc.x;
        sp.dcy[l] = st.dc.y;
        sp.fx[l] = st.o.z.x;
        sp.fy[l] = st.o.z.y;
        sp.cx[l] = st.o.c.x;
        sp.n[l] = 0;
    } else {
        sp.zx[l] = sp.zy[l] = sp.dcx[l] = sp.dcy[l] = sp.fx[l] = sp.fy[l] = sp.cx[l] = 0;
        sp.n[l] = -1e300;
    }
}

void spill(const Group& g, Spilled& sp) {
    const D d;
    const DI di;
    hn::Store(g.zx, d, sp.zx);
    hn::Store(g.zy, d, sp.zy);
    hn::Store(g.dcx, d, sp.dcx);
    hn::Store(g.dcy, d, sp.dcy);
    hn::Store(g.fx, d, sp.fx);
    hn::Store(g.fy, d, sp.fy);
    hn::Store(g.px, d, sp.px);
    hn::Store(g.py, d, sp.py);
    hn::Store(g.bigx, d, sp.bigx);
    hn::Store(g.bigy, d, sp.bigy);
    hn::Store(g.size, d, sp.size);
    hn::Store(g.n, d, sp.n);
    hn::Store(g.cx, d, sp.cx);
    hn::Store(g.index, d, sp.index);
    hn::Store(hn::IfThenElseZero(g.second, hn::Set(d, 1.0)), d, sp.second);
    hn::Store(g.m, di, sp.m);
    hn::Store(g.last, di, sp.last);
}

void restore(const Spilled& sp, Group& g) {
    const D d;
    const DI di;
    g.zx = hn::Load(d, sp.zx);
    g.zy = hn::Load(d, sp.zy);
    g.dcx = hn::Load(d, sp.dcx);
    g.dcy = hn::Load(d, sp.dcy);
    g.fx = hn::Load(d, sp.fx);
    g.fy = hn::Load(d, sp.fy);
    g.px = hn::Load(d, sp.px);
    g.py = hn::Load(d, sp.py);
    g.bigx = hn::Load(d, sp.bigx);
    g.bigy = hn::Load(d, sp.bigy);
    g.size = hn::Load(d, sp.size);
    g.n = hn::Load(d, sp.n);
    g.cx = hn::Load(d, sp.cx);
    g.index = hn::Load(d, sp.index);
    g.second = hn::Ne(hn::Load(d, sp.second), hn::Zero(d));
    g.m = hn::Load(di, sp.m);
    g.last = hn::Load(di, sp.last);
}

// Hands back the pixels of the lanes in `ended` and starts the row's next ones there.
HWY_NOINLINE void handback(const Setup& s, Row& row, Group& g, M ended) {
    Spilled sp;
    spill(g, sp);
    std::uint8_t bits = 0;
    hn::StoreMaskBits(D(), ended, &bits);
    for (unsigned b = bits; b != 0; b &= b - 1) {
        const std::size_t l = static_cast<std::size_t>(__builtin_ctz(b));
        Orbit& o = row.orbits[static_cast<std::size_t>(sp.index[l])];
        endorbit<Steps::none, Watch::none>(o, o, {sp.fx[l], sp.fy[l]}, sp.px[l], sp.py[l],
                                           sp.size[l], static_cast<int>(sp.n[l]));
        ++row.ended;
        start(s, row, sp, l);
    }
    restore(sp, g);
}

// Independent groups of lanes in flight.
constexpr int groups = 2;

template <bool Squared, int E>
void run(const Setup& s, Row& row) {
    const D d;
    const V maxsize = hn::Set(d, s.maxsize), maxiter = hn::Set(d, s.maxiter);
    const V count = hn::Set(d, static_cast<double>(row.count));
    Group g[groups];
    // A group all of whose lanes are idle, at the end of the row, rests.
    bool busy[groups];
    for (int q = 0; q < groups; ++q) {
        Spilled sp;
        for (std::size_t l = 0; l < hn::Lanes(d); ++l) start(s, row, sp, l);
        restore(sp, g[q]);
        busy[q] = !hn::AllFalse(d, hn::Lt(g[q].index, count));
    }
    while (row.ended < row.count) {
#pragma GCC unroll 4
        for (int q = 0; q < groups; ++q)
            if (busy[q]) move<Squared, E>(s, g[q]);
#pragma GCC unroll 4
        for (int q = 0; q < groups; ++q) {
            const M real = hn::Lt(g[q].index, count);
            const M ended =
                hn::And(hn::Or(hn::Not(hn::Le(g[q].size, maxsize)), hn::Ge(g[q].n, maxiter)), real);
            if (HWY_LIKELY(hn::AllFalse(d, ended))) continue;
            handback(s, row, g[q], ended);
            busy[q] = !hn::AllFalse(d, hn::Lt(g[q].index, count));
        }
    }
}

}  // namespace

bool PerturbLanes(const Frame& f, int r, Orbit* orbits) {
    const DeepImage& dp = *f.deep;
    const StepWork work = stepwork(f);
    if (work.steps != Steps::none || work.watch != Watch::none ||
        distanceestimate(f.outside, f.inside) || dp.scale != 0 || f.maxiter <= 0 || f.xres <= 0)
        return false;
    Setup s;
    const DeepReference& ref = *dp.reference;
    s.first = {reinterpret_cast<const double*>(ref.first.data()),
               static_cast<std::int64_t>(ref.first.size()) - 1};
    s.second = {reinterpret_cast<const double*>(ref.second.data()),
                static_cast<std::int64_t>(ref.second.size()) - 1};
    s.oneorbit = f.ftype == settype::mandelbrot;
    const Levels firsttable(dp.firsttable), secondtable(dp.secondtable);
    s.firsttable = &firsttable;
    s.secondtable = dp.sharedtable ? &firsttable : &secondtable;
    s.approximates = firsttable.count > 0 || s.secondtable->count > 0;
    s.julia = f.ftype != settype::mandelbrot;
    s.maxiter = f.maxiter;
    s.maxsize = f.maxsize;
    s.e = std::clamp(f.exponent, 2, 17);
    double b = s.e;
    s.binomial[1] = b;
    for (int k = 2; k <= s.e; ++k) {
        b = b * (s.e - k + 1) / k;
        s.binomial[k] = b;
    }
    s.cy = hn::Set(D(), dp.y[DeepImage::row(f, r)]);
    Row row{f, r, f.xres, 0, 0, orbits};
    if (work.squared)
        s.e == 2 ? run<true, 2>(s, row) : run<true, 0>(s, row);
    else
        s.e == 2 ? run<false, 2>(s, row) : run<false, 0>(s, row);
    return true;
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(PerturbLanes);

bool perturblanes(const Frame& f, int r, Orbit* orbits) {
    return HWY_DYNAMIC_DISPATCH(PerturbLanes)(f, r, orbits);
}

}  // namespace vantrel
#endif
