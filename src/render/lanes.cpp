// Vector lanes for the escape-time loop. Compiled once per instruction set; the best
// one the processor has is chosen at run time.
//
// A few groups of lanes work through a list of orbits (a row's pixels, mostly):
// - Filled: at the start every lane of every group takes the next orbit of the list,
//   in order. Lanes past the end of the list run an idle orbit at 0, which never
//   escapes and is never handed back.
// - Stepped: all groups make one step after another, each step with what the work
//   gathers after it, until the step budget is used up or every orbit has ended.
// - Harvested and refilled: after each step, a group some of whose lanes' orbits
//   ended (past the escape limit, or stopped by the epsilon cross) appends their
//   results to the ended list, and these lanes at once take the next orbits of the
//   list, so that the lanes stay busy as long as orbits are waiting; the other
//   groups step on. Short orbits end a lane somewhere almost every step: a test per
//   group keeps that from stopping all of them. The order in which orbits end does
//   not matter: each carries its index.
// - Handed back: when every orbit has ended, each one's last step is made again in
//   scalar from the iterate before it, which gives z and the size exactly as the
//   scalar loop does, whatever shortcut the lanes took in that step.
// The step budget: testing every lane against maxiter at every step would put a
// compare and a mask on the critical path of the loop. No lane can reach maxiter
// before the oldest one does, so the steps until then are counted down and the loop
// tests only the escape limit; when the count is used up the lanes at maxiter are
// harvested and refilled, and a new count is made from the oldest lane that is left.
// Cycles: where only how an orbit ended is handed back (lanecounts), a lane whose z
// comes back bit for bit to an iterate it had before repeats those steps forever and
// never escapes: it ends at once as an orbit that ran to maxiter, the same end the
// remaining steps would give. (== takes -0 for 0: orbits from two such iterates
// differ at most in the signs of zeros, which no size sees.) The orbit of an
// attracting cycle often settles on an exact cycle of doubles within a few hundred or
// thousand steps; near the boundary of the set it may take longer than maxiter. For
// z^2 + c a lane whose x comes back to within 2^-24 of the saved one is checked in
// scalar (caught): where a disc around z is proven to be drawn into itself by the
// steps since the save, the orbit never escapes either. The pixel still counts
// maxiter steps, as in the scalar loop: the iterations reported are those of the
// image's orbits, whichever way they were run.
// BOF, where a row's coloring sees nothing else of an orbit that never escapes
// (LaneWork::bofsettles), looks for cycles in the same way from early on: an orbit on
// an attracting cycle whose discs come no closer to 0 than the orbit already did
// makes no smaller size, and ends at once as one at maxiter with the size it has.
// Inside: where a row's coloring sees no more of an orbit that never escapes than
// that (lanecounts, or iteratelanes with InsideOrbits::marked), the Mandelbrot points
// of z^2 + c well inside the main cardioid or the disc of period 2 are not iterated at
// all, and the lanes take the row's other columns.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/lanes.cpp"
#include "render/lanes.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "render/lanetypes-inl.h"
#include "render/tialanes.h"

#ifndef VANTREL_LANES_ONCE
#define VANTREL_LANES_ONCE
namespace vantrel {
namespace {

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

// The bound for "sqrt(m) < limit" the same way: "m < sqrtbelow(limit)".
double sqrtbelow(double limit) {
    if (!(limit > 0)) return 0;
    return std::nextafter(sqrtlimit(std::nextafter(limit, 0.0)), HUGE_VAL);
}

// Whether the orbits of a frame's Mandelbrot points well inside the main cardioid or
// the disc of period 2 may be counted as running to maxiter without a step: z^2 + c
// with an escape limit of 2 or more (the orbit of a point of the set stays within 2).
bool skipsinside(const Frame& f) {
    return f.ftype == settype::mandelbrot && f.exponent == 2 &&
           f.maxsize >= (squaredsize(f.tiaflag) ? 4.0 : 2.0);
}

// Whether the orbit of z -> z^2 + c in doubles from z stays within |z|^2 <= limit2
// forever, caught by an attracting cycle whose period divides p. Proven with discs:
// D_0 of radius r_0 around z, and D_j+1 around the next iterate (in doubles) with a
// radius that takes in the image of D_j (2 |z_j| r_j + r_j^2) and the roundings of a
// step from anywhere in it, and of the step that made its centre (2^-48 (|w|^2 + |c|)
// covers the few a step makes, whatever their order). If D_p lies inside D_0, the
// orbit from any point of D_0 stays in D_0 .. D_p-1 for good, and these lie within
// the escape limit. The bounds carry a relative slack of 2^-40 for the roundings of
// their own arithmetic. The radius is chosen from a first pass: the cycle's pull (the
// size of the product of 2 z_j, an estimate of its multiplier), the gap between z and
// z_p, and how far roundings could carry the orbit; a pull near 1 needs the orbit very
// near the cycle. The first pass also stops at the first return within `near`: the
// period may be a divisor of p. With `lowest`, a bound below the size of every point
// of the discs, where the orbit stays, goes there.
bool caught(double zx, double zy, double cx, double cy, std::int64_t p, double near, double limit2,
            double* lowest = nullptr) {
    constexpr double slack = 1 + 0x1p-40, ulps = 0x1p-48;
    const double cabs = std::sqrt(cx * cx + cy * cy);
    const auto step = [cx, cy](double& x, double& y) {
        const double t = x * x - y * y + cx;
        y = 2 * x * y + cy;
        x = t;
    };
    double x = zx, y = zy, pull2 = 1, drift = 0;
    for (std::int64_t j = 0; j < p; ++j) {
        const double m = x * x + y * y;
        pull2 *= 4 * m;
        drift = 2 * std::sqrt(m) * drift + ulps * (m + cabs);
        step(x, y);
        if (std::abs(x - zx) <= near && std::abs(y - zy) <= near) {
            p = j + 1;
            break;
        }
    }
    const double pull = std::sqrt(pull2);
    if (!(pull < 1)) return false;
    const auto gap = [&] { return std::sqrt((x - zx) * (x - zx) + (y - zy) * (y - zy)) * slack; };
    const double r0 = 2 * (gap() + drift) / (1 - pull);
    // The roundings from anywhere in the disc: 2^-48 ((a + r)^2 + |c|) = 2^-48 (a^2 +
    // |c|) + 2^-48 (2 a r + r^2), the second part grown with the image's own.
    constexpr double grow = (1 + ulps) * slack * slack;
    double r = r0, low = HUGE_VAL;
    x = zx;
    y = zy;
    for (std::int64_t j = 0; j < p; ++j) {
        const double m = x * x + y * y, a = std::sqrt(m) * slack;
        const double reach = (a + r) * slack;
        if (!(reach * reach * slack < limit2)) return false;
        low = std::min(low, (std::sqrt(m) / slack - r) / slack);
        r = r * (2 * a + r) * grow + 2 * ulps * (a * a + cabs) * slack * slack;
        step(x, y);
    }
    if (lowest) *lowest = low;
    return (gap() + r) * slack <= r0;
}

// The start of every orbit in columns, as the refills read them, with
// idle entries past the end; and the orbits that ended, in the order they ended.
struct Columns {
    std::vector<double> zx, zy, cx, cy, cabs;
    // The y of each start made in the lanes.
    std::vector<double> y;
    // A row's column coordinates, for starts made in the lanes: the same in every row
    // of an image, so made again only for another grid (the bits of xmin and xside:
    // -0 and 0 give different columns).
    std::vector<double> x;
    std::uint64_t xmin = 0, xside = 0;
    int columns = -1, xres = 0, aa = 0, samplea = 0;
    bool samegrid(const Frame& f, int count) const {
        return columns == count && xres == f.xres && xmin == std::bit_cast<std::uint64_t>(f.xmin) &&
               xside == std::bit_cast<std::uint64_t>(f.xside) && aa == f.aa && samplea == f.samplea;
    }
};
struct Ended {
    std::vector<double> index, px, py, n;
    // What the work gathered: BOF's smallest size and its step, the TIA sums (and,
    // where they are rough, the largest term in `overflowed`), or the derivative and
    // whether it overflowed.
    std::vector<double> first, second, overflowed;
    // At hand-back: the orbits' sizes, and TIA's palette steps.
    std::vector<double> size, step;
    // 1 where the orbit ended in the step loop, past the escape limit (or stopped by
    // the epsilon cross), not at maxiter; else 0.
    std::vector<double> escaped;
    // Room for len orbits; it only grows, so that no call fills what it will write.
    void reserve(std::size_t len) {
        if (index.size() >= len) return;
        for (auto* v : {&index, &px, &py, &n, &first, &second, &overflowed, &size, &step, &escaped})
            v->resize(len);
    }
};

// Where the lanes hand their orbits back other than into the orbits: how each ended
// (counted lanes), or its end (laneends).
struct Sink {
    LaneCount* counts = nullptr;
    LaneEnds* ends = nullptr;
};

}  // namespace
}  // namespace vantrel
#endif

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

