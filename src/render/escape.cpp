#include "render/escape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "render/coloring.h"
#include "render/steps.h"

namespace vantrel {

namespace {

double clamp(double v, double lim) {
    return v > lim ? lim : (v < -lim ? -lim : v);
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
        endorbit<S, W>(o, a, z, x, y, size, n);
        if constexpr (Store) o.orbit = orb;
    }

    static long long row(const Frame& f, int j, Rgb* out) {
        const double ystart = rowy(f, j);
        long long steps = 0;
        // The distance estimator's orbit lives in the row, so rows never share it.
        std::vector<COMPLEX> scratch;
        if constexpr (Store)
            scratch.assign(static_cast<std::size_t>(f.maxiter) + 1, COMPLEX{0.0, 0.0});
        // One orbit record for the row's pixels in turn. Where nothing is gathered on
        // the way, the accumulators keep their start values and need no reset.
        Orbit o;
        for (int i = 0; i < f.xres; ++i) {
            placepixel(f, i, ystart, o);
            if constexpr (S != Steps::none || W != Watch::none || Store) resetaccumulators(f, o);
            iterate(f, o, scratch.data());
            out[i] = pixelcolor(f, o);
            steps += o.n;
        }
        return steps;
    }
};

// What each coloring method has the loop do after every step, by its value (a
// distance estimator, outside or inside, also has the orbit kept). An outside method
// brings its family of work and an inside method its watch. Inside TIA's sums take the
// place of the outside method's work (the dialogs refuse Species of Origin and
// Cardioid with it; Integer TIA then reads the regular sums). The TIA entries stand
// for the sums of any variant: `tiaflag` picks the one that runs.
struct Needs {
    Steps steps = Steps::none;
    Watch watch = Watch::none;
};

constexpr std::array<Needs, outside::orbittracing + 1> outsideneeds = [] {
    std::array<Needs, outside::orbittracing + 1> t{};
    t[outside::peitgenbands].steps = Steps::peitgen;  // Im z_6
    t[outside::tia].steps = Steps::tia0;
    t[outside::smoothingtia].steps = Steps::tia0;
    t[outside::potentialtia].steps = Steps::tia0;
    t[outside::integertia].steps = Steps::inttia;
    t[outside::speciesoforigin].steps = Steps::species;  // the closest point so far
    t[outside::cardioid].steps = Steps::cardioid;        // the trap's distance
    return t;
}();

constexpr std::array<Needs, inside::peitgenblack + 1> insideneeds = [] {
    std::array<Needs, inside::peitgenblack + 1> t{};
    t[inside::bof33].watch = Watch::bof;  // the smallest size and its step
    t[inside::bof34].watch = Watch::bof;
    t[inside::tia].steps = Steps::tia0;
    t[inside::epsiloncross].watch = Watch::epsilon;  // stops near an axis
    return t;
}();

template <std::size_t N>
Needs needsof(const std::array<Needs, N>& table, int method) {
    return method >= 0 && method < static_cast<int>(N) ? table[static_cast<std::size_t>(method)]
                                                       : Needs{};
}

// The loop of every kind of per-step work: unrolled for every exponent where nothing
// is gathered on the way, else for the square (the default, and what the TIA methods
// force on Julia sets) and once for any exponent read from the frame.
struct Entry {
    void (*iterate)(const Frame&, Orbit&, COMPLEX*);
    long long (*row)(const Frame&, int, Rgb*);
};
struct Loops {
    Entry byexponent[16];  // exponents 2 .. 17
};

template <Steps S, Watch W, bool St, bool Sq, int E>
constexpr Entry entry() {
    return {&Kernel<S, W, St, Sq, E>::iterate, &Kernel<S, W, St, Sq, E>::row};
}

template <Steps S, Watch W, bool St, bool Sq>
constexpr Loops loops() {
    // The TIA variant and the squared size come from the same flag: the other
    // pairings never occur.
    constexpr bool sq = S == Steps::tia0 ? false : S == Steps::tia1 || S == Steps::tia2 ? true : Sq;
    Loops l{};
    if constexpr (S == Steps::none && W == Watch::none && !St) {
        [&]<int... I>(std::integer_sequence<int, I...>) {
            ((l.byexponent[I] = entry<S, W, St, sq, I + 2>()), ...);
        }
        (std::make_integer_sequence<int, 16>{});
    } else {
        l.byexponent[0] = entry<S, W, St, sq, 2>();
        for (int e = 1; e < 16; ++e) l.byexponent[e] = entry<S, W, St, sq, 0>();
    }
    return l;
}

constexpr int loopindex(Steps s, Watch w, bool store, bool squared) {
    return ((static_cast<int>(s) * watchkinds + static_cast<int>(w)) * 2 + store) * 2 + squared;
}

template <int... I>
constexpr std::array<Loops, sizeof...(I)> makeloops(std::integer_sequence<int, I...>) {
    return {loops<static_cast<Steps>(I / (watchkinds * 4)), static_cast<Watch>(I / 4 % watchkinds),
                  I / 2 % 2 != 0, I % 2 != 0>()...};
}

// Every loop, by loopindex: makeloops counts through the same index.
constexpr auto kernels = makeloops(std::make_integer_sequence<int, stepkinds * watchkinds * 4>{});

Entry choose(const Frame& f) {
    const StepWork w = stepwork(f);
    const int e = std::clamp(f.exponent, 2, 17);
    return kernels[static_cast<std::size_t>(loopindex(w.steps, w.watch, w.store, w.squared))]
        .byexponent[e - 2];
}

}  // namespace

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
    o.anglefrom = AngleFrom::none;
}

