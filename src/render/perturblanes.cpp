// Vector lanes for the perturbed pixels of a deep image. Compiled once per
// instruction set; the best one the processor has is chosen at run time.
//
// Each lane follows one pixel through the loop of `perturbed` in perturb.cpp, with
// its own reference index m, offset z, dc and reference (the first, or the second
// after rebasing): the reference values Z_m are gathered lane by lane, and the
// approximations are looked up lane by lane in rows of their radii. Every move of a lane is one
// turn of that loop: the longest approximation that holds, else a single step, then the full value
// Z_m + z, its size and the test for rebasing. Both kinds of move are computed in
// every lane and the lane keeps its own; the operations are the scalar loop's, in
// its order and without fused products, so each pixel ends with the same n, z,
// iterate before z and size, bit for bit.
// With the wide approximations (perturb.h's widetaken), each lane carries the
// pixel's bound as `perturbed` does, with the same operations; a lane whose pixel
// it leaves in doubt ends at once, and the row's pixels in doubt are run again
// without them, as a list of columns.
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
#include "render/lanetypes-inl.h"
#include "render/perturb.h"
#include "render/steps.h"

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {
namespace {

// The radii of the single steps are gathered from the table's own steps, or from
// its wide steps.
static_assert(std::is_standard_layout_v<LinearStep> && sizeof(LinearStep) % sizeof(double) == 0);
static_assert(std::is_standard_layout_v<WideStep> && sizeof(WideStep) % sizeof(double) == 0);
static_assert(sizeof(COMPLEX) == 2 * sizeof(double));
template <bool Wide>
constexpr int stride = Wide ? sizeof(WideStep) / sizeof(double)
                            : sizeof(LinearStep) / sizeof(double);
template <bool Wide>
constexpr std::ptrdiff_t fieldr = (Wide ? offsetof(WideStep, r) : offsetof(LinearStep, r)) /
                                  sizeof(double);

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

// A table of approximations as the lanes read it: its steps, how many single steps
// it has, and where each level starts, at hand for the lookup.
// With the wide approximations, their steps too.
struct Levels {
    const BlaTable* table;
    const double* steps = nullptr;
    const double* wide = nullptr;
    int count = 0;
    std::int64_t singles = 0;
    std::size_t start[64] = {};
    Levels(const BlaTable& t, bool widesteps)
        : table(&t),
          steps(reinterpret_cast<const double*>(t.steps())),
          wide(widesteps && t.haswide() ? reinterpret_cast<const double*>(t.widesteps()) : nullptr),
          count(std::min(t.levels(), 64)) {
        if (count > 0) singles = static_cast<std::int64_t>(t.levelsize(0));
        for (int k = 0; k < count; ++k) start[k] = t.levelstart(k);
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
    // Above 2 approximationerror / (e - 1) (or wideerror), as BlaTable makes a
    // single step's radius from |Z_m|, by more than its roundings.
    double radiusbound;
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
    V norm;        // |Z_m + z|^2
    V n;           // steps made (idle lanes: hugely negative)
    V cx;          // a Mandelbrot pixel's real part, its first value's
    V index;       // the pixel's column; the row's width and up: idle
    VI m;
    VI last;   // the last index of the lane's reference
    M second;  // on the second reference
    // With the wide approximations: WideBound's bound, root and whether not sure.
    V bound, root;
    M unsure;
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

// What the lookup found, lane by lane (and the wide step's bound).
struct Found {
    M found;
    V length, ax, ay, bx, by;
    V asize, cx, cy, csize, k3, k2, k1, k0, reach;
};

// BlaTable::longest for the lanes in `look` (each with m >= 1), from table t.
// Whether the single step from m holds is found for all lanes at once; a lane it
// holds for reads its row of radii, whose first levels are those that hold, and
// takes the highest of them whose steps end by maxiter - 1, its step's coefficients
// copied lane by lane: no walk from level to level, no gathers but the first.
template <bool Wide>
HWY_INLINE void longest(const Setup& s, const Levels& t, M look, const Group& g, V size,
                        Found& out) {
    const D d;
    const DI di;
    if (t.count == 0 || hn::AllFalse(d, look)) return;
    const VI j = hn::Sub(g.m, hn::Set(di, 1));
    // The single step's radius is at most 2 |Z_m| approximationerror / (e - 1), so
    // that a lane whose offset is past the bound (where orbits part from the
    // reference, on their way out) needs no look at the table.
    const V bound = hn::Mul(hn::Add(hn::Abs(g.bigx), hn::Abs(g.bigy)), hn::Set(d, s.radiusbound));
    M found = hn::And(
        hn::And(look, hn::Lt(size, bound)),
        hn::And(hn::Le(g.n, hn::Set(d, s.maxiter - 2)), tomask(hn::Lt(j, hn::Set(di, t.singles)))));
    if (hn::AllFalse(d, found)) return;
    const VI single = times<stride<Wide>>(hn::IfThenElseZero(tointmask(found), j));
    const double* radii = Wide ? t.wide : t.steps;
    found = hn::And(found, hn::Lt(size, hn::GatherIndex(d, radii + fieldr<Wide>, single)));
    if (hn::AllFalse(d, found)) return;
    HWY_ALIGN std::int64_t lanej[maxlanes];
    HWY_ALIGN double lanen[maxlanes], lanesize[maxlanes];
    hn::Store(j, di, lanej);
    hn::Store(g.n, d, lanen);
    hn::Store(size, d, lanesize);
    const int lanes = static_cast<int>(hn::Lanes(d));
    const VI iota = hn::Iota(di, 0);
    std::uint8_t bits = 0;
    hn::StoreMaskBits(d, found, &bits);
    for (unsigned b = bits; b != 0; b &= b - 1) {
        const int l = __builtin_ctz(b);
        const std::size_t row = static_cast<std::size_t>(lanej[l]);
        // Levels whose 2^k steps end by maxiter - 1, and that the row has.
        const auto room = static_cast<std::uint64_t>(s.maxiter - 1 - lanen[l]);
        const int usable = std::min(t.table->rowsize(row), 64 - __builtin_clzll(room));
        const double* radii = Wide ? t.table->wideradii(row) : t.table->radii(row);
        const V lanesizev = hn::Set(d, lanesize[l]);
        int held = 0;
        for (;;) {
            std::uint8_t holds = 0;
            hn::StoreMaskBits(d, hn::Lt(lanesizev, hn::LoadU(d, radii + held)), &holds);
            const int run = __builtin_ctz(~static_cast<unsigned>(holds) | (1u << lanes));
            held += run;
            if (run < lanes || held >= usable) break;
        }
        const int k = std::min(held, usable) - 1;
        const LinearStep& step = t.table->steps()[t.start[k] + (row >> k)];
        const M lane = tomask(hn::Eq(iota, hn::Set(di, l)));
        out.length =
            hn::IfThenElse(lane, hn::Set(d, static_cast<double>(std::int64_t{1} << k)), out.length);
        out.ax = hn::IfThenElse(lane, hn::Set(d, step.a.x), out.ax);
        out.ay = hn::IfThenElse(lane, hn::Set(d, step.a.y), out.ay);
        out.bx = hn::IfThenElse(lane, hn::Set(d, step.b.x), out.bx);
        out.by = hn::IfThenElse(lane, hn::Set(d, step.b.y), out.by);
        if constexpr (Wide) {
            const WideStep& w = t.table->widesteps()[t.start[k] + (row >> k)];
            out.asize = hn::IfThenElse(lane, hn::Set(d, w.asize), out.asize);
            out.cx = hn::IfThenElse(lane, hn::Set(d, w.c.x), out.cx);
            out.cy = hn::IfThenElse(lane, hn::Set(d, w.c.y), out.cy);
            out.csize = hn::IfThenElse(lane, hn::Set(d, w.csize), out.csize);
            out.k3 = hn::IfThenElse(lane, hn::Set(d, w.k3), out.k3);
            out.k2 = hn::IfThenElse(lane, hn::Set(d, w.k2), out.k2);
            out.k1 = hn::IfThenElse(lane, hn::Set(d, w.k1), out.k1);
            out.k0 = hn::IfThenElse(lane, hn::Set(d, w.k0), out.k0);
            out.reach = hn::IfThenElse(lane, hn::Set(d, w.reach), out.reach);
        }
    }
    out.found = hn::Or(out.found, found);
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
template <bool Squared, int E, bool Wide>
HWY_INLINE void move(const Setup& s, Group& g) {
    const D d;
    const DI di;
    const V zero = hn::Zero(d), one = hn::Set(d, 1.0);
    Found a;
    a.found = hn::FirstN(d, 0);
    a.length = a.ax = a.ay = a.bx = a.by = zero;
    a.asize = a.cx = a.cy = a.csize = a.k3 = a.k2 = a.k1 = a.k0 = a.reach = zero;
    const V size = hn::Add(hn::Abs(g.zx), hn::Abs(g.zy));
    if (s.approximates) {
        const M look = hn::And(hn::Ge(g.n, one), tomask(hn::Gt(g.m, hn::Zero(di))));
        if (!hn::AllFalse(d, look)) {
            if (s.firsttable == s.secondtable) {
                longest<Wide>(s, *s.firsttable, look, g, size, a);
            } else {
                longest<Wide>(s, *s.firsttable, hn::AndNot(g.second, look), g, size, a);
                longest<Wide>(s, *s.secondtable, hn::And(g.second, look), g, size, a);
            }
        }
    }
    if constexpr (Wide) {
        // WideBound::approximated where a step was found, else WideBound::single.
        const V reach = hn::Add(size, g.bound);
        g.unsure = hn::Or(g.unsure, hn::AndNot(hn::Le(reach, a.reach), a.found));
        const V left = hn::Add(
            hn::Mul(hn::Add(hn::Mul(hn::Add(hn::Mul(a.k3, reach), a.k2), reach), a.k1), reach),
            a.k0);
        const V carried = hn::Add(a.asize, hn::Mul(a.csize, hn::Add(hn::Add(size, size), g.bound)));
        const V approximated = hn::Add(hn::Mul(carried, g.bound), left);
        const V single = hn::Mul(hn::Add(hn::Add(g.root, g.root), g.bound), g.bound);
        g.bound = hn::IfThenElse(a.found, approximated, single);
    }
    // The approximated move: z <- A z + B dc (+ C z^2 with the wide ones).
    const V azx = hn::Sub(hn::Mul(a.ax, g.zx), hn::Mul(a.ay, g.zy));
    const V azy = hn::Add(hn::Mul(a.ax, g.zy), hn::Mul(a.ay, g.zx));
    const V bdx = hn::Sub(hn::Mul(a.bx, g.dcx), hn::Mul(a.by, g.dcy));
    const V bdy = hn::Add(hn::Mul(a.bx, g.dcy), hn::Mul(a.by, g.dcx));
    V sqx = zero, sqy = zero;
    if constexpr (Wide) {
        const V z2x = hn::Sub(hn::Mul(g.zx, g.zx), hn::Mul(g.zy, g.zy));
        const V z2y = hn::Add(hn::Mul(g.zx, g.zy), hn::Mul(g.zy, g.zx));
        sqx = hn::Sub(hn::Mul(a.cx, z2x), hn::Mul(a.cy, z2y));
        sqy = hn::Add(hn::Mul(a.cx, z2y), hn::Mul(a.cy, z2x));
    }
    // The single step: z <- (Z_m + z)^e - Z_m^e + dc.
    V tx, ty;
    difference<E>(s, g.bigx, g.bigy, g.zx, g.zy, tx, ty);
    V nx = hn::Add(azx, bdx), ny = hn::Add(azy, bdy);
    if constexpr (Wide) {
        nx = hn::Add(nx, sqx);
        ny = hn::Add(ny, sqy);
    }
    g.zx = hn::IfThenElse(a.found, nx, hn::Add(tx, g.dcx));
    g.zy = hn::IfThenElse(a.found, ny, hn::Add(ty, g.dcy));
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
    g.norm = hn::Add(hn::Mul(g.fx, g.fx), hn::Mul(g.fy, g.fy));
    if constexpr (Wide) {
        // WideBound::compared.
        g.root = hn::Sqrt(g.norm);
        const V compared = Squared ? g.norm : g.root;
        const V margin =
            Squared ? hn::Mul(hn::Add(hn::Add(g.root, g.root), g.bound), g.bound) : g.bound;
        g.unsure = hn::Or(
            g.unsure, hn::Not(hn::Gt(hn::Abs(hn::Sub(compared, hn::Set(d, s.maxsize))), margin)));
    }
    const M rebase = hn::Or(tomask(hn::Eq(g.m, g.last)),
                            hn::Lt(g.norm, hn::Add(hn::Mul(g.zx, g.zx), hn::Mul(g.zy, g.zy))));
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
        fy[maxlanes], px[maxlanes], py[maxlanes], bigx[maxlanes], bigy[maxlanes], norm[maxlanes],
        n[maxlanes], cx[maxlanes], index[maxlanes], second[maxlanes], bound[maxlanes],
        root[maxlanes], unsure[maxlanes];
    HWY_ALIGN std::int64_t m[maxlanes], last[maxlanes];
};

// The row's pixels, or those of `columns`, handed out in order; with the wide
// approximations, those left in doubt go to `unsure`.
struct Row {
    const Frame& f;
    int r;
    int count;
    int next = 0;  // the next pixel a lane takes
    int ended = 0;
    Orbit* orbits;
    const int* columns = nullptr;
    std::vector<int>* unsure = nullptr;
    int column(int k) const { return columns ? columns[k] : k; }
};

// Lane l of `sp` starts the row's next pixel, as `perturbed` starts it; past the
// end of the row an idle orbit: z and dc 0 on the first reference, never looked up.
void start(const Setup& s, Row& row, Spilled& sp, std::size_t l) {
    const int k = row.next < row.count ? row.next++ : row.count;
    sp.index[l] = k;
    sp.m[l] = 0;
    sp.last[l] = s.first.last;
    sp.second[l] = 0;
    sp.bigx[l] = s.first.z[0];
    sp.bigy[l] = s.first.z[1];
    sp.px[l] = sp.py[l] = sp.norm[l] = 0;
    sp.bound[l] = sp.root[l] = sp.unsure[l] = 0;
    if (k < row.count) {
        const int i = row.column(k);
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
    hn::Store(g.norm, d, sp.norm);
    hn::Store(g.n, d, sp.n);
    hn::Store(g.cx, d, sp.cx);
    hn::Store(g.index, d, sp.index);
    hn::Store(hn::IfThenElseZero(g.second, hn::Set(d, 1.0)), d, sp.second);
    hn::Store(g.bound, d, sp.bound);
    hn::Store(g.root, d, sp.root);
    hn::Store(hn::IfThenElseZero(g.unsure, hn::Set(d, 1.0)), d, sp.unsure);
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
    g.norm = hn::Load(d, sp.norm);
    g.n = hn::Load(d, sp.n);
    g.cx = hn::Load(d, sp.cx);
    g.index = hn::Load(d, sp.index);
    g.second = hn::Ne(hn::Load(d, sp.second), hn::Zero(d));
    g.bound = hn::Load(d, sp.bound);
    g.root = hn::Load(d, sp.root);
    g.unsure = hn::Ne(hn::Load(d, sp.unsure), hn::Zero(d));
    g.m = hn::Load(di, sp.m);
    g.last = hn::Load(di, sp.last);
}

// Hands back the pixels of the lanes in `ended` and starts the row's next ones there.
template <bool Squared>
HWY_NOINLINE void handback(const Setup& s, Row& row, Group& g, M ended) {
    Spilled sp;
    spill(g, sp);
    std::uint8_t bits = 0;
    hn::StoreMaskBits(D(), ended, &bits);
    for (unsigned b = bits; b != 0; b &= b - 1) {
        const std::size_t l = static_cast<std::size_t>(__builtin_ctz(b));
        const int i = row.column(static_cast<int>(sp.index[l]));
        Orbit& o = row.orbits[i];
        const double size = Squared ? sp.norm[l] : std::sqrt(sp.norm[l]);
        if (sp.unsure[l] != 0)
            row.unsure->push_back(i);
        else
            endorbit<Steps::none, Watch::none>(o, o, {sp.fx[l], sp.fy[l]}, sp.px[l], sp.py[l], size,
                                               static_cast<int>(sp.n[l]));
        ++row.ended;
        start(s, row, sp, l);
    }
    restore(sp, g);
}

// Independent groups of lanes in flight. A move waits on two gathers in a row (the
// radius at m, then Z at the m it leads to): four groups hide more of that than two,
// though their state no longer fits the registers (measured at the 1e50 and 5e113
// locations: a tenth faster than two, five and six slower than four).
constexpr int groups = 4;

template <bool Squared, int E, bool Wide>
void run(const Setup& s, Row& row) {
    const D d;
    const V maxsize = hn::Set(d, s.maxsize), maxiter = hn::Set(d, s.maxiter);
    // A lane whose squared size is at most `below` is surely within the escape
    // limit; past it the size itself, a square root, is worked out and compared.
    const bool moderate = s.maxsize > 0x1p-400 && s.maxsize < 0x1p400;
    const V below = hn::Set(d, Squared    ? s.maxsize
                               : moderate ? s.maxsize * s.maxsize * (1 - 0x1p-40)
                                          : -1.0);
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
            if (busy[q]) move<Squared, E, Wide>(s, g[q]);
#pragma GCC unroll 4
        for (int q = 0; q < groups; ++q) {
            const M real = hn::Lt(g[q].index, count);
            M ended =
                hn::And(hn::Or(hn::Not(hn::Le(g[q].norm, below)), hn::Ge(g[q].n, maxiter)), real);
            if constexpr (Wide) ended = hn::Or(ended, hn::And(g[q].unsure, real));
            if (HWY_LIKELY(hn::AllFalse(d, ended))) continue;
            if constexpr (!Squared)
                ended = hn::And(
                    hn::Or(hn::Not(hn::Le(hn::Sqrt(g[q].norm), maxsize)), hn::Ge(g[q].n, maxiter)),
                    real);
            if constexpr (Wide) ended = hn::Or(ended, hn::And(g[q].unsure, real));
            if (hn::AllFalse(d, ended)) continue;
            handback<Squared>(s, row, g[q], ended);
            busy[q] = !hn::AllFalse(d, hn::Lt(g[q].index, count));
        }
    }
}

// The row's pixels with the wide approximations or without.
void pass(Setup s, Row& row, const DeepImage& dp, bool wide, bool squared) {
    const Levels firsttable(dp.firsttable, wide), secondtable(dp.secondtable, wide);
    s.firsttable = &firsttable;
    s.secondtable = dp.sharedtable ? &firsttable : &secondtable;
    s.approximates = firsttable.count > 0 || s.secondtable->count > 0;
    const double error = wide ? wideerror : approximationerror;
    s.radiusbound = 2 * error / (s.e - 1) * (1 + 0x1p-40);
    if (wide)
        squared ? run<true, 2, true>(s, row) : run<false, 2, true>(s, row);
    else if (squared)
        s.e == 2 ? run<true, 2, false>(s, row) : run<true, 0, false>(s, row);
    else
        s.e == 2 ? run<false, 2, false>(s, row) : run<false, 0, false>(s, row);
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
    if (!widetaken(f)) {
        Row row{f, r, f.xres, 0, 0, orbits};
        pass(s, row, dp, false, work.squared);
        return true;
    }
    // As widepixel in perturb.cpp: the row with the wide approximations, then the
    // pixels they leave in doubt without them.
    thread_local std::vector<int> unsure;
    unsure.clear();
    Row row{f, r, f.xres, 0, 0, orbits};
    row.unsure = &unsure;
    pass(s, row, dp, true, work.squared);
    if (!unsure.empty()) {
        Row again{f, r, static_cast<int>(unsure.size()), 0, 0, orbits};
        again.columns = unsure.data();
        pass(s, again, dp, false, work.squared);
    }
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