// Some pixels of a band of rows: their x, their row's y (else that of the one row),
// and their places among the band's pixels.
struct Subset {
    const double* columns;
    const double* ys;
    const int* which;
};

// The grid's columns 0 .. count, and zeros past them for the last lanes' loads.
void makegrid(const Frame& f, int count, Columns& col) {
    if (col.samegrid(f, count)) return;
    col.columns = count;
    col.xres = f.xres;
    col.xmin = std::bit_cast<std::uint64_t>(f.xmin);
    col.xside = std::bit_cast<std::uint64_t>(f.xside);
    col.aa = f.aa;
    col.samplea = f.samplea;
    col.x.assign(static_cast<std::size_t>(count) + maxlanes, 0.0);
    for (int i = 0; i < count; ++i) col.x[static_cast<std::size_t>(i)] = columnx(f, i);
}

// How a step raises z to its power.
enum class Power {
    square,       // z^2 without complex_power's products by its start (1, 0)
    exactsquare,  // z^2 with every product complex_power makes
    any,          // z^e for the frame's exponent, as complex_power makes it
};

// Independent groups of lanes in flight, so that one group's chain of dependent
// operations hides behind the others'. A derivative doubles a group's state, and
// BOF and the TIA sums add to it: with one group fewer it still fits the registers
// (measured: the first TIA variant a tenth faster; BOF and the other TIA variants
// the same either way).
constexpr int groupsfor(LaneWork w) {
    const bool big = w == LaneWork::derivative || w == LaneWork::estimate || w == LaneWork::bof ||
                     w == LaneWork::bofsettles || w == LaneWork::tia0;
    return big ? 3 : 4;
}

// A lane index, or a count of lanes, for every lane and every pattern of ended
// lanes (bit l set: lane l ended).
struct ByPattern {
    alignas(64) std::int64_t at[1 << maxlanes][maxlanes];
};

// Each lane's count of ended lanes below it: the ended lanes take the next pending
// orbits in order.
constexpr ByPattern makeranks() {
    ByPattern t{};
    for (unsigned bits = 0; bits < (1u << maxlanes); ++bits) {
        std::int64_t below = 0;
        for (std::size_t l = 0; l < maxlanes; ++l) {
            t.at[bits][l] = below;
            below += (bits >> l) & 1;
        }
    }
    return t;
}
constexpr ByPattern ranks = makeranks();

// The ended lanes in order, then lane 0 for the rest: a harvest packs each field
// with one permutation.
constexpr ByPattern makepicks() {
    ByPattern t{};
    for (unsigned bits = 0; bits < (1u << maxlanes); ++bits) {
        std::size_t to = 0;
        for (std::size_t l = 0; l < maxlanes; ++l)
            if ((bits >> l) & 1) t.at[bits][to++] = static_cast<std::int64_t>(l);
    }
    return t;
}
constexpr ByPattern picks = makepicks();

// The permutation that packs the lanes set in `bits` to the front, in lane order.
HWY_INLINE auto packing(unsigned bits) {
    return hn::IndicesFromVec(D(), hn::Load(DI(), picks.at[bits]));
}

// One group of lanes. Each work uses its own fields only; the others stay unused.
struct Group {
    V zx, zy;          // z
    V zx2, zy2;        // z.x^2 and z.y^2: the size of this step and the square of the next
    V px, py;          // the iterate before z
    V cx, cy, cabs;    // c, and |c| for the triangle inequality
    V start;           // the step count at which the lane took its orbit (idle: huge)
    V index;           // the orbit's index in the list
    V least, minstep;  // BOF: the smallest size so far (its square where sizes are
                       // square roots) and the step that made it (0: none did)
    V sum, prevsum;    // TIA: the sum of the terms, and the sum before the last one
    V derx, dery;      // the derivative
    V largest;         // the largest size of a component of the derivative so far, or
                       // of a rough TIA term
    M stopped;         // the epsilon cross stopped the orbit
    V savedx, savedy;  // counted lanes: an earlier iterate of the orbit (else NaN)
    V savedat;         // the step count at which it was saved
    V nextsave;        // the step count at which the saved iterate is replaced
};

struct Consts {
    D d;
    V zero, one, two, limit, maxiter, maxsize, eps, overflow, half, eighth, idle, nan, pastmaxiter;
    V leastsize;             // BOF: the smallest size before any step, as `least` holds it
    V belowone, tinysquare;  // 1 - 2^-50 and 2^-1000: BOF's squares surely apart
    V near;         // counted lanes: how near x comes back to the saved x before a cycle is sought
    double limit2;  // the escape limit on |z|^2
    int e;
    // Starts made in the lanes: the row's column coordinates at y, as c (Mandelbrot)
    // or as z with the Julia constant as c.
    bool placed, julia;
    V jcx, jcy;
    // TIA's terms by a quotient off the divider (roughtiasums): rows whose starts the
    // lanes make, so that an orbit can be made again exactly.
    bool rough;
    Consts(const Frame& f, bool squared, const double* starts)
        : zero(hn::Zero(d)),
          one(hn::Set(d, 1.0)),
          two(hn::Set(d, 2.0)),
          limit(hn::Set(d, squared ? f.maxsize : sqrtlimit(f.maxsize))),
          maxiter(hn::Set(d, static_cast<double>(f.maxiter))),
          maxsize(hn::Set(d, f.maxsize)),
          eps(hn::Set(d, 0.01)),
          overflow(hn::Set(d, State::overflow)),
          half(hn::Set(d, 0.5)),
          eighth(hn::Set(d, 0.125)),
          idle(hn::Set(d, 1e300)),
          nan(hn::Set(d, std::numeric_limits<double>::quiet_NaN())),
          pastmaxiter(hn::Set(d, static_cast<double>(f.maxiter) + 1)),
          leastsize(hn::Set(d, squared ? f.maxsize : sqrtbelow(f.maxsize))),
          belowone(hn::Set(d, 1 - 0x1p-50)),
          tinysquare(hn::Set(d, 0x1p-1000)),
          near(hn::Set(d, 0x1p-24)),
          limit2(hn::GetLane(limit)),
          e(std::clamp(f.exponent, 2, 17)),
          placed(starts != nullptr),
          julia(f.ftype != settype::mandelbrot),
          jcx(hn::Set(d, f.jcx)),
          jcy(hn::Set(d, f.jcy)),
          rough(starts != nullptr && roughtiasums(f)) {}
};

// a / b to within 2^-45 of its size: single precision's estimate of 1 / b and two
// of Newton's steps, all off the divider. For b below single precision's normal
// range the result is no number, and the orbit's TIA step not sure; roughtiasums
// keeps b below the top of that range.
HWY_INLINE V roughquotient(const Consts& k, V a, V b) {
    const hn::Rebind<float, D> df;
    V r = hn::PromoteTo(k.d, hn::ApproximateReciprocal(hn::DemoteTo(df, b)));
    r = hn::MulAdd(r, hn::NegMulAdd(b, r, k.one), r);
    r = hn::MulAdd(r, hn::NegMulAdd(b, r, k.one), r);
    return hn::Mul(a, r);
}

// z^e exactly as complex_power makes it, for an exponent read at run time.
HWY_INLINE void power(const Consts& k, V zx, V zy, int e, V& rx, V& ry) {
    V xt = zx, yt = zy;
    if (e & 1) {
        rx = zx;
        ry = zy;
    } else {
        rx = k.one;
        ry = k.zero;
    }
    for (e >>= 1; e != 0; e >>= 1) {
        const V t = hn::Sub(hn::Mul(xt, xt), hn::Mul(yt, yt));
        yt = hn::Mul(hn::Mul(k.two, xt), yt);
        xt = t;
        if (e & 1) {
            const V u = hn::Sub(hn::Mul(xt, rx), hn::Mul(yt, ry));
            ry = hn::Add(hn::Mul(ry, xt), hn::Mul(yt, rx));
            rx = u;
        }
    }
}

