// Renders fixed scenes through the render driver and through a plain scalar loop of
// the same iteration, in the same run, and prints both with their ratio.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "deep.h"
#include "platform/host.h"
#include "render/complex.h"
#include "render/driver.h"
#include "render/engine.h"
#include "render/lanes.h"
#include "scenes.h"
#include "state/app.h"
#include "xaos.h"

namespace vantrel::bench {

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double besttime(int repeats, F&& run) {
    double best = 1e300;
    for (int k = 0; k < repeats; ++k) {
        const auto t0 = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// The textbook loop: z = z^2 + c per pixel, Level Sets colors into a buffer. It returns
// the number of iterations made, which is also what the driver makes.
std::uint64_t referenceloop(const State& s, std::vector<Rgb>& out) {
    std::uint64_t total = 0;
    const double xside = s.mxmax - s.mxmin, yside = s.mymax - s.mymin;
    for (int j = 0; j < s.yres; ++j) {
        const double cy = (s.yres - j - 1) * yside / (s.yres - 1) + s.mymin;
        for (int i = 0; i < s.xres; ++i) {
            const double cx = i * xside / (s.xres - 1) + s.mxmin;
            COMPLEX z{0.0, 0.0};
            double size = 0;
            int n = 0;
            while (size <= s.maxsize && n < s.maxiter) {
                complex_power(z, 2, &z);
                z.x += cx;
                z.y += cy;
                size = std::sqrt(z.x * z.x + z.y * z.y);
                ++n;
            }
            total += static_cast<std::uint64_t>(n);
            Rgb c = rgb(s.rin, s.gin, s.bin);
            if (size > s.maxsize) {
                const auto& e = s.palette[n % 255 + 1];
                c = rgb(e[0], e[1], e[2]);
            }
            out[static_cast<std::size_t>(j) * s.xres + i] = c;
        }
    }
    return total;
}

void driverimage(App& app) {
    app.s.j = 0;
    app.s.okfractal = 1;
    while (app.s.okfractal) fractaldriver(app);
}

// The image drawn as the window draws it, a step per turn of the loop with a wait
// of at most 30 ms for a row; returns the longest step in seconds.
double longeststep(App& app) {
    app.driver.rowbudget = std::chrono::milliseconds(30);
    app.s.j = 0;
    app.s.okfractal = 1;
    double longest = 0;
    while (app.s.okfractal) {
        const auto t0 = Clock::now();
        fractaldriver(app);
        longest = std::max(longest, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return longest;
}

void report(const char* what, double seconds, double pixels, double iterations, double speedup) {
    std::printf("  %-22s %10.2f ms  %8.2f Mpixel/s  %7.3f Giter/s", what, seconds * 1e3,
                pixels / seconds / 1e6, iterations / seconds / 1e9);
    if (speedup > 0) std::printf("  %6.2fx the plain loop", speedup);
    std::printf("\n");
}

// One way of running the engine.
struct Config {
    const char* name;
    int threads;  // -1: one per core
    int simd;
};

}  // namespace

int run() {
    std::printf(
        "Vantrel render benchmark: best time of N runs per scene; the plain loop is\n"
        "a textbook scalar z^2 + c with Level Sets colors, measured in the same run.\n\n");
    const Config configs[] = {{"driver, 1 thread, scalar", 0, 0},
                              {"driver, 1 thread, lanes", 0, 1},
                              {"driver, all cores", -1, 1}};
    int failures = 0;
    // VANTREL_BENCH=TEXT runs only the scenes whose names contain TEXT.
    const char* only = std::getenv("VANTREL_BENCH");
    for (const Scene& scene : scenes()) {
        if (only && scene.name.find(only) == std::string::npos) continue;
        QuietHost host;
        App setupapp(host);
        apply(scene, setupapp.s);
        std::vector<Rgb> ref(static_cast<std::size_t>(scene.xres) * scene.yres);
        std::uint64_t iterations = 0;
        const double tref =
            besttime(scene.repeats, [&] { iterations = referenceloop(setupapp.s, ref); });
        const double pixels = static_cast<double>(scene.xres) * scene.yres;
        std::printf("%s: %.3g iterations of the plain loop per image\n", scene.name.c_str(),
                    static_cast<double>(iterations));
        report("plain loop", tref, pixels, static_cast<double>(iterations), 0);
        std::vector<Rgb> first;
        for (const Config& c : configs) {
            // Level-Sets scenes are checked against the plain loop's image; every
            // scene against its own image in the other configurations.
            App app(host);
            apply(scene, app.s);
            app.driver.threads = c.threads;
            app.driver.simd = c.simd;
            if (scene.outside == outside::equipotentiallines ||
                scene.outside == outside::fieldlines || scene.outside == outside::distanceestimator)
                driverimage(app);  // warms the pool; these images are costly to repeat
            // The machine's noise only ever adds time: the faster configurations,
            // cheap to repeat, get more tries at a quiet moment.
            const double t =
                besttime(c.simd ? 4 * scene.repeats : scene.repeats, [&] { driverimage(app); });
            const std::vector<Rgb> image(app.g_vhdc.row(0), app.g_vhdc.row(0) + ref.size());
            bool same = first.empty() || image == first;
            if (first.empty()) first = image;
            if (scene.outside == outside::levelsets && scene.inside == inside::solidcolor)
                same = same && image == ref;
            report(c.name, t, pixels, static_cast<double>(iterations), tref / t);
            if (!same) {
                std::printf("  ** the image differs\n");
                ++failures;
            }
            if (c.threads < 0 && scene.target > 0)
                std::printf("  target on all cores: %.0fx the plain loop: %s\n", scene.target,
                            tref / t >= scene.target ? "met" : "NOT met");
        }
        App window(host);
        apply(scene, window.s);
        const double longest = longeststep(window);
        std::printf("  window, all cores: longest step %.1f ms (at most 50 ms: %s)\n",
                    longest * 1e3, longest <= 0.05 ? "met" : "NOT met");
        std::printf("\n");
    }
    failures += deepbench(only);
    zoombench(only);
    xaosbench(only);
    std::printf("vector lanes: %s, cores: %d\n", lanetarget(),
                std::max(1u, std::thread::hardware_concurrency()));
    return failures == 0 ? 0 : 1;
}

}  // namespace vantrel::bench

int main() {
    return vantrel::bench::run();
}
