#include "render/escape.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "render/angles.h"
#include "render/coloring.h"
#include "render/lanes.h"
#include "render/perturb.h"
#include "render/steps.h"

namespace vantrel {

namespace {

bool tiaoutside(int outside) { return outside >= 9 && outside <= 12; }

double clamp(double v, double lim) { return v > lim ? lim : (v < -lim ? -lim : v); }

// The pixel's point and a fresh start of its orbit, in the core fields of o.
void placepixel(const Frame& f, int i, double ystart, Orbit& o) {
    const double x = i * f.xside / (f.xres - 1) + f.xmin;
    if (f.ftype == 0) {
        o.c = {x, ystart};
        if (f.okinvert) {
            invert(&o.c.x, &o.c.y, 1.0);
            if (tiaoutside(f.outside)) o.c = {clamp(o.c.x, 10.0), clamp(o.c.y, 10.0)};
        }
        o.z = {0.0, 0.0};
    } else {
        o.jzx = x;
        o.jzy = ystart;
        o.z = {x, ystart};
        if (f.okinvert) {
            invert(&o.z.x, &o.z.y, 1.0);
            if (tiaoutside(f.outside)) o.z = {clamp(o.z.x, 2.5), clamp(o.z.y, 2.5)};
        }
        o.c = {f.jcx, f.jcy};
    }
    o.x = o.y = 0;
    o.size = 0;
    o.n = 0;
}

// Im z_6 of the orbit of column i, for an orbit that made six steps or more: the
// value the band decomposition's loop picks up on the way.
double imzsix(const Frame& f, int i, double ystart) {
    Orbit o;
    placepixel(f, i, ystart, o);
    const int e = std::clamp(f.exponent, 2, 17);
    for (int n = 0; n < 6; ++n) {
        COMPLEX p;
        complex_power(o.z, e, &p);
        o.z = {p.x + o.c.x, p.y + o.c.y};
    }
    return o.z.y;
}

// The escaped orbits of a row, iterated again from their start in lanes that take
// the derivative along: the same steps, so only the derivative is new.
void derivativeofescaped(const Frame& f, double ystart, Orbit* orbits) {
    thread_local std::vector<Orbit> again;
    thread_local std::vector<int> column;
    again.resize(static_cast<std::size_t>(f.xres));
    column.clear();
    for (int i = 0; i < f.xres; ++i) {
        if (!escaped(f, orbits[i])) continue;
        // The lanes read only the start: no accumulators to reset.
        placepixel(f, i, ystart, again[column.size()]);
        column.push_back(i);
    }
    iteratelanes(f, LaneWork::derivative, again.data(), static_cast<int>(column.size()));
    for (std::size_t k = 0; k < column.size(); ++k) {
        Orbit& o = orbits[column[k]];
        o.dx = again[k].dx;
        o.dy = again[k].dy;
        o.dover = again[k].dover;
        o.lanederivative = true;
    }
}

// The iteration with the per-step work fixed at compile time, so that the plain
// escape-time loop carries nothing it does not need. E is the exponent, or 0 for
// "read it from the frame" (the loop then makes the same operations, not unrolled).
template <Steps S, Watch W, bool Store, bool Squared, int E>
struct Kernel {
    static void iterate(const Frame& f, Orbit& o, COMPLEX* orb) {
        COMPLEX z = o.z;
        const COMPLEX c = o.c;
        double x = o.x, y = o.y, size = o.size;
        int n = o.n;
        Orbit a = o;  // the accumulators, kept in registers
        const double maxsize = f.maxsize;
        const int maxiter = f.maxiter;
        const int e = E != 0 ? E : std::clamp(f.exponent, 2, 17);
        while (size <= maxsize && n < maxiter) {
            x = z.x;
            y = z.y;
            COMPLEX p;
            complex_power(z, E != 0 ? E : e, &p);
            z.x = p.x + c.x;
            z.y = p.y + c.y;
            size = Squared ? z.x * z.x + z.y * z.y : std::sqrt(z.x * z.x + z.y * z.y);
            ++n;
            if constexpr (Store) orb[n] = z;
            if (!watchstep<S, W>(a, z, c, x, y, size, n)) break;
        }
        if constexpr (S != Steps::none || W != Watch::none) o = a;
        o.z = z;
        o.x = x;
        o.y = y;
        o.size = size;
        o.n = n;
        if constexpr (Store) o.orbit = orb;
    }