// With Counts, only how each orbit ended is handed back (lanecounts): the iterate
// before z is not kept, which leaves its registers to the groups.
// Counted lanes look for the lanes at maxiter every this many steps at least.
constexpr std::int64_t countedsweep = 32;
// Counted lanes look for cycles (compare their iterates with saved ones at every
// step, save them between runs of at most cyclesweep steps) only while at least half
// of them have made maxiter / cyclesage steps, and cyclesfrom at least: younger
// orbits are seldom on a cycle yet, and the comparisons and the short runs would
// cost more than they save. Measured: lower bounds made the default view at maxiter
// 256 or 500 and escaping views near the boundary slower by up to a tenth; with these
// none is slower, and views mostly inside at maxiter 1000 and more gain a tenth to a
// third.
constexpr std::int64_t cyclesfrom = 512;
// BOF's settling lanes look from their 32nd step on: inside, every orbit would run
// to maxiter, and an orbit the pull of its cycle has brought within 2^-24 of it by
// then settles at once.
constexpr std::int64_t settlefrom = 32;
constexpr int cyclesage = 4;
constexpr std::int64_t cyclesweep = 64;
template <Power P, LaneWork W, bool Squared, bool Counts>
struct Lanes {
    static constexpr bool derivative = W == LaneWork::derivative || W == LaneWork::estimate;
    static constexpr bool tia = W == LaneWork::tia0 || W == LaneWork::tia1 || W == LaneWork::tia2;
    static constexpr bool bof = W == LaneWork::bof || W == LaneWork::bofsettles;
    // Lanes that look for cycles: counted ones, and BOF's where it settles.
    static constexpr bool hunts = Counts || W == LaneWork::bofsettles;
    static constexpr int groups = groupsfor(W);

    // Where the lanes stand in the list of orbits.
    struct Progress {
        std::int64_t next = 0;  // the next orbit a lane takes
        std::size_t ended = 0;  // orbits handed to the ended list
        double step = 0;        // steps made by every lane since the start
    };

    // One step of every lane, and what the work gathers after it; stepv is the step
    // count the lanes reach with it (idle lanes see a huge negative one).
    static HWY_INLINE void advance(const Consts& k, Group& g, V stepv) {
        g.px = g.zx;
        g.py = g.zy;
        if constexpr (W == LaneWork::estimate) {
            const V xt = hn::Mul(hn::Add(g.zx, g.zy), hn::Sub(g.zx, g.zy));
            const V yt = hn::Mul(hn::Add(g.zx, g.zx), g.zy);
            g.zx = hn::Add(xt, g.cx);
            g.zy = hn::Add(yt, g.cy);
        } else if constexpr (P == Power::square) {
            // Without the products by one and zero: while the orbit goes on, z and
            // these products are finite, x * 1 is x, x - y * 0 is x (x is never -0,
            // a difference of squares), and 0 * x + y is y unless y is -0 and c.y -0,
            // which only the exact variant meets. The step that ends an orbit is
            // computed again, exactly, when its result is handed back.
            const V yt = hn::Mul(hn::Add(g.zx, g.zx), g.zy);
            const V xt = hn::Sub(g.zx2, g.zy2);
            g.zx = hn::Add(xt, g.cx);
            g.zy = hn::Add(yt, g.cy);
        } else if constexpr (P == Power::exactsquare) {
            const V yt = hn::Mul(hn::Mul(k.two, g.zx), g.zy);
            const V xt = hn::Sub(g.zx2, g.zy2);
            g.zx = hn::Add(hn::Sub(xt, hn::Mul(yt, k.zero)), g.cx);
            g.zy = hn::Add(hn::Add(hn::Mul(k.zero, xt), yt), g.cy);
        } else {
            V rx, ry;
            power(k, g.zx, g.zy, k.e, rx, ry);
            g.zx = hn::Add(rx, g.cx);
            g.zy = hn::Add(ry, g.cy);
        }
        g.zx2 = hn::Mul(g.zx, g.zx);
        g.zy2 = hn::Mul(g.zy, g.zy);
        gather(k, g, stepv);
    }

    static HWY_INLINE V modulus2(const Group& g) { return hn::Add(g.zx2, g.zy2); }  // |z|^2

    static HWY_INLINE V size(const Group& g) {
        if constexpr (Squared)
            return modulus2(g);
        else
            return hn::Sqrt(modulus2(g));
    }

