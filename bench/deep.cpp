#include "deep.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "deeporacle.h"
#include "platform/host.h"
#include "render/deepimage.h"
#include "render/driver.h"
#include "render/frame.h"
#include "render/perturb.h"
#include "state/app.h"
#include "state/history.h"

namespace vantrel::bench {

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A frame for perturbing a small image of the view, without a window.
Frame smallframe(const DeepView& v, int res, int maxiter) {
    Frame f;
    f.xres = f.yres = res;
    f.maxiter = maxiter;
    f.maxsize = 16;
    f.exponent = 2;
    f.outside = 1;
    f.deep = makedeepimage(v, f, 0, std::stop_token());
    return f;
}

// Zooms from a seahorse-valley view into the boundary of the set: each time onto
// the midpoint of an escaping pixel of a small image and a neighbour that stays,
// 16 times narrower, so that every view holds points on both sides of the
// boundary; until the width is 10^-depth.
// Deterministic, and it ends where the orbits are long, as deep views worth
// looking at are.
DeepView zoomin(int depth, int maxiter) {
    DeepView v;
    v.on = true;
    parsebig("-0.743643887037158704752191506114774", &v.re);
    parsebig("0.131825904205311970493132056385139", &v.im);
    parsebig("1e-10", &v.width);
    const int res = 33;
    BigFloat target(64);
    mpfr_set_str(target.get(), ("1e-" + std::to_string(depth)).c_str(), 10, MPFR_RNDN);
    while (mpfr_greater_p(v.width.get(), target.get())) {
        const Frame f = smallframe(v, res, maxiter);
        std::vector<Orbit> o;
        for (int r = 0; r < res; ++r)
            for (int i = 0; i < res; ++i) o.push_back(perturbpixel(f, i, r));
        const auto at = [&](int i, int r) -> const Orbit& { return o[r * res + i]; };
        // Twice the chosen midpoint's column and row: of the pairs across the
        // boundary, the one whose escaping pixel took closest to a quarter of the
        // limit; near the limit itself the pair would only straddle the curve
        // where |z| passes the escape limit at the last step.
        int best = maxiter, twoi = res - 1, twor = res - 1;
        const auto consider = [&](int i, int r, int ni, int nr) {
            const int miss = std::abs(at(i, r).n - maxiter / 4);
            if (escaped(f, at(i, r)) && !escaped(f, at(ni, nr)) && miss < best)
                best = miss, twoi = i + ni, twor = r + nr;
        };
        for (int r = 0; r < res; ++r)
            for (int i = 0; i < res; ++i) {
                if (i + 1 < res) consider(i, r, i + 1, r), consider(i + 1, r, i, r);
                if (r + 1 < res) consider(i, r, i, r + 1), consider(i, r + 1, i, r);
            }
        const long bits = deepbits(v, res) + 16;
        BigFloat dx(bits), dy(bits);
        // The offsets of the two pixels' midpoint: half the sum of theirs, which
        // for the grid is the offset of "pixel" twoi / 2 on a grid twice as fine.
        columnoffset(v, res, 0, 0, 1, &dx);
        rowoffset(v, res, res, 0, 0, 1, &dy);
        BigFloat step(bits);
        mpfr_div_ui(step.get(), v.width.get(), 2 * (res - 1), MPFR_RNDN);
        mpfr_mul_si(step.get(), step.get(), twoi, MPFR_RNDN);
        mpfr_add(dx.get(), dx.get(), step.get(), MPFR_RNDN);
        mpfr_div_ui(step.get(), v.width.get(), 2 * (res - 1), MPFR_RNDN);
        mpfr_mul_si(step.get(), step.get(), twor, MPFR_RNDN);
        mpfr_sub(dy.get(), dy.get(), step.get(), MPFR_RNDN);
        v.re.setbits(bits);
        v.im.setbits(bits);
        mpfr_add(v.re.get(), v.re.get(), dx.get(), MPFR_RNDN);
        mpfr_add(v.im.get(), v.im.get(), dy.get(), MPFR_RNDN);
        mpfr_div_ui(v.width.get(), v.width.get(), 16, MPFR_RNDN);
        mpfr_max(v.width.get(), v.width.get(), target.get(), MPFR_RNDN);
    }
    return v;
}

// The processor time of this thread, in seconds: what one core spends, whatever else
// the machine runs.
double threadtime() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The rows of a deep image alone (its reference orbits made) on one thread, scalar
// and in vector lanes: their processor times, best of a few, and the number of rows
// whose colors differ between the two.
int lanesagainstscalar(const Frame& f, const char* what) {
    const auto rows = [&](bool simd, std::vector<Rgb>& image) {
        Frame g = f;
        g.simd = simd;
        image.assign(static_cast<std::size_t>(g.xres) * g.yres, 0);
        double best = 1e300;
        for (int k = 0; k < 5; ++k) {
            const double t0 = threadtime();
            for (int j = 0; j < g.yres; ++j)
                perturbrow(g, j, image.data() + static_cast<std::size_t>(j) * g.xres);
            best = std::min(best, threadtime() - t0);
        }
        return best;
    };
    std::vector<Rgb> scalar, lanes;
    const double tscalar = rows(false, scalar), tlanes = rows(true, lanes);
    std::printf("  rows, %s, one core: scalar %.2f ms, lanes %.2f ms: lanes/scalar %.2f\n", what,
                tscalar * 1e3, tlanes * 1e3, tlanes / tscalar);
    int differ = 0;
    for (int j = 0; j < f.yres; ++j) {
        const auto row = static_cast<std::ptrdiff_t>(j) * f.xres;
        differ +=
            !std::equal(scalar.begin() + row, scalar.begin() + row + f.xres, lanes.begin() + row);
    }
    return differ;
}

}  // namespace