    // The lanes' share of this loop's work, if they have one.
    static constexpr int lanework() {
        constexpr bool plainsteps = S == Steps::none || S == Steps::peitgen;
        if (plainsteps && W == Watch::none) return static_cast<int>(Store ? LaneWork::derivative : LaneWork::plain);
        if (Store) return -1;
        if (plainsteps && W == Watch::bof) return static_cast<int>(LaneWork::bof);
        if (plainsteps && W == Watch::epsilon) return static_cast<int>(LaneWork::epsilon);
        if (W != Watch::none) return -1;
        if (S == Steps::tia0) return static_cast<int>(LaneWork::tia0);
        if (S == Steps::tia1) return static_cast<int>(LaneWork::tia1);
        if (S == Steps::tia2) return static_cast<int>(LaneWork::tia2);
        return -1;
    }

    static bool lanerow(const Frame& f, double ystart, Rgb* out) {
        constexpr int work = lanework();
        if constexpr (work < 0) {
            return false;
        } else {
            thread_local std::vector<Orbit> orbits;
            orbits.resize(static_cast<std::size_t>(f.xres));
            // Without the inside estimator only escaped orbits want the derivative:
            // the row runs the plain loop, and its escaped orbits run again with it.
            const bool later = work == static_cast<int>(LaneWork::derivative) && f.inside != 14 &&
                               f.exponent == 2;
            const LaneWork first = later ? LaneWork::plain : static_cast<LaneWork>(work);
            if (!iteratelanes(f, first, orbits.data(), f.xres, &ystart)) return false;
            if (later) derivativeofescaped(f, ystart, orbits.data());
            if (f.outside == 8) externalangles(f, orbits.data(), f.xres);
            for (int i = 0; i < f.xres; ++i) {
                if constexpr (S == Steps::peitgen) {
                    if (orbits[i].n >= 6) orbits[i].zyn = imzsix(f, i, ystart);
                }
                out[i] = pixelcolor(f, orbits[i]);
            }
            return true;
        }
    }