    static HWY_INLINE void gather(const Consts& k, Group& g, V stepv) {
        if constexpr (bof) {
            // A size below the smallest has a square below that one's square; it is
            // surely below where the squares are apart by more than the roundings, and
            // the square roots are compared only for the rare lane that is not.
            const V m = modulus2(g);
            M lt = hn::Lt(m, g.least);
            // Most steps make no new smallest size in any lane.
            if (HWY_LIKELY(hn::AllFalse(k.d, lt))) return;
            if constexpr (!Squared) {
                const M sure =
                    hn::And(hn::Lt(m, hn::Mul(g.least, k.belowone)), hn::Gt(g.least, k.tinysquare));
                const M unsure = hn::AndNot(sure, lt);
                if (HWY_UNLIKELY(!hn::AllFalse(k.d, unsure)))
                    lt = hn::Or(sure, hn::And(unsure, hn::Lt(hn::Sqrt(m), hn::Sqrt(g.least))));
            }
            g.least = hn::IfThenElse(lt, m, g.least);
            g.minstep = hn::IfThenElse(lt, hn::Sub(stepv, g.start), g.minstep);
        } else if constexpr (W == LaneWork::epsilon) {
            const M near = hn::Or(hn::Lt(hn::Abs(g.zx), k.eps), hn::Lt(hn::Abs(g.zy), k.eps));
            g.stopped = hn::And(hn::Gt(hn::Sub(stepv, g.start), k.one), near);
        } else if constexpr (tia) {
            g.prevsum = g.sum;
            const V dx = hn::Sub(g.zx, g.cx), dy = hn::Sub(g.zy, g.cy);
            V lo, hi, side;
            if constexpr (W == LaneWork::tia0) {
                const V aa = hn::Abs(dx), bb = hn::Abs(dy);
                lo = hn::Abs(hn::Sub(aa, bb));
                hi = hn::Add(aa, bb);
                side = hn::Sqrt(hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy)));
            } else if constexpr (W == LaneWork::tia1) {
                const V r = hn::Sqrt(size(g));
                lo = hn::Abs(hn::Sub(r, g.cabs));
                hi = hn::Abs(hn::Add(r, g.cabs));
                side = hn::Sqrt(hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy)));
            } else {
                const V u = hn::Abs(hn::Mul(hn::Add(g.px, g.py), hn::Sub(g.px, g.py)));
                const V v = hn::Abs(hn::Mul(hn::Mul(k.two, g.px), g.py));
                const V mm = hn::Sqrt(hn::Add(hn::Mul(u, u), hn::Mul(v, v)));
                lo = hn::Abs(hn::Sub(mm, g.cabs));
                hi = hn::Add(mm, g.cabs);
                side = hn::Sqrt(size(g));
            }
            const V over = hn::Sub(side, lo), under = hn::Sub(hi, lo);
            const V q = k.rough ? roughquotient(k, over, under) : hn::Div(over, under);
            const V term = hn::IfThenElse(hn::Eq(lo, hi), k.half, q);
            g.sum = hn::Add(g.sum, term);
            // A rough term errs by a share of its size: the largest bounds the sum's
            // error. (A NaN term leaves the sum NaN, and no step sure.)
            if (k.rough) g.largest = hn::Max(hn::Abs(term), g.largest);
        } else if constexpr (derivative) {
            // d_n = 2 z_(n-1) d_(n-1) + 1 along the orbit, from d_0 = 0 and z_0 taken as
            // 0: with d_0 = 0 the first step makes d_1 = 1 whatever z_0 is (but for the
            // sign of a zero, which no size sees).
            const V xd = hn::Add(
                hn::Mul(k.two, hn::Sub(hn::Mul(g.px, g.derx), hn::Mul(g.py, g.dery))), k.one);
            g.dery = hn::Mul(k.two, hn::Add(hn::Mul(g.px, g.dery), hn::Mul(g.py, g.derx)));
            g.derx = xd;
            // The derivative passed its limit where the largest passes it. Max(v,
            // largest) gives largest where v is NaN, on every target: a NaN never
            // counts, and largest is never NaN.
            const V ax = hn::Abs(g.derx), ay = hn::Abs(g.dery);
            if constexpr (W == LaneWork::derivative) {
                // fmax(|x|, |y|) > limit, NaN in either one left out
                g.largest = hn::Max(ay, hn::Max(ax, g.largest));
            } else {
                // std::max(|x|, |y|) > limit: |y| counts only where it is the larger
                g.largest = hn::Max(hn::IfThenElse(hn::Lt(ax, ay), ay, ax), g.largest);
            }
        }
    }

    // The lanes whose orbits go on: within the escape limit and not stopped.
    static HWY_INLINE M goes(const Consts& k, const Group& g) {
        const M in = hn::Le(modulus2(g), k.limit);
        if constexpr (W == LaneWork::epsilon)
            return hn::AndNot(g.stopped, in);
        else
            return in;
    }

    // The lanes in `fresh` take the next pending orbits (idle entries past the end).
    static HWY_INLINE void refill(const Consts& k, Group& g, M fresh, const Columns& col, V stepv,
                                  V countv, std::int64_t& next, std::int64_t count) {
        const D d;
        const DI di;
        std::uint8_t bits = 0;
        hn::StoreMaskBits(d, fresh, &bits);
        const VI rank = hn::Load(di, ranks.at[bits]);
        const VI at = hn::Add(hn::Set(di, next), rank);
        // Fresh lanes take the pending orbits next, next + 1, ... in lane order: one
        // load and a permutation instead of a gather.
        const auto indices = hn::IndicesFromVec(d, rank);
        const auto take = [&](const std::vector<double>& column) {
            return hn::TableLookupLanes(hn::LoadU(d, column.data() + next), indices);
        };
        const V index = hn::ConvertTo(d, at);
        if (k.placed) {
            // Idle lanes past the end get zeros: an orbit that stays at 0 never
            // stops the others.
            const M real = hn::Lt(index, countv);
            const V x = hn::IfThenElseZero(real, take(col.x));
            const V y = hn::IfThenElseZero(real, take(col.y));
            const V zx = k.julia ? x : k.zero, zy = k.julia ? y : k.zero;
            const V cx = k.julia ? hn::IfThenElseZero(real, k.jcx) : x;
            const V cy = k.julia ? hn::IfThenElseZero(real, k.jcy) : y;
            g.zx = hn::IfThenElse(fresh, zx, g.zx);
            g.zy = hn::IfThenElse(fresh, zy, g.zy);
            g.cx = hn::IfThenElse(fresh, cx, g.cx);
            g.cy = hn::IfThenElse(fresh, cy, g.cy);
            if constexpr (W == LaneWork::tia1 || W == LaneWork::tia2)
                g.cabs = hn::IfThenElse(fresh, hn::Sqrt(hn::Add(hn::Mul(cx, cx), hn::Mul(cy, cy))),
                                        g.cabs);
        } else {
            g.zx = hn::IfThenElse(fresh, take(col.zx), g.zx);
            g.zy = hn::IfThenElse(fresh, take(col.zy), g.zy);
            g.cx = hn::IfThenElse(fresh, take(col.cx), g.cx);
            g.cy = hn::IfThenElse(fresh, take(col.cy), g.cy);
            if constexpr (W == LaneWork::tia1 || W == LaneWork::tia2)
                g.cabs = hn::IfThenElse(fresh, take(col.cabs), g.cabs);
        }
        next = std::min(next + static_cast<std::int64_t>(hn::CountTrue(d, fresh)), count);
        g.index = hn::IfThenElse(fresh, index, g.index);
        g.start =
            hn::IfThenElse(fresh, hn::IfThenElse(hn::Lt(index, countv), stepv, k.idle), g.start);
        g.zx2 = hn::Mul(g.zx, g.zx);
        g.zy2 = hn::Mul(g.zy, g.zy);
        if constexpr (bof) {
            g.least = hn::IfThenElse(fresh, k.leastsize, g.least);
            g.minstep = hn::IfThenElse(fresh, k.zero, g.minstep);
        } else if constexpr (tia) {
            g.sum = hn::IfThenElse(fresh, k.zero, g.sum);
            g.prevsum = hn::IfThenElse(fresh, k.zero, g.prevsum);
            g.largest = hn::IfThenElse(fresh, k.zero, g.largest);
        } else if constexpr (derivative) {
            g.derx = hn::IfThenElse(fresh, k.zero, g.derx);
            g.dery = hn::IfThenElse(fresh, k.zero, g.dery);
            g.largest = hn::IfThenElse(fresh, k.zero, g.largest);
        } else if constexpr (W == LaneWork::epsilon) {
            g.stopped = hn::AndNot(fresh, g.stopped);
        }
        if constexpr (hunts) {
            // Nothing saved yet: NaN equals nothing. Idle lanes never save.
            g.savedx = hn::IfThenElse(fresh, k.nan, g.savedx);
            g.savedy = hn::IfThenElse(fresh, k.nan, g.savedy);
            g.nextsave = hn::IfThenElse(fresh, g.start, g.nextsave);
        }
    }

    // Appends the lanes in `ended` to `out` at `at`; returns how many they were. Each
    // field goes in packed: the ended lanes first, in lane order, and whatever after
    // them, which the next ones overwrite (`out` has room for a vector past its end).
    static HWY_INLINE std::size_t harvest(const Consts& k, const Group& g, M ended, V stepv,
                                          bool escaped, Ended& out, std::size_t at) {
        const D d;
        std::uint8_t bits = 0;
        hn::StoreMaskBits(d, ended, &bits);
        const auto pick = packing(bits);
        const auto put = [&](V v, std::vector<double>& to) {
            hn::StoreU(hn::TableLookupLanes(v, pick), d, to.data() + at);
        };
        put(g.index, out.index);
        const V made = hn::Sub(stepv, g.start);
        if constexpr (Counts) {
            // A counted lane may step on past maxiter (run): there it ended, inside.
            const M inside = hn::Gt(made, k.maxiter);
            put(escaped ? hn::IfThenZeroElse(inside, k.one) : k.zero, out.escaped);
            put(hn::Min(made, k.maxiter), out.n);
        } else {
            put(g.px, out.px);
            put(g.py, out.py);
            // A settled lane ended as at maxiter (made is past it).
            put(hunts ? hn::Min(made, k.maxiter) : made, out.n);
        }
        if constexpr (derivative) {
            put(g.derx, out.first);
            put(g.dery, out.second);
            put(hn::IfThenElseZero(hn::Gt(g.largest, k.overflow), k.one), out.overflowed);
        } else if constexpr (tia) {
            put(g.sum, out.first);
            put(g.prevsum, out.second);
            put(g.largest, out.overflowed);
        } else if constexpr (bof) {
            put(Squared ? g.least
                        : hn::IfThenElse(hn::Eq(g.minstep, k.zero), k.maxsize, hn::Sqrt(g.least)),
                out.first);
            put(g.minstep, out.second);
        }
        return static_cast<std::size_t>(std::popcount(bits));
    }

    // The starts in columns: the row's column coordinates when the lanes make the
    // starts themselves, else the orbits' own starts.
    static void loadstarts(const Frame& f, const Consts& k, const Orbit* orbits, int count,
                           const double* starts, const Subset* some, Columns& col) {
        const std::size_t n = static_cast<std::size_t>(std::max(count, 0)), len = n + maxlanes;
        if (k.placed) {
            col.y.assign(len, 0.0);
            if (some && some->ys)
                std::copy_n(some->ys, n, col.y.begin());
            else
                std::fill_n(col.y.begin(), n, *starts);
        }
        if (k.placed && some) {
            col.columns = -1;  // not the grid's
            col.x.assign(len, 0.0);
            std::copy_n(some->columns, n, col.x.begin());
        } else if (k.placed) {
            makegrid(f, count, col);
        } else {
            for (auto* v : {&col.zx, &col.zy, &col.cx, &col.cy, &col.cabs}) v->assign(len, 0.0);
            for (int i = 0; i < count; ++i) {
                col.zx[i] = orbits[i].z.x;
                col.zy[i] = orbits[i].z.y;
                col.cx[i] = orbits[i].c.x;
                col.cy[i] = orbits[i].c.y;
                col.cabs[i] = orbits[i].csize;
            }
        }
    }

    // Every lane takes an orbit of the list.
    static HWY_INLINE void fill(const Consts& k, Group (&g)[groups], const Columns& col, V countv,
                                Progress& p, std::int64_t count) {
        const D d;
#pragma GCC unroll 8
        for (int q = 0; q < groups; ++q) {
            Group& gr = g[q];
            gr = Group{};
            refill(k, gr, hn::FirstN(d, hn::Lanes(d)), col, hn::Zero(d), countv, p.next, count);
        }
    }

    // The steps no lane can make without reaching maxiter: maxiter less the steps
    // of the oldest orbit in the lanes.
    static HWY_INLINE std::int64_t budget(const Frame& f, const Group (&g)[groups], double step) {
        const D d;
        V first = g[0].start;
#pragma GCC unroll 8
        for (int q = 1; q < groups; ++q) first = hn::Min(first, g[q].start);
        const double mostmade = step - hn::GetLane(hn::MinOfLanes(d, first));
        return f.maxiter - static_cast<std::int64_t>(mostmade);
    }

    // The lanes of `gr` in `done` that hold orbits of the list are harvested at the
    // step count `stepv` (`escaped`: in the step loop, not at maxiter) and take the
    // next orbits of the list.
    static HWY_INLINE void harvestandrefill(const Consts& k, Group& gr, M done, V stepv,
                                            bool escaped, const Columns& col, V countv, Ended& out,
                                            Progress& p, std::int64_t count) {
        const M real = hn::And(done, hn::Lt(gr.index, countv));
        if (hn::AllFalse(k.d, real)) return;
        p.ended += harvest(k, gr, real, stepv, escaped, out, p.ended);
        refill(k, gr, real, col, stepv, countv, p.next, count);
    }

    // Counted lanes whose x may have come back to the saved one: exactly, or (z^2 + c)
    // near enough for an attracting cycle to be sought.
    static HWY_INLINE M back(const Consts& k, const Group& g) {
        if constexpr (P == Power::any)
            return hn::Eq(g.zx, g.savedx);
        else
            return hn::Le(hn::Abs(hn::Sub(g.zx, g.savedx)), k.near);
    }

    // The counted lanes among those that came back whose orbits never escape: z came
    // back bit for bit to the saved iterate (the steps between repeat forever), or
    // (z^2 + c) a disc around z is proven to be drawn into itself by the steps since
    // the save. A lane that came near and was not caught compares no more until it
    // saves again. BOF's settling lanes need more of a disc: that none of its points,
    // where the orbit stays, comes closer than the closest approach so far (an exact
    // return only repeats iterates it has seen).
    static HWY_INLINE M caught(const Consts& k, Group& g, V stepv) {
        const D d;
        const M exact = hn::And(hn::Eq(g.zx, g.savedx), hn::Eq(g.zy, g.savedy));
        if constexpr (P == Power::any) {
            return exact;
        } else {
            const M near = hn::AndNot(exact, back(k, g));
            if (hn::AllFalse(d, near)) return exact;
            HWY_ALIGN double v[6][maxlanes];
            hn::Store(g.zx, d, v[0]);
            hn::Store(g.zy, d, v[1]);
            hn::Store(g.cx, d, v[2]);
            hn::Store(g.cy, d, v[3]);
            hn::Store(hn::Sub(stepv, g.savedat), d, v[4]);
            if constexpr (bof) hn::Store(g.least, d, v[5]);
            std::uint8_t bits = 0, proven = 0;
            hn::StoreMaskBits(d, near, &bits);
            for (unsigned b = bits; b != 0; b &= b - 1) {
                const int l = __builtin_ctz(b);
                double lowest = 0;
                const bool stays = vantrel::caught(v[0][l], v[1][l], v[2][l], v[3][l],
                                                   static_cast<std::int64_t>(v[4][l]),
                                                   hn::GetLane(k.near), k.limit2, &lowest);
                // `least` holds a square either way.
                const bool settled =
                    !bof || (lowest > 0 && lowest * lowest > v[5][l] * (1 + 0x1p-40));
                if (stays && settled) proven |= static_cast<std::uint8_t>(1u << l);
            }
            const M yes = hn::LoadMaskBits(d, &proven);
            g.savedx = hn::IfThenElse(hn::AndNot(yes, near), k.nan, g.savedx);
            return hn::Or(exact, yes);
        }
    }

    // Steps every group `budget` times, or until every orbit has ended; a group whose
    // lanes end is harvested and refilled at once, the others step on. Returns the
    // steps made. With Cycles, a counted lane whose z comes back to its saved iterate
    // ends too, as one that ran to maxiter.
    template <bool Cycles>
    static HWY_INLINE std::int64_t stepandrefill(const Consts& k, Group (&g)[groups],
                                                 const Columns& col, V countv, Ended& out,
                                                 Progress& p, std::int64_t count,
                                                 std::int64_t budget) {
        const D d;
        std::int64_t made = 0;  // counted in a register
        for (;;) {
            ++made;
            const V stepv = hn::Set(d, p.step + static_cast<double>(made));
#pragma GCC unroll 8
            for (int q = 0; q < groups; ++q) advance(k, g[q], stepv);
            bool ended = false;
#pragma GCC unroll 8
            for (int q = 0; q < groups; ++q) {
                Group& gr = g[q];
                const M in = goes(k, gr);
                // Only x is compared at every step; y where x matched.
                const M go = Cycles ? hn::AndNot(back(k, gr), in) : in;
                if (HWY_LIKELY(hn::AllTrue(d, go))) continue;
                M done = hn::Not(go);
                if constexpr (Cycles) {
                    const M inside = hn::And(in, caught(k, gr, stepv));
                    done = hn::Or(hn::Not(in), inside);
                    // Handed back as past maxiter: inside, at maxiter.
                    gr.start = hn::IfThenElse(inside, hn::Sub(stepv, k.pastmaxiter), gr.start);
                }
                harvestandrefill(k, gr, done, stepv, true, col, countv, out, p, count);
                ended = true;
            }
            if (made == budget || (ended && p.ended == static_cast<std::size_t>(count))) {
                p.step += static_cast<double>(made);
                return made;
            }
        }
    }

    // With the budget used up: the lanes at maxiter (counted ones: or past it) are
    // harvested and refilled. Those that left the escape limit at the same step are
    // harvested already.
    static HWY_INLINE void harvestmaxiter(const Consts& k, Group (&g)[groups], const Columns& col,
                                          V countv, Ended& out, Progress& p, std::int64_t count) {
        const V stepv = hn::Set(k.d, p.step);
#pragma GCC unroll 8
        for (int q = 0; q < groups; ++q)
            harvestandrefill(k, g[q], hn::Ge(hn::Sub(stepv, g[q].start), k.maxiter), stepv, false,
                             col, countv, out, p, count);
    }

    // The lanes that have made at least `age` steps.
    static HWY_INLINE int oldlanes(const Group (&g)[groups], double step, std::int64_t age) {
        const D d;
        const V born = hn::Set(d, step - static_cast<double>(age));
        std::size_t old = 0;
#pragma GCC unroll 8
        for (int q = 0; q < groups; ++q) old += hn::CountTrue(d, hn::Le(g[q].start, born));
        return static_cast<int>(old);
    }

    // Counted lanes due to save their iterate (at the step count nextsave) save it; the
    // next save comes when the orbit has aged by an eighth more, and no sooner than
    // the end of the next run of steps. A cycle is met once the orbit is on it and the
    // saves are at least its period apart: soon after it settles when the period is
    // short, as most are; a long one waits for the orbit's age to reach 8 periods.
    // (Brent's doubling would find those sooner but the short ones up to twice as late:
    // on the seahorse valley it leaves more steps to make.)
    static HWY_INLINE void save(const Consts& k, Group (&g)[groups], double step) {
        const V stepv = hn::Set(k.d, step);
#pragma GCC unroll 8
        for (int q = 0; q < groups; ++q) {
            Group& gr = g[q];
            const M due = hn::Ge(stepv, gr.nextsave);
            gr.savedx = hn::IfThenElse(due, gr.zx, gr.savedx);
            gr.savedy = hn::IfThenElse(due, gr.zy, gr.savedy);
            gr.savedat = hn::IfThenElse(due, stepv, gr.savedat);
            gr.nextsave = hn::IfThenElse(
                due, hn::Add(hn::Mul(hn::Sub(stepv, gr.start), k.eighth), stepv), gr.nextsave);
        }
    }

    // The step from the iterate before the last, made again in scalar: the lanes leave
    // out products that matter only where an orbit ends.
    static COMPLEX laststep(const Consts& k, double x, double y, COMPLEX c) {
        if constexpr (W == LaneWork::estimate) {
            return {(x + y) * (x - y) + c.x, 2.0 * x * y + c.y};
        } else {
            COMPLEX p;
            complex_power({x, y}, k.e, &p);
            return {p.x + c.x, p.y + c.y};
        }
    }

    // The size of an orbit that ends at z.
    static double endsize(COMPLEX z) {
        const double m = z.x * z.x + z.y * z.y;
        return Squared ? m : std::sqrt(m);
    }

    // The ends of a row's orbits (with the derivative, where they took it along), by
    // their places in the row at y (the orbits of `some` where there is one). A
    // vector of orbits at a time but for the last few: the last step's products,
    // made by the same operations as in scalar, give the same bits.
    static void handends(const Frame& f, const Consts& k, const Columns& col, const Ended& out,
                         std::size_t ended, double y, LaneEnds& ends, const Subset* some) {
        const D d;
        const DI di;
        const hn::Rebind<std::int32_t, D> d32;
        const std::size_t lanes = hn::Lanes(d);
        const V cy = hn::Set(d, k.julia ? f.jcy : y), jcx = hn::Set(d, f.jcx);
        std::size_t r = 0;
        for (; r + lanes <= ended; r += lanes) {
            const V index = hn::LoadU(d, out.index.data() + r);
            const VI at = hn::ConvertTo(di, index);
            const V cx = k.julia ? jcx : hn::GatherIndex(d, col.x.data(), at);
            const V x = hn::LoadU(d, out.px.data() + r), yy = hn::LoadU(d, out.py.data() + r);
            V zx, zy;
            if constexpr (W == LaneWork::estimate) {
                zx = hn::Add(hn::Mul(hn::Add(x, yy), hn::Sub(x, yy)), cx);
                zy = hn::Add(hn::Mul(hn::Mul(k.two, x), yy), cy);
            } else {
                // complex_power's square: its products by its start (1, 0) too.
                const V t = hn::Sub(hn::Mul(x, x), hn::Mul(yy, yy));
                const V u = hn::Mul(hn::Mul(k.two, x), yy);
                zx = hn::Add(hn::Sub(hn::Mul(t, k.one), hn::Mul(u, k.zero)), cx);
                zy = hn::Add(hn::Add(hn::Mul(k.zero, t), hn::Mul(u, k.one)), cy);
            }
            const V m = hn::Add(hn::Mul(zx, zx), hn::Mul(zy, zy));
            const VI place =
                some
                    ? hn::PromoteTo(di, hn::GatherIndex(d32, some->which, hn::DemoteTo(d32, index)))
                    : at;
            hn::ScatterIndex(hn::LoadU(d, out.n.data() + r), d, ends.n.data(), place);
            hn::ScatterIndex(Squared ? m : hn::Sqrt(m), d, ends.size.data(), place);
            hn::ScatterIndex(zy, d, ends.zy.data(), place);
            if constexpr (derivative) {
                hn::ScatterIndex(hn::LoadU(d, out.first.data() + r), d, ends.dx.data(), place);
                hn::ScatterIndex(hn::LoadU(d, out.second.data() + r), d, ends.dy.data(), place);
                hn::ScatterIndex(hn::LoadU(d, out.overflowed.data() + r), d, ends.overflowed.data(),
                                 place);
            } else if constexpr (bof) {
                hn::ScatterIndex(hn::LoadU(d, out.first.data() + r), d, ends.least.data(), place);
                hn::ScatterIndex(hn::LoadU(d, out.second.data() + r), d, ends.leaststep.data(),
                                 place);
            }
        }
        for (; r < ended; ++r) {
            const auto index = static_cast<std::size_t>(out.index[r]);
            const std::size_t i = some ? static_cast<std::size_t>(some->which[index]) : index;
            const COMPLEX c = k.julia ? COMPLEX{f.jcx, f.jcy} : COMPLEX{col.x[index], y};
            const COMPLEX z = laststep(k, out.px[r], out.py[r], c);
            ends.n[i] = out.n[r];
            ends.size[i] = endsize(z);
            ends.zy[i] = z.y;
            if constexpr (derivative) {
                ends.dx[i] = out.first[r];
                ends.dy[i] = out.second[r];
                ends.overflowed[i] = out.overflowed[r];
            } else if constexpr (bof) {
                ends.least[i] = out.first[r];
                ends.leaststep[i] = out.second[r];
            }
        }
    }

    // Back to the orbits, the last step made again in scalar: the same result
    // wherever the lanes left out a product that mattered only there.
    static void handback(const Frame& f, const Consts& k, const Columns& col, Ended& out,
                         std::size_t ended, Orbit* orbits, const double* starts, const Sink& to,
                         const Subset* some) {
        // The orbit's place among the row's.
        const auto place = [&](std::size_t r) {
            const auto i = static_cast<std::size_t>(out.index[r]);
            return some ? static_cast<std::size_t>(some->which[i]) : i;
        };
        if constexpr (Counts) {
            for (std::size_t r = 0; r < ended; ++r)
                to.counts[place(r)] = {static_cast<int>(out.n[r]), out.escaped[r] != 0};
            return;
        }
        if constexpr (derivative || bof || W == LaneWork::plain) {
            if (to.ends) return handends(f, k, col, out, ended, *starts, *to.ends, some);
        }
        for (std::size_t r = 0; r < ended; ++r) {
            Orbit& o = orbits[place(r)];
            if (starts) {
                const double x = col.x[static_cast<std::size_t>(out.index[r])];
                if (k.julia) {
                    o.c = {f.jcx, f.jcy};
                    o.jzx = x;
                    o.jzy = *starts;
                } else {
                    o.c = {x, *starts};
                }
                o.orbit = nullptr;
            }
            o.lanederivative = derivative;
            o.x = out.px[r];
            o.y = out.py[r];
            o.n = static_cast<int>(out.n[r]);
            o.z = laststep(k, o.x, o.y, o.c);
            o.size = endsize(o.z);
            if constexpr (tia) out.size[r] = o.size;
            if constexpr (bof) {
                o.infsize = out.first[r];
                o.ninfsize = out.second[r];
            } else if constexpr (tia) {
                o.sum = out.first[r];
                o.sum2 = out.second[r];
            } else if constexpr (derivative) {
                o.dx = out.first[r];
                o.dy = out.second[r];
                o.dover = out.overflowed[r] != 0;
            }
        }
        // TIA's palette steps of the escaped orbits, from their sizes and sums at hand.
        if constexpr (tia) {
            if (!blendstia(f)) return;
            tiasteps(f, out.size.data(), out.n.data(), out.first.data(), out.second.data(),
                     static_cast<int>(ended), out.step.data(),
                     k.rough ? out.overflowed.data() : nullptr);
            for (std::size_t r = 0; r < ended; ++r) {
                const std::size_t i = place(r);
                Orbit& o = orbits[i];
                const bool gone = escaped(f, o);
                o.tiastep = gone ? out.step[r] : std::numeric_limits<double>::quiet_NaN();
                // The coloring reads rough sums only through a sure step; where there is
                // none, the orbit is made again exactly.
                if (k.rough && gone && std::isnan(o.tiastep)) {
                    Orbit exact = startpixel(f, static_cast<int>(i), *starts);
                    iterate(f, exact, nullptr);
                    o.sum = exact.sum;
                    o.sum2 = exact.sum2;
                }
            }
        }
    }

    // With `starts` (the row's y), the lanes make the starts and the orbits need no
    // placing; otherwise they read them from the orbits. With `counts`, only how each
    // orbit ended goes there, and `orbits` is not touched.
    static void run(const Frame& f, Orbit* orbits, int count, const double* starts, const Sink& to,
                    const Subset* some) {
        const Consts k(f, Squared, starts);
        thread_local Columns col;
        thread_local Ended out;
        loadstarts(f, k, orbits, count, starts, some, col);
        out.reserve(static_cast<std::size_t>(count) + maxlanes);

        const V countv = hn::Set(k.d, static_cast<double>(count));
        Progress p;
        Group g[groups];
        fill(k, g, col, countv, p, count);
        // Refills replace ended lanes by newer ones, so the oldest lane only grows
        // younger: the budget stays a safe bound as it runs down, and is made again
        // only when it is used up.
        const std::int64_t huntfrom =
            Counts ? std::max<std::int64_t>(f.maxiter / cyclesage, cyclesfrom) : settlefrom;
        const int lanes = groups * static_cast<int>(hn::Lanes(k.d));
        while (p.ended < static_cast<std::size_t>(count)) {
            // Counted lanes need no exact end at maxiter: the lanes at maxiter are
            // looked for once in a while, not at every oldest lane's end, and at least
            // countedsweep steps apart. Settling ones end there exactly.
            const std::int64_t steps = budget(f, g, p.step);
            const std::int64_t shortest = Counts ? countedsweep : 1;
            if constexpr (hunts) {
                // Cycles are looked for while at least half of the lanes have made
                // huntfrom steps; until the oldest has, the steps run on to that point,
                // and while too few others have, the lanes are counted again every few
                // runs.
                const std::int64_t oldest = f.maxiter - steps;
                const bool hunt = oldest >= huntfrom && 2 * oldlanes(g, p.step, huntfrom) >= lanes;
                if (hunt) {
                    stepandrefill<true>(k, g, col, countv, out, p, count,
                                        std::max(std::min(steps, cyclesweep), shortest));
                } else {
                    const std::int64_t run = oldest < huntfrom ? huntfrom - oldest : 4 * cyclesweep;
                    stepandrefill<false>(k, g, col, countv, out, p, count,
                                         std::max(std::min(steps, run), shortest));
                }
                harvestmaxiter(k, g, col, countv, out, p, count);
                if (hunt) save(k, g, p.step);
            } else {
                stepandrefill<false>(k, g, col, countv, out, p, count, steps);
                harvestmaxiter(k, g, col, countv, out, p, count);
            }
        }
        handback(f, k, col, out, p.ended, orbits, starts, to, some);
    }
};

