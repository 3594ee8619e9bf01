// Renders fixed scenes through the render driver and through a plain scalar loop of
// the same iteration, in the same run, and prints both with their ratio.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/host.h"
#include "render/complex.h"
#include "render/driver.h"
#include "scenes.h"
#include "state/app.h"

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

void report(const char* what, double seconds, double pixels, double iterations, double ratio) {
    std::printf("  %-10s %10.2f ms  %8.2f Mpixel/s  %7.3f Giter/s", what, seconds * 1e3,
                pixels / seconds / 1e6, iterations / seconds / 1e9);
    if (ratio > 0) std::printf("  %5.2fx the reference time", ratio);
    std::printf("\n");
}

}  // namespace

int run() {
    std::printf("Vantrel render benchmark (best of N runs per scene)\n\n");
    int failures = 0;
    for (const Scene& scene : scenes()) {
        QuietHost host;
        App app(host);
        apply(scene, app.s);
        std::vector<Rgb> ref(static_cast<std::size_t>(scene.xres) * scene.yres);
        std::uint64_t iterations = 0;
        const double tref = besttime(scene.repeats, [&] { iterations = referenceloop(app.s, ref); });
        const double tdrv = besttime(scene.repeats, [&] { driverimage(app); });
        const bool same = std::equal(ref.begin(), ref.end(), app.g_vhdc.row(0));
        const double pixels = static_cast<double>(scene.xres) * scene.yres;
        std::printf("%s: %.3g iterations per image%s\n", scene.name.c_str(),
                    static_cast<double>(iterations), same ? "" : "  (IMAGES DIFFER)");
        report("reference", tref, pixels, static_cast<double>(iterations), 0);
        report("driver", tdrv, pixels, static_cast<double>(iterations), tdrv / tref);
        if (!same) ++failures;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace vantrel::bench

int main() { return vantrel::bench::run(); }