int deepbench(const char* only) {
    struct DeepScene {
        const char* name;
        int depth, maxiter, res, sample;
    };
    const DeepScene scenes[] = {
        {"deep 1e-50, 160x160, maxiter 20000", 50, 20000, 160, 37},
        {"deep 1e-100, 160x160, maxiter 20000", 100, 20000, 160, 37},
    };
    int disagreements = 0;
    for (const DeepScene& sc : scenes) {
        if (only && std::string(sc.name).find(only) == std::string::npos) continue;
        const DeepView view = zoomin(sc.depth, sc.maxiter);
        QuietHost host;
        App app(host);
        seedhistory(app.s);
        app.s.xres = app.s.yres = sc.res;
        app.s.maxiter = sc.maxiter;
        app.s.deep = view;
        app.g_vhdc = Surface(sc.res, sc.res);
        std::printf("%s: centre %.24s... %.24s..., %ld bits\n", sc.name, view.re.text().c_str(),
                    view.im.text().c_str(), deepbits(view, sc.res));
        // The whole image through the driver, reference orbit included: on one
        // thread, and on all cores.
        const auto render = [&](int threads) {
            app.driver.threads = threads;
            app.driver.engine.reset();
            app.driver.deepprevious.reset();
            const auto t0 = Clock::now();
            app.s.j = 0;
            app.s.okfractal = 1;
            while (app.s.okfractal) fractaldriver(app);
            return since(t0);
        };
        // Plain perturbation, every step of every orbit, as it was before the
        // approximations and the lanes came: the scalar loop on every core.
        setenv("VANTREL_BLA", "0", 1);
        app.driver.simd = 0;
        const double tplain = render(-1);
        app.driver.simd = -1;
        const Frame plainframe = makeframe(app);
        unsetenv("VANTREL_BLA");
        const double tsingle = render(0);
        const double tengine = render(-1);
        const Frame f = makeframe(app);
        double iterations = 0;
        std::vector<int> steps;
        for (int r = 0; r < sc.res; ++r)
            for (int i = 0; i < sc.res; ++i) {
                steps.push_back(perturbpixel(f, i, r).n);
                iterations += steps.back();
            }
        // Direct evaluation of every sample-th pixel on one thread, scaled to the
        // image by its share of the engine's iterations; and the escape steps of the
        // two compared where MPFR at P and P + 128 bits agree.
        const long bits = deepbits(view, sc.res);
        double sampled = 0, tmpfr = 0;
        int compared = 0, differ = 0;
        for (int k = 0; k < sc.res * sc.res; k += sc.sample) {
            const int i = k % sc.res, r = k / sc.res;
            oracle::Escape at[2];
            for (int t = 0; t < 2; ++t) {
                const auto t1 = Clock::now();
                const long b = bits + 128 * t;
                const oracle::Big c = oracle::pixelpoint(view.re.get(), view.im.get(),
                                                         view.width.get(), sc.res, sc.res, i, r, b);
                at[t] = oracle::escape(oracle::Big(b), c, 2, sc.maxiter, 16);
                if (t == 0) tmpfr += since(t1);
            }
            sampled += steps[static_cast<std::size_t>(k)];
            if (at[0].n != at[1].n || at[0].nearbound || at[1].nearbound) continue;
            ++compared;
            if (at[1].n != steps[static_cast<std::size_t>(k)]) ++differ;
        }
        const double tdirect = tmpfr * (iterations / std::max(sampled, 1.0));
        std::printf("  %.3g iterations, %.0f per pixel on average\n", iterations,
                    iterations / (sc.res * sc.res));
        std::printf("  approximated, one thread  %10.2f ms\n", tsingle * 1e3);
        std::printf("  approximated, all cores   %10.2f ms\n", tengine * 1e3);
        std::printf("  plain perturbation (scalar), all cores %6.2f ms\n", tplain * 1e3);
        std::printf("  direct MPFR, one thread   %10.2f ms (from every %dth pixel)\n",
                    tdirect * 1e3, sc.sample);
        std::printf(
            "  against MPFR: %.0fx on one thread, %.0fx on all cores (at least 2000x: %s)\n",
            tdirect / tsingle, tdirect / tengine, tdirect / tengine >= 2000 ? "met" : "NOT met");
        std::printf("  against plain perturbation on all cores: %.1fx (at least 10x: %s)\n",
                    tplain / tengine, tplain / tengine >= 10 ? "met" : "NOT met");
        std::printf("  escape steps: %d of %d settled sample pixels differ\n", differ, compared);
        disagreements += differ;
        const int differentrows = lanesagainstscalar(f, "approximated") +
                                  lanesagainstscalar(plainframe, "plain perturbation");
        if (differentrows > 0) std::printf("  ** %d rows differ in lanes\n", differentrows);
        std::printf("\n");
        disagreements += differentrows;
    }
    return disagreements;
}