template <Power P, LaneWork W, bool Squared>
void runlanes(const Frame& f, Orbit* orbits, int count, const double* starts, const Sink& to,
              const Subset* some) {
    if constexpr (W == LaneWork::plain) {
        if (to.counts) return Lanes<P, W, Squared, true>::run(f, orbits, count, starts, to, some);
    }
    Lanes<P, W, Squared, false>::run(f, orbits, count, starts, to, some);
}

template <LaneWork W, bool Squared>
void bysquare(const Frame& f, bool exact, Orbit* orbits, int count, const double* rowy,
              const Sink& to, const Subset* some) {
    if (exact)
        runlanes<Power::exactsquare, W, Squared>(f, orbits, count, rowy, to, some);
    else
        runlanes<Power::square, W, Squared>(f, orbits, count, rowy, to, some);
}

template <LaneWork W>
void bysize(const Frame& f, bool exact, bool squared, Orbit* orbits, int count, const double* rowy,
            const Sink& to, const Subset* some) {
    if (squared)
        bysquare<W, true>(f, exact, orbits, count, rowy, to, some);
    else
        bysquare<W, false>(f, exact, orbits, count, rowy, to, some);
}

// With a sink, only for a row whose starts the lanes make: counts for the plain work,
// ends for the plain work's and the derivative's.
bool Iterate(const Frame& f, LaneWork work, Orbit* orbits, int count, const double* rowy,
             const Sink& to, const Subset* some) {
    if (f.exponent != 2 && work != LaneWork::plain) return false;
    // A row whose starts the lanes do not make is placed here as the scalar loop
    // places it; `starts` tells the lanes to make the others themselves.
    if (rowy && (f.okinvert || f.maxiter <= 0))
        for (int i = 0; i < count; ++i) orbits[i] = startpixel(f, i, *rowy);
    const double* starts = rowy && !f.okinvert ? rowy : nullptr;
    if (count <= 0 || f.maxiter <= 0) return true;  // no orbit makes a step
    const bool squared = squaredsize(f.tiaflag);
    if (f.exponent != 2) {
        squared ? runlanes<Power::any, LaneWork::plain, true>(f, orbits, count, starts, to, some)
                : runlanes<Power::any, LaneWork::plain, false>(f, orbits, count, starts, to, some);
        return true;
    }
    // A c.y of -0 is where the products by zero of the square matter.
    const auto negzero = [](double v) { return v == 0 && std::signbit(v); };
    bool exact = false;
    if (starts && f.ftype != settype::mandelbrot)
        exact = negzero(f.jcy);
    else if (starts && some && some->ys)
        for (int i = 0; i < count; ++i) exact = exact || negzero(some->ys[i]);
    else if (starts)
        exact = negzero(*starts);
    else
        for (int i = 0; i < count; ++i) exact = exact || negzero(orbits[i].c.y);
    switch (work) {
        case LaneWork::plain:
            bysize<LaneWork::plain>(f, exact, squared, orbits, count, starts, to, some);
            break;
        case LaneWork::bof:
            bysize<LaneWork::bof>(f, exact, squared, orbits, count, starts, to, some);
            break;
        case LaneWork::bofsettles:
            bysize<LaneWork::bofsettles>(f, exact, squared, orbits, count, starts, to, some);
            break;
        case LaneWork::epsilon:
            bysize<LaneWork::epsilon>(f, exact, squared, orbits, count, starts, to, some);
            break;
        case LaneWork::derivative:
            bysize<LaneWork::derivative>(f, exact, squared, orbits, count, starts, to, some);
            break;
        // Its own square, (x + y)(x - y) and 2xy, in place of either of the others.
        case LaneWork::estimate:
            runlanes<Power::square, LaneWork::estimate, false>(f, orbits, count, starts, to, some);
            break;
        // The sums watch the ending step too: always the exact square.
        case LaneWork::tia0:
            runlanes<Power::exactsquare, LaneWork::tia0, false>(f, orbits, count, starts, to, some);
            break;
        case LaneWork::tia1:
            runlanes<Power::exactsquare, LaneWork::tia1, true>(f, orbits, count, starts, to, some);
            break;
        case LaneWork::tia2:
            runlanes<Power::exactsquare, LaneWork::tia2, true>(f, orbits, count, starts, to, some);
            break;
    }
    return true;
}