    static void row(const Frame& f, int j, Rgb* out) {
        const double ystart = rowy(f, j);
        if (f.simd && lanerow(f, ystart, out)) return;
        // The distance estimator's orbit lives in the row, so rows never share it.
        std::vector<COMPLEX> scratch;
        if constexpr (Store) scratch.assign(static_cast<std::size_t>(f.maxiter) + 1, COMPLEX{0.0, 0.0});
        // One orbit record for the row's pixels in turn. Where nothing is gathered on
        // the way, the accumulators keep their start values and need no reset.
        Orbit o;
        for (int i = 0; i < f.xres; ++i) {
            placepixel(f, i, ystart, o);
            if constexpr (S != Steps::none || W != Watch::none || Store) resetaccumulators(f, o);
            iterate(f, o, scratch.data());
            out[i] = pixelcolor(f, o);
        }
    }
};

struct Entry {
    void (*iterate)(const Frame&, Orbit&, COMPLEX*);
    void (*row)(const Frame&, int, Rgb*);
};

template <Steps S, Watch W, bool St, bool Sq, int E>
constexpr Entry entry() {
    return {&Kernel<S, W, St, Sq, E>::iterate, &Kernel<S, W, St, Sq, E>::row};
}

template <Steps S, Watch W, bool St, bool Sq, int... I>
Entry everyexp(int e, std::integer_sequence<int, I...>) {
    static constexpr Entry table[] = {entry<S, W, St, Sq, I + 2>()...};
    return table[e - 2];
}

// The plain loop is unrolled for every exponent; the ones with per-step work only
// for the square (the TIA methods force it on Julia sets, and it is the default).
template <Steps S, Watch W, bool St, bool Sq>
Entry byexp(int e) {
    if constexpr (S == Steps::none && W == Watch::none && !St)
        return everyexp<S, W, St, Sq>(e, std::make_integer_sequence<int, 16>{});
    else
        return e == 2 ? entry<S, W, St, Sq, 2>() : entry<S, W, St, Sq, 0>();
}

template <Steps S, Watch W, bool St>
Entry bysquared(bool sq, int e) {
    // The TIA variant and the squared size come from the same flag.
    if constexpr (S == Steps::tia0)
        return byexp<S, W, St, false>(e);
    else if constexpr (S == Steps::tia1 || S == Steps::tia2)
        return byexp<S, W, St, true>(e);
    else
        return sq ? byexp<S, W, St, true>(e) : byexp<S, W, St, false>(e);
}

template <Steps S, Watch W>
Entry bystore(bool st, bool sq, int e) {
    return st ? bysquared<S, W, true>(sq, e) : bysquared<S, W, false>(sq, e);
}

template <Steps S>
Entry bywatch(Watch w, bool st, bool sq, int e) {
    switch (w) {
        case Watch::bof: return bystore<S, Watch::bof>(st, sq, e);
        case Watch::epsilon: return bystore<S, Watch::epsilon>(st, sq, e);
        default: return bystore<S, Watch::none>(st, sq, e);
    }
}

Entry choose(const Frame& f) {
    const Steps s = stepsfor(f);
    const Watch w = watchfor(f);
    const bool st = f.outside == 18 || f.inside == 14;
    const bool sq = squaredsize(f);
    const int e = std::clamp(f.exponent, 2, 17);
    switch (s) {
        case Steps::peitgen: return bywatch<Steps::peitgen>(w, st, sq, e);
        case Steps::tia0: return bywatch<Steps::tia0>(w, st, sq, e);
        case Steps::tia1: return bywatch<Steps::tia1>(w, st, sq, e);
        case Steps::tia2: return bywatch<Steps::tia2>(w, st, sq, e);
        case Steps::inttia: return bywatch<Steps::inttia>(w, st, sq, e);
        case Steps::species: return bywatch<Steps::species>(w, st, sq, e);
        case Steps::cardioid: return bywatch<Steps::cardioid>(w, st, sq, e);
        default: return bywatch<Steps::none>(w, st, sq, e);
    }
}

}  // namespace

Steps stepsfor(const Frame& f) {
    if ((f.outside >= 9 && f.outside <= 11) || f.inside == 11)
        return f.tiaflag == 1 ? Steps::tia1 : f.tiaflag == 2 ? Steps::tia2 : Steps::tia0;
    if (f.outside == 12) return Steps::inttia;
    if (f.outside == 15) return Steps::species;
    if (f.outside == 16) return Steps::cardioid;
    if (f.outside == 7) return Steps::peitgen;
    return Steps::none;
}

Watch watchfor(const Frame& f) {
    return f.inside == 2 || f.inside == 3 ? Watch::bof
           : f.inside == 12               ? Watch::epsilon
                                          : Watch::none;
}

void resetaccumulators(const Frame& f, Orbit& o) {
    o.sum = o.sum2 = 0;
    o.csize = std::sqrt(o.c.x * o.c.x + o.c.y * o.c.y);
    o.sx = 1e10;
    o.sy = o.sz = 0;
    o.min_dist = 1e30;
    o.distance = 0;
    o.trapped = 0;
    o.zyn = 0;
    o.infsize = f.maxsize;
    o.ninfsize = 0;
    o.orbit = nullptr;
    o.lanederivative = false;
    o.laneangle = false;
}

Orbit startpixel(const Frame& f, int i, double ystart) {
    Orbit o;
    placepixel(f, i, ystart, o);
    resetaccumulators(f, o);
    return o;
}

void iterate(const Frame& f, Orbit& o, COMPLEX* scratch) {
    if (!scratch && (f.outside == 18 || f.inside == 14)) {
        // Nowhere to keep the orbit: iterate all the same, without an estimate.
        std::vector<COMPLEX> own(static_cast<std::size_t>(std::max(f.maxiter, 0)) + 1);
        choose(f).iterate(f, o, own.data());
        o.orbit = nullptr;
        return;
    }
    if (scratch) scratch[0] = {0.0, 0.0};
    choose(f).iterate(f, o, scratch);
}

Rgb pixelcolor(const Frame& f, const Orbit& o) {
    const bool out = escaped(f, o);
    if (out && f.outside == 6) {
        const int k = o.z.y < 0 ? 0 : 255;
        return rgb(k, k, k);
    }
    Channels ch = out ? outsidecolor(f, o) : insidecolor(f, o);
    if (f.method == 0) {
        const long long gray = (ch.r * 30 / 100 + ch.g * 59 / 100 + ch.b * 11 / 100) & 0xFF;
        ch = {gray, gray, gray};
    }
    return rgb(low8(ch.r), low8(ch.g), low8(ch.b));
}

void renderrow(const Frame& f, int j, Rgb* out) {
    if (f.deep)
        perturbrow(f, j, out);
    else
        choose(f).row(f, j, out);
}

}  // namespace vantrel