void placepixel(const Frame& f, int i, double ystart, Orbit& o) {
    const double x = columnx(f, i);
    if (f.ftype == settype::mandelbrot) {
        o.c = {x, ystart};
        if (f.okinvert) {
            invert(&o.c.x, &o.c.y, 1.0);
            if (outsidetia(f.outside)) o.c = {clamp(o.c.x, 10.0), clamp(o.c.y, 10.0)};
        }
        o.z = {0.0, 0.0};
    } else {
        o.jzx = x;
        o.jzy = ystart;
        o.z = {x, ystart};
        if (f.okinvert) {
            invert(&o.z.x, &o.z.y, 1.0);
            if (outsidetia(f.outside)) o.z = {clamp(o.z.x, 2.5), clamp(o.z.y, 2.5)};
        }
        o.c = {f.jcx, f.jcy};
    }
    o.x = o.y = 0;
    o.size = 0;
    o.n = 0;
}

StepWork stepwork(const Frame& f) {
    const Needs out = needsof(outsideneeds, f.outside), in = needsof(insideneeds, f.inside);
    StepWork w;
    w.steps = in.steps != Steps::none ? in.steps : out.steps;
    if (w.steps == Steps::tia0)
        w.steps = f.tiaflag == tiaalgorithm::damienjones     ? Steps::tia1
                  : f.tiaflag == tiaalgorithm::kerrymitchell ? Steps::tia2
                                                             : Steps::tia0;
    w.watch = in.watch;
    w.store = distanceestimate(f.outside, f.inside);
    w.squared = squaredsize(f.tiaflag);
    return w;
}

Orbit startpixel(const Frame& f, int i, double ystart) {
    Orbit o;
    placepixel(f, i, ystart, o);
    resetaccumulators(f, o);
    return o;
}

void iterate(const Frame& f, Orbit& o, COMPLEX* scratch) {
    if (!scratch && distanceestimate(f.outside, f.inside)) {
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
    if (out && f.outside == outside::binaryblackwhite) {
        const int k = o.z.y < 0 ? 0 : 255;
        return rgb(k, k, k);
    }
    return finishcolor(f, out ? outsidecolor(f, o) : insidecolor(f, o));
}

Rgb finishcolor(const Frame& f, Channels ch) {
    if (f.method == coloringmethod::heightfield) {
        const long long gray = (ch.r * 30 / 100 + ch.g * 59 / 100 + ch.b * 11 / 100) & 0xFF;
        ch = {gray, gray, gray};
    }
    return rgb(low8(ch.r), low8(ch.g), low8(ch.b));
}

long long scalarrow(const Frame& f, int j, Rgb* out) {
    return choose(f).row(f, j, out);
}

}  // namespace vantrel