// The columns of a row of the frame's grid.
const Columns& rowgrid(const Frame& f) {
    thread_local Columns grid;
    makegrid(f, f.xres, grid);
    return grid;
}

// Whether c = x + iy is well inside the main cardioid or the disc of period 2: where
// the orbit of 0 is drawn to an attracting fixed point or 2-cycle whose multiplier is
// at most 1 - 2^-20 in size. The orbit then keeps some 10^-6 (1 - |multiplier|, the
// distance to the nearest repelling point at the cusp, and more elsewhere) from the
// boundary of the fixed point's basin, 10^10 times the roundings of doubles, and
// never escapes: 28,000 points at random with multipliers from 0.999 to 1 - 10^-12
// ran 10^6 steps in doubles without one escape. The few points nearer the edge
// (where the pull fades) are iterated as any others.
HWY_INLINE M wellinside(V x, V y) {
    const D d;
    const V most = hn::Set(d, (1 - 0x1p-20) * (1 - 0x1p-20)), one = hn::Set(d, 1.0),
            left = hn::Set(d, -0.75);
    // Period 2 (left of -3/4): the cycle's multiplier is 4 (c + 1).
    const V bx = hn::Add(x, one);
    const V bulb = hn::Mul(hn::Set(d, 16.0), hn::Add(hn::Mul(bx, bx), hn::Mul(y, y)));
    const M inbulb = hn::And(hn::Lt(x, left), hn::Le(bulb, most));
    // Period 1 (right of -3/4): the fixed point's multiplier is 1 - w, w = sqrt(1 -
    // 4c) with Re w >= 0, and |1 - w|^2 = 1 - 2 Re w + |w|^2. The roots only where
    // some lane is in the cardioid at all: q (q + x - 1/4) < y^2 / 4 with q = (x -
    // 1/4)^2 + y^2.
    const V xq = hn::Sub(x, hn::Set(d, 0.25)), y2 = hn::Mul(y, y);
    const V q = hn::Add(hn::Mul(xq, xq), y2);
    const M box =
        hn::And(hn::Ge(x, left), hn::Lt(hn::Mul(q, hn::Add(q, xq)), hn::Mul(y2, hn::Set(d, 0.25))));
    if (hn::AllFalse(d, box)) return inbulb;
    const V a = hn::Sub(one, hn::Mul(hn::Set(d, 4.0), x)), b = hn::Mul(hn::Set(d, 4.0), y);
    const V w = hn::Sqrt(hn::Add(hn::Mul(a, a), hn::Mul(b, b)));
    const V re = hn::Sqrt(hn::Mul(hn::Add(w, a), hn::Set(d, 0.5)));
    const V cardioid = hn::Add(hn::Sub(one, hn::Add(re, re)), w);
    return hn::Or(inbulb, hn::And(box, hn::Le(cardioid, most)));
}