void zoombench(const char* only) {
    struct ZoomScene {
        const char* name;
        DeepView start;
        int maxiter, res;
        int ftype = settype::mandelbrot;
        double jcx = 0, jcy = 0;
    };
    // The seahorse-valley view of deepbench, and the centre of a deep-zoom benchmark
    // location of Kalles Fraktaler's (about 1e-113 wide there), whose orbit is long.
    DeepView flower;
    flower.on = true;
    parsebig(
        "-1.4798157761324732607229845259787785469224072577404536968987851013986492074100229382025"
        "051732928201122736331305315920391464078341560960816866070512308244635717949190970540338120"
        "0",
        &flower.re);
    parsebig(
        "-0.0006391119326136172715213963225567157295730391894398473604739493647122095196181332192"
        "857306703646615114719543638848616881931834120802322952260901546154358159980751071568122960"
        "5",
        &flower.im);
    parsebig("1e-100", &flower.width);
    // The Misiurewicz point i, whose orbit never escapes: every image's reference
    // makes all its steps, and the pixels around it escape after a few hundred.
    DeepView misiurewicz;
    misiurewicz.on = true;
    parsebig("0", &misiurewicz.re);
    parsebig("1", &misiurewicz.im);
    parsebig("1e-100", &misiurewicz.width);
    // The Douady rabbit's repelling fixed point (1 + sqrt(1 - 4c)) / 2, on its
    // Julia set: the orbit of 0 under c, the second reference of every Julia
    // image, never escapes, since c is in the Mandelbrot set.
    const double rabbitx = -0.123, rabbity = 0.745;
    DeepView rabbit;
    rabbit.on = true;
    rabbit.ftype = settype::julia;
    {
        const long bits = 512;
        BigFloat a(1 - 4 * rabbitx, bits), b(-4 * rabbity, bits), m(bits), t(bits);
        mpfr_hypot(m.get(), a.get(), b.get(), MPFR_RNDN);
        rabbit.re.setbits(bits);
        rabbit.im.setbits(bits);
        mpfr_add(t.get(), m.get(), a.get(), MPFR_RNDN);
        mpfr_div_2ui(t.get(), t.get(), 1, MPFR_RNDN);
        mpfr_sqrt(rabbit.re.get(), t.get(), MPFR_RNDN);
        mpfr_sub(t.get(), m.get(), a.get(), MPFR_RNDN);
        mpfr_div_2ui(t.get(), t.get(), 1, MPFR_RNDN);
        mpfr_sqrt(rabbit.im.get(), t.get(), MPFR_RNDN);
        mpfr_neg(rabbit.im.get(), rabbit.im.get(), MPFR_RNDN);  // b < 0
        mpfr_add_ui(rabbit.re.get(), rabbit.re.get(), 1, MPFR_RNDN);
        mpfr_div_2ui(rabbit.re.get(), rabbit.re.get(), 1, MPFR_RNDN);
        mpfr_div_2ui(rabbit.im.get(), rabbit.im.get(), 1, MPFR_RNDN);
    }
    parsebig("1e-100", &rabbit.width);
    const ZoomScene scenes[] = {
        {"deep zoom sequence from 1e-100, seahorse valley, 300x300, maxiter 20000",
         zoomin(100, 20000), 20000, 300},
        {"deep zoom sequence from 1e-100, flower, 300x300, maxiter 35494", flower, 35494, 300},
        {"deep zoom sequence from 1e-100, around i, 300x300, maxiter 1000000", misiurewicz, 1000000,
         300},
        {"deep zoom sequence from 1e-100, Julia set of the rabbit, 300x300, maxiter 1000000",
         rabbit, 1000000, 300, settype::julia, rabbitx, rabbity},
    };
    // Pans by (x, y) widths, or zooms by 2 keeping the point (x, y) widths from
    // the centre where it is: as the wheel and the middle button move the view.
    struct Move {
        double x, y;
        bool zoom;
    };
    const Move moves[] = {{0.1, 0.05, true},    {0.25, 0, false},  {-0.1, 0.1, true},
                          {0, -0.25, false},    {0.2, -0.1, true}, {-0.25, 0, false},
                          {-0.15, -0.05, true}, {0, 0.25, false},  {0.05, 0.2, true},
                          {0.25, 0.25, false}};
    for (const ZoomScene& sc : scenes) {
        if (only && std::string(sc.name).find(only) == std::string::npos) continue;
        std::printf("%s:\n", sc.name);
        // Wall time, and processor time over all threads: the machine's other load
        // stretches the first more than the second.
        double seconds[2] = {0, 0}, cpu[2] = {0, 0};
        int references[2] = {0, 0};
        for (const bool reuse : {false, true}) {
            QuietHost host;
            App app(host);
            seedhistory(app.s);
            app.s.xres = app.s.yres = sc.res;
            app.s.maxiter = sc.maxiter;
            app.s.ftype = sc.ftype;
            app.s.jcx = sc.jcx;
            app.s.jcy = sc.jcy;
            app.s.deep = sc.start;
            app.g_vhdc = Surface(sc.res, sc.res);
            std::shared_ptr<const DeepReference> last;
            const auto t0 = Clock::now();
            const std::clock_t c0 = std::clock();
            for (std::size_t k = 0; k <= std::size(moves); ++k) {
                DeepView& v = app.s.deep;
                if (k > 0) {
                    const Move& m = moves[k - 1];
                    const long bits = std::max(v.re.bits(), deepbits(v, sc.res) + 64);
                    v.re.setbits(bits);
                    v.im.setbits(bits);
                    BigFloat t(bits);
                    const double share = m.zoom ? 0.5 : 1.0;
                    mpfr_mul_d(t.get(), v.width.get(), m.x * share, MPFR_RNDN);
                    mpfr_add(v.re.get(), v.re.get(), t.get(), MPFR_RNDN);
                    mpfr_mul_d(t.get(), v.width.get(), m.y * share, MPFR_RNDN);
                    mpfr_add(v.im.get(), v.im.get(), t.get(), MPFR_RNDN);
                    if (m.zoom) mpfr_div_2ui(v.width.get(), v.width.get(), 1, MPFR_RNDN);
                }
                if (!reuse) app.driver.deepprevious.reset();
                app.s.j = 0;
                app.s.okfractal = 1;
                while (app.s.okfractal) fractaldriver(app);
                const auto r = makeframe(app).deep->reference;
                references[reuse] += r != last;
                last = r;
            }
            seconds[reuse] = since(t0);
            cpu[reuse] = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        }
        Frame f;
        f.xres = f.yres = sc.res;
        f.maxiter = sc.maxiter;
        f.maxsize = 16;
        f.ftype = sc.ftype;
        f.jcx = sc.jcx;
        f.jcy = sc.jcy;
        const auto t1 = Clock::now();
        const auto orbit =
            makereference(referencepoint(sc.start, sc.res), f, nullptr, std::stop_token());
        std::printf(
            "  the first view's reference orbits alone: %.1f ms, %zu + %zu steps at %ld bits\n",
            since(t1) * 1e3, orbit->first.size() - 1,
            sc.ftype == settype::mandelbrot ? 0 : orbit->second.size() - 1, orbit->at.bits);
        const int images = static_cast<int>(std::size(moves)) + 1;
        std::printf(
            "  %d images, fresh orbits for each: %8.2f s, %8.2f s processor (%d computed)\n",
            images, seconds[0], cpu[0], references[0]);
        std::printf(
            "  %d images, orbits reused:         %8.2f s, %8.2f s processor (%d computed)\n\n",
            images, seconds[1], cpu[1], references[1]);
    }
}

}  // namespace vantrel::bench
