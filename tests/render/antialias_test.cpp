// Anti-aliased images against the formula, computed apart from the engine: sample
// (a, b) of pixel (i, r) at x = xmin + (i + (2a + 1) / (2N) - 1/2) * (xmax - xmin) /
// (xres - 1), y = ymin + (yres - 1 - r - (2b + 1) / (2N) + 1/2) * (ymax - ymin) /
// (yres - 1), each channel the mean of the samples rounded half up.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fakehost.h"
#include "reference.h"
#include "render/driver.h"
#include "render/escape.h"
#include "render/frame.h"
#include "state/history.h"

namespace vantrel {
namespace {

class Antialias : public ::testing::Test {
  protected:
    Antialias() { seedhistory(app.s); }

    // The current view drawn by the window's driver with n x n samples a pixel.
    void draw(int n, int xres, int yres) {
        State& s = app.s;
        s.xres = xres;
        s.yres = yres;
        app.g_vhdc = Surface(xres, yres);
        app.driver.aa = n;
        s.j = 0;
        s.okfractal = 1;
        while (s.okfractal) fractaldriver(app);
    }

    // Every pixel of the image drawn against the mean of its samples' colors, each
    // sample's color from `color` at the sample's point.
    template <class Color>
    void expectformula(int n, Color color) {
        const State& s = app.s;
        for (int r = 0; r < s.yres; ++r) {
            for (int i = 0; i < s.xres; ++i) {
                double sum[3] = {0, 0, 0};
                for (int b = 0; b < n; ++b) {
                    for (int a = 0; a < n; ++a) {
                        const double x = s.xmin + (i + (2.0 * a + 1) / (2 * n) - 0.5) *
                                                      (s.xmax - s.xmin) / (s.xres - 1);
                        const double y = s.ymin + (s.yres - 1 - r - (2.0 * b + 1) / (2 * n) + 0.5) *
                                                      (s.ymax - s.ymin) / (s.yres - 1);
                        const Rgb c = color(x, y);
                        sum[0] += red(c);
                        sum[1] += green(c);
                        sum[2] += blue(c);
                    }
                }
                const auto mean = [&](double t) {
                    return static_cast<int>(std::floor(t / (n * n) + 0.5));
                };
                ASSERT_EQ(app.g_vhdc.getpixel(i, r), rgb(mean(sum[0]), mean(sum[1]), mean(sum[2])))
                    << "N " << n << " pixel " << i << ", " << r;
            }
        }
    }

    FakeHost host;
    App app{host};
};

// The default colorings through the plain re-computation, over set types, exponents,
// inversion and the height field.
TEST_F(Antialias, DefaultColoringsMatchTheFormula) {
    struct Scene {
        int ftype, exponent, invert, method;
    };
    for (const Scene sc : {Scene{settype::mandelbrot, 2, 0, coloringmethod::image},
                           Scene{settype::julia, 2, 0, coloringmethod::image},
                           Scene{settype::mandelbrot, 3, 1, coloringmethod::image},
                           Scene{settype::mandelbrot, 2, 0, coloringmethod::heightfield}}) {
        for (const int n : {1, 2, 3}) {
            State& s = app.s;
            s.ftype = sc.ftype;
            s.exponent = sc.exponent;
            s.okinvert = sc.invert;
            s.method = sc.method;
            s.jcx = -0.12;
            s.jcy = 0.75;
            draw(n, 61, 47);
            expectformula(n, [&](double x, double y) { return reference::pointcolor(s, x, y); });
        }
    }
}

// The other colorings: each sample colored as the engine colors a single point
// (its scalar loop, the point placed directly), the mean taken here.
TEST_F(Antialias, EveryColoringAveragesItsSamples) {
    struct Coloring {
        int outside, inside, ftype;
    };
    for (const Coloring c :
         {Coloring{outside::smoothing, inside::bof33, settype::mandelbrot},
          Coloring{outside::fieldlines, inside::solidcolor, settype::mandelbrot},
          Coloring{outside::tia, inside::epsiloncross, settype::julia},
          Coloring{outside::distanceestimator, inside::solidcolor, settype::mandelbrot},
          Coloring{outside::peitgenbands, inside::solidcolor, settype::julia}}) {
        State& s = app.s;
        s.ftype = c.ftype;
        s.outside = c.outside;
        s.inside = c.inside;
        s.jcx = -0.12;
        s.jcy = 0.75;
        s.maxiter = 200;
        draw(2, 41, 33);
        // Set-up has made its choices (the distance range, Peitgen's inside): the
        // frame holds them.
        Frame f = makeframe(app);
        if (c.outside == outside::peitgenbands) f.inside = inside::peitgenblack;
        std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
        expectformula(2, [&](double x, double y) {
            Frame g = f;
            g.aa = 1;
            g.xmin = x;  // column 0 of a one-sample frame lies at xmin itself
            Orbit o = startpixel(g, 0, y);
            iterate(g, o, scratch.data());
            return pixelcolor(g, o);
        });
    }
}

}  // namespace
}  // namespace vantrel