// The row's columns whose points are not well inside the main cardioid or the disc
// of period 2: their x, and their index in the row. False, with the lists left as
// they were, where that is every column.
bool outsidecolumns(const Frame& f, double rowy, std::vector<double>& columns,
                    std::vector<int>& which) {
    const Columns& grid = rowgrid(f);
    thread_local std::vector<std::uint8_t> inside;
    const D d;
    const V y = hn::Set(d, rowy);
    const int lanes = static_cast<int>(hn::Lanes(d));
    inside.resize(static_cast<std::size_t>(f.xres / lanes + 1));
    std::uint8_t any = 0;
    for (int from = 0; from < f.xres; from += lanes) {
        std::uint8_t& bits = inside[static_cast<std::size_t>(from / lanes)];
        hn::StoreMaskBits(d, wellinside(hn::LoadU(d, grid.x.data() + from), y), &bits);
        any |= bits;
    }
    if (!any) return false;
    // The others packed a vector at a time, past the row's end left out.
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    columns.resize(xres + maxlanes);
    which.resize(xres);
    std::size_t n = 0;
    for (int from = 0; from < f.xres; from += lanes) {
        unsigned keep = ~inside[static_cast<std::size_t>(from / lanes)] & ((1u << lanes) - 1);
        if (f.xres - from < lanes) keep &= (1u << (f.xres - from)) - 1;
        const auto pick = packing(keep);
        hn::StoreU(hn::TableLookupLanes(hn::LoadU(d, grid.x.data() + from), pick), d,
                   columns.data() + n);
        for (unsigned b = keep; b != 0; b &= b - 1) which[n++] = from + std::countr_zero(b);
    }
    columns.resize(n);
    which.resize(n);
    return true;
}

// Orbits well inside the main cardioid or the disc of period 2 run to maxiter: a row
// whose coloring sees no more of them than that has them at once, and the lanes take
// its other columns.
bool IterateLanes(const Frame& f, LaneWork work, Orbit* orbits, int count, const double* rowy,
                  InsideOrbits inside) {
    // Only where nothing ends an orbit but the escape limit and maxiter, and nothing
    // is gathered that an orbit inside would need.
    const bool runtomaxiter = work == LaneWork::plain || work == LaneWork::tia0 ||
                              work == LaneWork::tia1 || work == LaneWork::tia2 ||
                              work == LaneWork::derivative || work == LaneWork::estimate;
    if (inside == InsideOrbits::full || !runtomaxiter || !rowy || count != f.xres || f.okinvert ||
        f.maxiter <= 0 || !skipsinside(f))
        return Iterate(f, work, orbits, count, rowy, Sink{}, nullptr);
    thread_local std::vector<double> columns;
    thread_local std::vector<int> which;
    if (!outsidecolumns(f, *rowy, columns, which))
        return Iterate(f, work, orbits, count, rowy, Sink{}, nullptr);
    // Every orbit marked; the lanes hand theirs back over the marks.
    for (int i = 0; i < count; ++i) {
        orbits[i].n = f.maxiter;
        orbits[i].size = 0;
        orbits[i].tiastep = std::numeric_limits<double>::quiet_NaN();
    }
    const Subset some{columns.data(), nullptr, which.data()};
    return Iterate(f, work, orbits, static_cast<int>(which.size()), rowy, Sink{}, &some);
}

bool LaneEndsRow(const Frame& f, LaneWork work, double rowy, InsideOrbits inside, LaneEnds& ends) {
    const bool bof = work == LaneWork::bof || work == LaneWork::bofsettles;
    const bool takes = bof || work == LaneWork::plain || work == LaneWork::derivative ||
                       work == LaneWork::estimate;
    if (!takes || f.okinvert || f.maxiter <= 0 || f.xres <= 0 || f.exponent != 2) return false;
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    for (auto* v : {&ends.n, &ends.size, &ends.zy, &ends.dx, &ends.dy, &ends.overflowed,
                    &ends.least, &ends.leaststep})
        v->resize(xres);
    thread_local std::vector<double> columns;
    thread_local std::vector<int> which;
    if (inside == InsideOrbits::full || bof || !skipsinside(f) ||
        !outsidecolumns(f, rowy, columns, which))
        return Iterate(f, work, nullptr, f.xres, &rowy, Sink{nullptr, &ends}, nullptr);
    std::fill(ends.n.begin(), ends.n.end(), static_cast<double>(f.maxiter));
    std::fill(ends.size.begin(), ends.size.end(), 0.0);
    std::fill(ends.zy.begin(), ends.zy.end(), 0.0);
    std::fill(ends.dx.begin(), ends.dx.end(), 0.0);
    std::fill(ends.dy.begin(), ends.dy.end(), 0.0);
    std::fill(ends.overflowed.begin(), ends.overflowed.end(), 0.0);
    const Subset some{columns.data(), nullptr, which.data()};
    return Iterate(f, work, nullptr, static_cast<int>(which.size()), &rowy, Sink{nullptr, &ends},
                   &some);
}

// A band of rows as one list of orbits: the lanes take the next row's orbits while
// the last long ones of a row run on.
bool LaneCounts(const Frame& f, const double* ys, int rows, LaneCount* counts) {
    if (f.okinvert || f.maxiter <= 0 || f.xres <= 0 || rows <= 0) return false;
    const bool skips = skipsinside(f);
    thread_local std::vector<double> columns, bandys, rowcolumns;
    thread_local std::vector<int> which, rowwhich;
    columns.clear();
    bandys.clear();
    which.clear();
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    for (int r = 0; r < rows; ++r) {
        const std::size_t first = static_cast<std::size_t>(r) * xres;
        if (skips && outsidecolumns(f, ys[r], rowcolumns, rowwhich)) {
            std::fill_n(counts + first, xres, LaneCount{f.maxiter, false});
            columns.insert(columns.end(), rowcolumns.begin(), rowcolumns.end());
            for (const int i : rowwhich) which.push_back(static_cast<int>(first) + i);
        } else if (rows == 1) {
            // The whole row: the lanes take the grid's columns themselves.
            return Iterate(f, LaneWork::plain, nullptr, f.xres, ys, Sink{counts}, nullptr);
        } else {
            const Columns& grid = rowgrid(f);
            columns.insert(columns.end(), grid.x.begin(), grid.x.begin() + f.xres);
            for (std::size_t i = 0; i < xres; ++i) which.push_back(static_cast<int>(first + i));
        }
        bandys.resize(columns.size(), ys[r]);
    }
    const Subset some{columns.data(), bandys.data(), which.data()};
    return Iterate(f, LaneWork::plain, nullptr, static_cast<int>(which.size()), ys, Sink{counts},
                   &some);
}

const char* LaneTarget() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(IterateLanes);
HWY_EXPORT(LaneCounts);
HWY_EXPORT(LaneEndsRow);
HWY_EXPORT(LaneTarget);

bool iteratelanes(const Frame& f, LaneWork work, Orbit* orbits, int count, const double* rowy,
                  InsideOrbits inside) {
    return HWY_DYNAMIC_DISPATCH(IterateLanes)(f, work, orbits, count, rowy, inside);
}

bool laneends(const Frame& f, LaneWork work, double rowy, InsideOrbits inside, LaneEnds& ends) {
    return HWY_DYNAMIC_DISPATCH(LaneEndsRow)(f, work, rowy, inside, ends);
}

bool lanecounts(const Frame& f, const double* rowys, int rows, LaneCount* counts) {
    return HWY_DYNAMIC_DISPATCH(LaneCounts)(f, rowys, rows, counts);
}

const char* lanetarget() {
    return HWY_DYNAMIC_DISPATCH(LaneTarget)();
}

}  // namespace vantrel
#endif
