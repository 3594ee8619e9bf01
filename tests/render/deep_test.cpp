// Deep views against direct evaluation in MPFR: every pixel where MPFR at the
// view's precision P and at P + 128 bits agree on the escape step (and no step came
// near the escape limit) must escape at the same step through the perturbation
// engine, with the same Level Sets color, on views zoomed into the boundary.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "deeporacle.h"
#include "fakehost.h"
#include "render/angles.h"
#include "render/deepimage.h"
#include "render/driver.h"
#include "render/frame.h"
#include "render/perturb.h"
#include "render/perturblanes.h"
#include "slowreference.h"
#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {
namespace {

using oracle::Big;

// A scene: a set type and exponent, and where its boundary point comes from: a
// Misiurewicz parameter (f^(k+p)(0) = f^k(0), found by Newton from `guess`) for the
// Mandelbrot set, the repelling fixed point near `guess` for a Julia set.
struct Scene {
    const char* name;
    int ftype, exponent, k, p;
    double guess_x, guess_y;
    double jcx = 0, jcy = 0;
};

// The boundary point of a scene at `bits`.
Big boundarypoint(const Scene& sc, long bits) {
    Big z(bits);
    mpfr_set_d(z.x, sc.guess_x, MPFR_RNDN);
    mpfr_set_d(z.y, sc.guess_y, MPFR_RNDN);
    const int e = sc.exponent;
    bool settled;
    if (sc.ftype == settype::mandelbrot) {
        // g(c) = f^(k+p)(0) - f^k(0), and g' from d <- e z^(e-1) d + 1.
        settled = oracle::newton(z, [&](const Big& c, Big& v, Big& d) {
            Big w(bits), dw(bits), p(bits), one(bits), wk(bits), dk(bits);
            mpfr_set_ui(one.x, 1, MPFR_RNDN);
            for (int n = 0; n < sc.k + sc.p; ++n) {
                if (n == sc.k) wk = w, dk = dw;
                oracle::power(p, w, e - 1);
                oracle::mul(dw, dw, p);
                mpfr_mul_si(dw.x, dw.x, e, MPFR_RNDN);
                mpfr_mul_si(dw.y, dw.y, e, MPFR_RNDN);
                oracle::add(dw, dw, one);
                oracle::mul(p, p, w);
                oracle::add(w, p, c);
            }
            mpfr_sub(v.x, w.x, wk.x, MPFR_RNDN);
            mpfr_sub(v.y, w.y, wk.y, MPFR_RNDN);
            mpfr_sub(d.x, dw.x, dk.x, MPFR_RNDN);
            mpfr_sub(d.y, dw.y, dk.y, MPFR_RNDN);
        });
    } else {
        // z^e + c - z, and e z^(e-1) - 1.
        Big c(bits);
        mpfr_set_d(c.x, sc.jcx, MPFR_RNDN);
        mpfr_set_d(c.y, sc.jcy, MPFR_RNDN);
        settled = oracle::newton(z, [&](const Big& w, Big& v, Big& d) {
            Big p(bits);
            oracle::power(p, w, e - 1);
            d = p;
            mpfr_mul_si(d.x, d.x, e, MPFR_RNDN);
            mpfr_mul_si(d.y, d.y, e, MPFR_RNDN);
            mpfr_sub_ui(d.x, d.x, 1, MPFR_RNDN);
            oracle::mul(p, p, w);
            oracle::add(v, p, c);
            mpfr_sub(v.x, v.x, w.x, MPFR_RNDN);
            mpfr_sub(v.y, v.y, w.y, MPFR_RNDN);
        });
    }
    EXPECT_TRUE(settled) << sc.name;
    return z;
}

// The colorings compared between the engines: each outside method of the list
// beside the inside method of the same place, the insides taken round again.
const int outsides[] = {1, 2, 3, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
const int insides[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};

class Deep : public ::testing::Test {
  protected:
    Deep() { seedhistory(app.s); }

    // Renders the scene at width 10^-depth (centre a little off the boundary point)
    // on res x res pixels and checks it against the oracle.
    void check(const Scene& sc, int depth, int maxiter, int res = 32) {
        compare(sc, maxiter, show(sc, depth, maxiter, res));
    }

    // The scene placed and drawn; returns the bits of the view's precision: the
    // bits of 1 / pixel spacing and a guard.
    long show(const Scene& sc, int depth, int maxiter, int res) {
        const long bits = static_cast<long>(depth * 3.33) + 5 + 64;
        place(sc, depth, maxiter, res, bits);
        draw();
        return bits;
    }

    // Sets the scene up at width 10^-depth, its centre (at `bits`) off the boundary
    // point by a fraction of the width, so that no pixel sits on it.
    void place(const Scene& sc, int depth, int maxiter, int res, long bits) {
        State& s = app.s;
        s.ftype = sc.ftype;
        s.exponent = sc.exponent;
        s.jcx = sc.jcx;
        s.jcy = sc.jcy;
        s.maxiter = maxiter;
        s.xres = s.yres = res;
        app.g_vhdc = Surface(res, res);

        const Big& point = boundary.emplace(boundarypoint(sc, bits + 128));
        BigFloat width(64);
        mpfr_set_str(width.get(), ("1e-" + std::to_string(depth)).c_str(), 10, MPFR_RNDN);
        s.deep.on = true;
        s.deep.ftype = sc.ftype;
        s.deep.width = width;
        s.deep.re = BigFloat(bits);
        s.deep.im = BigFloat(bits);
        mpfr_mul_d(s.deep.re.get(), width.get(), 0.1234, MPFR_RNDN);
        mpfr_add(s.deep.re.get(), s.deep.re.get(), point.x, MPFR_RNDN);
        mpfr_mul_d(s.deep.im.get(), width.get(), 0.0567, MPFR_RNDN);
        mpfr_add(s.deep.im.get(), s.deep.im.get(), point.y, MPFR_RNDN);
        ASSERT_TRUE(needsdeep(s.deep.re, s.deep.im, s.deep.width, res));
    }

    void draw() {
        app.s.j = 0;
        app.s.okfractal = 1;
        while (app.s.okfractal) fractaldriver(app);
    }

    // The pixels of two images of res x res whose channels all lie within a unit.
    static int nearpixels(const Surface& a, const Surface& b, int res) {
        const auto close = [](int u, int v) { return std::abs(u - v) <= 1; };
        int same = 0;
        for (int r = 0; r < res; ++r) {
            for (int i = 0; i < res; ++i) {
                const Rgb p = a.getpixel(i, r), q = b.getpixel(i, r);
                same +=
                    close(red(p), red(q)) && close(green(p), green(q)) && close(blue(p), blue(q));
            }
        }
        return same;
    }

    // Every pixel of the image drawn against the oracle at `bits` and 128 more.
    void compare(const Scene& sc, int maxiter, long bits) {
        State& s = app.s;
        const int res = s.xres;
        const BigFloat& width = s.deep.width;
        const std::string name = std::string(sc.name) + " width " + width.text();
        const Frame f = makeframe(app);
        ASSERT_TRUE(f.deep);
        // The approximations are on: the comparisons below hold them to the oracle.
        ASSERT_FALSE(f.deep->firsttable.empty());

        int compared = 0, outside = 0;
        std::set<int> steps;
        for (int r = 0; r < res; ++r) {
            for (int i = 0; i < res; ++i) {
                oracle::Escape at[2];
                for (int t = 0; t < 2; ++t) {
                    const long b = bits + 128 * t;
                    const Big p = oracle::pixelpoint(s.deep.re.get(), s.deep.im.get(), width.get(),
                                                     res, res, i, r, b);
                    Big zero(b), c(b);
                    mpfr_set_d(c.x, sc.jcx, MPFR_RNDN);
                    mpfr_set_d(c.y, sc.jcy, MPFR_RNDN);
                    at[t] = sc.ftype == settype::mandelbrot
                                ? oracle::escape(zero, p, sc.exponent, maxiter, s.maxsize)
                                : oracle::escape(p, c, sc.exponent, maxiter, s.maxsize);
                }
                if (at[0].n != at[1].n || at[0].escaped != at[1].escaped || at[0].nearbound ||
                    at[1].nearbound)
                    continue;
                ++compared;
                const Orbit o = perturbpixel(f, i, r);
                ASSERT_EQ(o.n, at[1].n) << name << " pixel " << i << ", " << r;
                ASSERT_EQ(escaped(f, o), at[1].escaped) << name << " pixel " << i << ", " << r;
                const auto& e = s.palette[at[1].n % 255 + 1];
                const Rgb want = at[1].escaped ? rgb(e[0], e[1], e[2]) : rgb(s.rin, s.gin, s.bin);
                ASSERT_EQ(app.g_vhdc.getpixel(i, r), want) << name << " pixel " << i << ", " << r;
                outside += at[1].escaped;
                steps.insert(at[1].n);
            }
        }
        // The view is a real test: nearly all pixels settled, and they differ.
        EXPECT_GE(compared, res * res * 9 / 10) << name;
        EXPECT_GE(steps.size(), 8u) << name;
        EXPECT_GT(outside, 0) << name;
    }

    FakeHost host;
    App app{host};
    // The boundary point of the scene placed last.
    std::optional<Big> boundary;
};

const Scene scenes[] = {
    {"z^2", 0, 2, 2, 2, 0.1, 1.0},  // i
    {"z^3", 0, 3, 4, 1, 0.3, 1.0},  // 0.3106 + 0.9595i
    {"z^5", 0, 5, 3, 1, 0.4, 0.9},  // 0.3625 + 0.7808i
    {"Julia z^2 + i", 1, 2, 0, 0, 1.0, -0.5, 0.0, 1.0},
};

// Field Line Gradients follow the orbit of z^2 + c for up to 64 steps from the
// pixel's point, whatever the exponent. Near the boundary at widths doubles cannot
// place apart, that orbit escapes within those steps and its angle decides the
// color: it must be the angle of the orbit computed in MPFR, not of the point
// rounded to doubles.
TEST_F(Deep, ExternalAnglesFollowTheOrbitComputedDirectly) {
    const int res = 24;
    app.s.outside = outside::fieldlines;
    for (const Scene& sc : {scenes[0], scenes[1], scenes[3]}) {
        for (const int depth : {15, 19}) {
            const long bits = show(sc, depth, 500, res);
            const State& s = app.s;
            const Frame f = makeframe(app);
            ASSERT_TRUE(f.deep);
            int compared = 0, turning = 0;
            for (int r = 0; r < res; ++r) {
                for (int i = 0; i < res; ++i) {
                    const Orbit o = perturbpixel(f, i, r);
                    if (o.anglefrom != AngleFrom::orbit) continue;
                    double angle[2];
                    for (int t = 0; t < 2; ++t) {
                        const long b = bits + 128 * t;
                        const Big p = oracle::pixelpoint(s.deep.re.get(), s.deep.im.get(),
                                                         s.deep.width.get(), res, res, i, r, b);
                        Big c(b);
                        mpfr_set_d(c.x, sc.jcx, MPFR_RNDN);
                        mpfr_set_d(c.y, sc.jcy, MPFR_RNDN);
                        const bool julia = sc.ftype != settype::mandelbrot;
                        // The values after 1 .. 64 steps from the routine's start: c
                        // itself for the Mandelbrot set, the point for a Julia set.
                        Big z = p;
                        std::vector<COMPLEX> values;
                        for (int n = 0; n < 64 && values.size() < 64; ++n) {
                            oracle::mul(z, z, z);
                            oracle::add(z, z, julia ? c : p);
                            values.push_back(
                                {mpfr_get_d(z.x, MPFR_RNDN), mpfr_get_d(z.y, MPFR_RNDN)});
                            if (std::hypot(values.back().x, values.back().y) > 1e30) break;
                        }
                        const double x = mpfr_get_d(p.x, MPFR_RNDN), y = mpfr_get_d(p.y, MPFR_RNDN);
                        angle[t] = externalangle(sc.ftype, x, y, sc.jcx, sc.jcy, values.data(),
                                                 static_cast<int>(values.size()));
                    }
                    if (std::fabs(angle[0] - angle[1]) > 1e-9) continue;
                    ++compared;
                    turning += angle[1] != 0;
                    ASSERT_NEAR(o.angle, angle[1], 1e-9)
                        << sc.name << " 1e-" << depth << " pixel " << i << ", " << r;
                }
            }
            // Most pixels escape within the routine's steps, with angles of their own.
            EXPECT_GE(compared, res * res * 8 / 10) << sc.name << " 1e-" << depth;
            EXPECT_GE(turning, res * res / 2) << sc.name << " 1e-" << depth;
        }
    }
}

// Anti-aliasing at depth: every sample of every pixel escapes where direct
// evaluation at the sample's own point says.
TEST_F(Deep, AntialiasedSamplesAgreeWithDirectEvaluation) {
    const int res = 12, n = 3;
    app.driver.aa = n;
    for (const Scene& sc : {scenes[0], scenes[3]}) {
        const long bits = show(sc, 50, 3000, res);
        const State& s = app.s;
        const Frame f = makeframe(app);
        ASSERT_TRUE(f.deep);
        ASSERT_EQ(f.aa, n);
        int compared = 0;
        std::set<int> steps;
        for (int r = 0; r < res; ++r) {
            for (int i = 0; i < res; ++i) {
                for (int b = 0; b < n; ++b) {
                    for (int a = 0; a < n; ++a) {
                        oracle::Escape at[2];
                        for (int t = 0; t < 2; ++t) {
                            const long prec = bits + 128 * t;
                            const Big p = oracle::pixelpoint(s.deep.re.get(), s.deep.im.get(),
                                                             s.deep.width.get(), res, res, i, r,
                                                             prec, a, b, n);
                            Big zero(prec), c(prec);
                            mpfr_set_d(c.x, sc.jcx, MPFR_RNDN);
                            mpfr_set_d(c.y, sc.jcy, MPFR_RNDN);
                            at[t] = sc.ftype == settype::mandelbrot
                                        ? oracle::escape(zero, p, sc.exponent, s.maxiter, s.maxsize)
                                        : oracle::escape(p, c, sc.exponent, s.maxiter, s.maxsize);
                        }
                        if (at[0].n != at[1].n || at[0].nearbound || at[1].nearbound) continue;
                        ++compared;
                        steps.insert(at[1].n);
                        Frame g = f;
                        g.samplea = a;
                        g.sampleb = b;
                        ASSERT_EQ(perturbpixel(g, i, r).n, at[1].n)
                            << sc.name << " pixel " << i << ", " << r << " sample " << a << ", "
                            << b;
                    }
                }
            }
        }
        EXPECT_GE(compared, res * res * n * n * 9 / 10) << sc.name;
        EXPECT_GE(steps.size(), 8u) << sc.name;
    }
}

TEST_F(Deep, EscapeStepsAndColorsAgreeWithDirectEvaluation) {
    for (const Scene& sc : scenes)
        for (const int depth : {20, 50, 100, 300}) check(sc, depth, 3000);
}

// The deep rows in vector lanes against the scalar loop, pixel by pixel: on the
// scenes above at several depths (the Julia sets' pixels rebase onto their second
// reference), with short and long limits (many pixels reach maxiter, or outlast the
// reference and rebase), with and without the approximations, the size squared or
// not, on rows of more pixels than the lanes and of fewer, every orbit must end at
// the same step with the same last two values and size, bit for bit; and the images
// must be the same byte for byte with lanes on and off, on one thread and on all.
TEST_F(Deep, LanesEndEveryOrbitAsTheScalarLoopBitForBit) {
    const auto same = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    int escapedpixels = 0, insidepixels = 0;
    std::set<int> exponents;
    const auto versus = [&](const Scene& sc, int depth, int maxiter, bool approximate, int res) {
        const auto image = [&](int simd, int threads) {
            if (!approximate) setenv("VANTREL_BLA", "0", 1);
            app.driver.simd = simd;
            app.driver.threads = threads;
            app.driver.engine.reset();
            draw();
            unsetenv("VANTREL_BLA");
            return app.g_vhdc;
        };
        const std::string view = std::string(sc.name) + " 1e-" + std::to_string(depth) +
                                 " maxiter " + std::to_string(maxiter) +
                                 (approximate ? " approximated" : " plain") + " width " +
                                 std::to_string(res);
        place(sc, depth, maxiter, res, static_cast<long>(depth * 3.33) + 5 + 64);
        const Surface scalar = image(0, 0);
        const Frame f = makeframe(app);
        ASSERT_TRUE(f.deep);
        ASSERT_EQ(f.deep->firsttable.empty(), !approximate);
        for (const int tiaflag : {tiaalgorithm::kx, tiaalgorithm::damienjones}) {
            Frame g = f;
            g.tiaflag = tiaflag;  // the size squared with the second
            std::vector<Orbit> lanes(static_cast<std::size_t>(res));
            for (int r = 0; r < res; ++r) {
                ASSERT_TRUE(perturblanes(g, r, lanes.data()));
                for (int i = 0; i < res; ++i) {
                    const Orbit o = perturbpixel(g, i, r), &l = lanes[i];
                    ASSERT_TRUE(o.n == l.n && same(o.z.x, l.z.x) && same(o.z.y, l.z.y) &&
                                same(o.x, l.x) && same(o.y, l.y) && same(o.size, l.size))
                        << view << " tiaflag " << tiaflag << " pixel " << i << ", " << r << ": n "
                        << o.n << " / " << l.n << ", z " << o.z.x << " " << o.z.y << " / " << l.z.x
                        << " " << l.z.y;
                    (escaped(g, o) ? escapedpixels : insidepixels) += 1;
                }
            }
        }
        for (const int threads : {0, -1}) {
            const Surface lanes = image(1, threads);
            for (int r = 0; r < res; ++r)
                for (int i = 0; i < res; ++i)
                    ASSERT_EQ(lanes.getpixel(i, r), scalar.getpixel(i, r))
                        << view << " threads " << threads << " pixel " << i << ", " << r;
        }
        exponents.insert(sc.exponent);
    };
    // And the basilica at its rightmost point, the repelling fixed point (1 + sqrt 5)
    // / 2: the pixels that stay fall into the cycle 0, -1 and rebase at every pass
    // near 0, to go on approximated along the second reference.
    std::vector<Scene> views(std::begin(scenes), std::end(scenes));
    views.push_back({"Julia z^2 - 1", 1, 2, 0, 0, 1.6, 0.0, -1.0, 0.0});
    // And a Julia set whose pixels that stay fall into a cycle away from 0.
    views.push_back({"Julia z^2 - 0.1 + 0.65i", 1, 2, 0, 0, 1.0, -0.4, -0.1, 0.65});
    for (const Scene& sc : views)
        // (Pixels closer than 2^-1000 are left to the scalar loop.)
        for (const int depth : {20, 50, 100, 250})
            // (With 129, a reference that does not escape has a top step from m = 1
            // to maxiter itself, which the limit leaves to a single step.)
            for (const int maxiter : {129, 3000})
                for (const bool approximate : {true, false})
                    for (const int res : {24, 5}) {
                        versus(sc, depth, maxiter, approximate, res);
                        if (HasFatalFailure()) return;
                    }
    // Both ends of an orbit were met often, on every exponent.
    EXPECT_GT(escapedpixels, 10000);
    EXPECT_GT(insidepixels, 10000);
    EXPECT_EQ(exponents.size(), 3u);
}

// The wide approximations at the two public benchmark locations of the peers (at
// 1e50, 263,010 steps, orbits linger for thousands of steps near a point that
// grows any error a trillionfold; at 5e113, 35,494 steps): every pixel, in the
// scalar loop and in lanes, ends at the step and on the side of the limit that
// the exact-radius approximations give, a few of them after the wide set left
// them in doubt.
TEST_F(Deep, WideApproximationsEndEveryEscapeAsTheExactRadiusOnes) {
    struct Location {
        const char *re, *im, *width;
        int maxiter;
    };
    const Location locations[] = {
        {"-0.04947002906310409375169222672735363011874571248822487931810494023264219477268"
         "69034279915499747594190000000000000000000",
         "-0.67478757584467536401139205313059765633477070682240348069799979479099419834548"
         "45111514208499540310299999999999999999880",
         "4e-50", 263010},
        {"-1.47981577613247326072298452597877854692240725774045369689878510139864920741002"
         "293820250517329282011227363313053159203914640783415609608168660705123082446357179491"
         "909705403381200",
         "-0.00063911193261361727152139632255671572957303918943984736047394936471220951961"
         "813321928573067036466151147195436388486168819318341208023229522609015461543581599807"
         "510715681229605",
         "8e-114", 35494},
    };
    const int res = 32;
    int doubt = 0;
    for (const Location& at : locations) {
        State& s = app.s;
        s.ftype = settype::mandelbrot;
        s.exponent = 2;
        s.maxiter = at.maxiter;
        s.xres = s.yres = res;
        app.g_vhdc = Surface(res, res);
        DeepView v;
        ASSERT_TRUE(parsebig(at.re, &v.re) && parsebig(at.im, &v.im) &&
                    parsebig(at.width, &v.width));
        ASSERT_EQ(placeview(s, std::move(v)), nullptr);
        draw();
        const Frame f = makeframe(app);
        ASSERT_TRUE(f.deep);
        ASSERT_TRUE(widetaken(f));
        std::vector<Orbit> lanes(static_cast<std::size_t>(res));
        for (int r = 0; r < res; ++r) {
            ASSERT_TRUE(perturblanes(f, r, lanes.data()));
            for (int i = 0; i < res; ++i) {
                const Orbit exact = narrowpixel(f, i, r), wide = perturbpixel(f, i, r);
                ASSERT_EQ(wide.n, exact.n) << at.width << " pixel " << i << ", " << r;
                ASSERT_EQ(escaped(f, wide), escaped(f, exact)) << at.width << " pixel " << i;
                ASSERT_EQ(lanes[i].n, exact.n) << at.width << " lanes, pixel " << i << ", " << r;
                ASSERT_EQ(escaped(f, lanes[i]), escaped(f, exact)) << at.width << " pixel " << i;
            }
        }
        // Pixels the wide set leaves in doubt, taken again.
        for (int r = 0; r < res; ++r)
            for (int i = 0; i < res; ++i) doubt += !wideorbit(f, i, r).has_value();
    }
    EXPECT_GE(doubt, 10);
}

// Past the exponents of doubles: the offsets and the approximations' radii carry
// their own exponent there.
TEST_F(Deep, EscapeStepsAgreeWithDirectEvaluationPastTheRangeOfDoubles) {
    for (const Scene& sc : scenes)
        for (const int depth : {500, 1000}) check(sc, depth, 3000, 10);
}

// The window pans and zooms within the reach of the reference orbits it has: the
// images are drawn from them, offset from their point instead of the view's centre,
// and still agree with direct evaluation and with the images of fresh orbits; a
// view out of their reach (too far, or too deep for their precision) gets orbits
// of its own.
TEST_F(Deep, AReferenceReusedAcrossPansAndZoomsAgreesWithDirectEvaluation) {
    // Pans by (x, y) widths of the current view, or zooms by `factor` keeping the
    // scene's boundary point where it is (so that the view keeps showing it);
    // whether the orbits drawn from are the first view's.
    struct Move {
        double x, y, factor;
        bool reused;
    };
    // The first view's centre, the reference point, is about 0.13 of its width from
    // the boundary point; zooming at that point leaves it behind after the fifth
    // zoom by 2, where it is 1.6 widths to the side of the centre.
    const Move moves[] = {{0.25, 0, 1, true}, {0, 0, 2, true}, {-0.25, 0, 1, true},
                          {0, 0, 2, true},    {0, 0, 2, true}, {0.25, 0, 1, true},
                          {0, 0, 2, false}};
    const struct {
        const Scene& scene;
        int depth;
    } cases[] = {{scenes[0], 40}, {scenes[1], 40},  {scenes[2], 40},
                 {scenes[3], 40}, {scenes[0], 300}, {scenes[3], 300}};
    for (const auto& [sc, depth] : cases) {
        const int res = 24, maxiter = 3000;
        long bits = static_cast<long>(depth * 3.33) + 5 + 64;
        place(sc, depth, maxiter, res, bits + 128);
        draw();
        State& s = app.s;
        const DeepReference* const first = makeframe(app).deep->reference.get();
        const auto move = [&](const Move& m) {
            BigFloat t(s.deep.re.bits());
            if (m.factor == 1) {
                mpfr_mul_d(t.get(), s.deep.width.get(), m.x, MPFR_RNDN);
                mpfr_add(s.deep.re.get(), s.deep.re.get(), t.get(), MPFR_RNDN);
                mpfr_mul_d(t.get(), s.deep.width.get(), m.y, MPFR_RNDN);
                mpfr_add(s.deep.im.get(), s.deep.im.get(), t.get(), MPFR_RNDN);
            } else {
                // centre <- point + (centre - point) / factor
                for (const auto& [c, p] :
                     {std::pair{&s.deep.re, boundary->x}, std::pair{&s.deep.im, boundary->y}}) {
                    mpfr_sub(t.get(), c->get(), p, MPFR_RNDN);
                    mpfr_div_d(t.get(), t.get(), m.factor, MPFR_RNDN);
                    mpfr_add(c->get(), p, t.get(), MPFR_RNDN);
                }
                mpfr_div_d(s.deep.width.get(), s.deep.width.get(), m.factor, MPFR_RNDN);
                bits += std::lround(std::log2(m.factor));
            }
            draw();
            compare(sc, maxiter, bits);
            // The same view in an App of its own, from orbits of its own: the
            // offsets differ, so a pixel may round differently, but hardly any does
            // (none in these scenes when this was written).
            FakeHost freshhost;
            App fresh(freshhost);
            seedhistory(fresh.s);
            fresh.s.ftype = s.ftype;
            fresh.s.exponent = s.exponent;
            fresh.s.maxiter = s.maxiter;
            fresh.s.xres = fresh.s.yres = res;
            fresh.s.jcx = s.jcx;
            fresh.s.jcy = s.jcy;
            fresh.s.deep = s.deep;
            fresh.g_vhdc = Surface(res, res);
            fresh.s.j = 0;
            fresh.s.okfractal = 1;
            while (fresh.s.okfractal) fractaldriver(fresh);
            int same = 0;
            for (int r = 0; r < res; ++r)
                for (int i = 0; i < res; ++i)
                    same += app.g_vhdc.getpixel(i, r) == fresh.g_vhdc.getpixel(i, r);
            EXPECT_GE(same, res * res * 99 / 100) << sc.name << " width " << s.deep.width.text();
        };
        for (const Move& m : moves) {
            move(m);
            EXPECT_EQ(makeframe(app).deep->reference.get() == first, m.reused)
                << sc.name << " 1e-" << depth << " width " << s.deep.width.text();
        }
        // 2^100 deeper, past the precision's headroom: orbits of its own again.
        const DeepReference* const last = makeframe(app).deep->reference.get();
        move({0, 0, 0x1p100, false});
        EXPECT_NE(makeframe(app).deep->reference.get(), last) << sc.name << " 1e-" << depth;
    }
}

// Every coloring through the perturbation engine, on a view that doubles hold as
// well: the home view and a Julia set, where both engines are exact to far below a
// pixel, must give the same picture up to the odd pixel whose orbit passes the
// escape limit by a rounding (and a color a unit off in the continuous methods).
TEST_F(Deep, EveryColoringDrawsAsInDoubles) {
    const int res = 40;
    const auto image = [&](bool deep) {
        State& s = app.s;
        s.xres = s.yres = res;
        app.g_vhdc = Surface(res, res);
        s.deep.on = deep;
        s.deep.ftype = s.ftype;
        parsebig(s.ftype == settype::mandelbrot ? "-0.75" : "0", &s.deep.re);
        parsebig("0.1", &s.deep.im);
        parsebig("3", &s.deep.width);
        const DoubleView d = doubleview(s.deep.re, s.deep.im, s.deep.width, res, res);
        (s.ftype == settype::mandelbrot ? s.mxmin : s.jxmin) = d.xmin;
        (s.ftype == settype::mandelbrot ? s.mxmax : s.jxmax) = d.xmax;
        (s.ftype == settype::mandelbrot ? s.mymin : s.jymin) = d.ymin;
        (s.ftype == settype::mandelbrot ? s.mymax : s.jymax) = d.ymax;
        draw();
        return app.g_vhdc;
    };
    for (const int ftype : {0, 1}) {
        for (const int exponent : {2, 3}) {
            for (std::size_t k = 0; k < std::size(outsides); ++k) {
                State& s = app.s;
                s.ftype = ftype;
                s.exponent = exponent;
                s.jcx = -0.12;
                s.jcy = 0.75;
                s.maxiter = 300;
                s.outside = outsides[k];
                s.inside = insides[k % std::size(insides)];
                const Surface plain = image(false);
                const Surface deep = image(true);
                ASSERT_TRUE(makeframe(app).deep);
                EXPECT_GE(nearpixels(plain, deep, res), res * res * 97 / 100)
                    << "ftype " << ftype << " z^" << exponent << " outside " << s.outside
                    << " inside " << s.inside;
            }
        }
    }
}

// Every coloring on a deep view with and without the approximations: the methods
// that watch every step take every step either way, the others skip them, and
// the picture stays the same up to the odd pixel that a rounding moves past the
// escape limit (and a color a unit off in the continuous methods).
TEST_F(Deep, EveryColoringDrawsTheSameWithTheApproximations) {
    const int res = 40;
    const auto image = [&](bool approximate) {
        State& s = app.s;
        s.xres = s.yres = res;
        app.g_vhdc = Surface(res, res);
        s.deep.on = true;
        s.deep.ftype = s.ftype;
        // Off the scene's boundary point by a fraction of the width.
        const Big point = boundarypoint(scenes[s.ftype == settype::mandelbrot ? 0 : 3], 200);
        parsebig("1e-28", &s.deep.width);
        s.deep.re = BigFloat(200);
        s.deep.im = BigFloat(200);
        mpfr_mul_d(s.deep.re.get(), s.deep.width.get(), 0.1234, MPFR_RNDN);
        mpfr_add(s.deep.re.get(), s.deep.re.get(), point.x, MPFR_RNDN);
        mpfr_mul_d(s.deep.im.get(), s.deep.width.get(), 0.0567, MPFR_RNDN);
        mpfr_add(s.deep.im.get(), s.deep.im.get(), point.y, MPFR_RNDN);
        if (!approximate) setenv("VANTREL_BLA", "0", 1);
        draw();
        unsetenv("VANTREL_BLA");
        EXPECT_EQ(makeframe(app).deep->firsttable.empty(), !approximate);
        return app.g_vhdc;
    };
    int varied = 0;
    for (const int ftype : {0, 1}) {
        for (std::size_t k = 0; k < std::size(outsides); ++k) {
            State& s = app.s;
            s.ftype = ftype;
            s.exponent = 2;
            s.jcx = 0;
            s.jcy = 1;
            s.maxiter = 1000;
            s.outside = outsides[k];
            s.inside = insides[k % std::size(insides)];
            const Surface plain = image(false);
            const Surface fast = image(true);
            std::set<Rgb> colors;
            for (int r = 0; r < res; ++r)
                for (int i = 0; i < res; ++i) colors.insert(plain.getpixel(i, r));
            EXPECT_GE(nearpixels(plain, fast, res), res * res * 99 / 100)
                << "ftype " << ftype << " outside " << s.outside << " inside " << s.inside;
            varied += colors.size() > 4;
        }
    }
    // The view shows something in most colorings (a few are one color this deep).
    EXPECT_GE(varied, 24);
}

// The window's driver does not wait for a long reference orbit; a view changed
// while one is still being computed is drawn as if it had been the only one.
TEST_F(Deep, AViewChangedWhileItsReferenceIsComputedDrawsTheNewView) {
    const auto setview = [](App& a, const char* re, const char* im, const char* width,
                            int maxiter) {
        State& s = a.s;
        s.xres = s.yres = 32;
        a.g_vhdc = Surface(32, 32);
        s.maxiter = maxiter;
        s.deep.on = true;
        parsebig(re, &s.deep.re);
        parsebig(im, &s.deep.im);
        parsebig(width, &s.deep.width);
        s.j = 0;
        s.okfractal = 1;
    };
    // On the Misiurewicz point i the reference never escapes: two million steps
    // at a thousand bits.
    app.driver.rowbudget = std::chrono::milliseconds(1);
    setview(app, "0", "1", "1e-290", 2000000);
    fractaldriver(app);
    setview(app, "1.234e-21", "1.000000000000000000000567", "1e-20", 400);
    while (app.s.okfractal) fractaldriver(app);

    FakeHost otherhost;
    App other(otherhost);
    seedhistory(other.s);
    setview(other, "1.234e-21", "1.000000000000000000000567", "1e-20", 400);
    while (other.s.okfractal) fractaldriver(other);
    for (int r = 0; r < 32; ++r)
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(app.g_vhdc.getpixel(i, r), other.g_vhdc.getpixel(i, r)) << i << ", " << r;
    std::set<Rgb> colors;
    for (int r = 0; r < 32; ++r)
        for (int i = 0; i < 32; ++i) colors.insert(app.g_vhdc.getpixel(i, r));
    EXPECT_GT(colors.size(), 4u);
}

// A reference orbit that takes long shows how far it has come in the status bar,
// where the history's text is put back once the image's rows begin; a view drawn
// from orbits already there shows none.
TEST_F(Deep, ALongReferenceShowsItsProgressAndThenTheHistoryAgain) {
    State& s = app.s;
    s.xres = s.yres = 16;
    app.g_vhdc = Surface(16, 16);
    slowreferenceview(app);
    showhistory(app);
    const std::string history = host.laststatus(1);
    ASSERT_NE(history.find("zoom"), std::string::npos);
    host.status.clear();
    draw();
    long long before = -1;
    int shown = 0;
    for (std::size_t k = 0; k < host.status.size(); ++k) {
        const auto& [part, text] = host.status[k];
        long long percent = -1, done = -1, total = -1;
        if (std::sscanf(text.c_str(),
                        " computing the reference orbit: %lld%% (%lld of %lld iterations)",
                        &percent, &done, &total) != 3) {
            // Only the history's text follows the progress, once.
            EXPECT_EQ(k + 1, host.status.size()) << text;
            EXPECT_EQ(part, 1);
            EXPECT_EQ(text, history);
            continue;
        }
        ++shown;
        EXPECT_EQ(part, 1);
        EXPECT_EQ(total, 300000);
        EXPECT_EQ(percent, done * 100 / total);
        EXPECT_GT(done, before) << text;
        EXPECT_LE(done, total);
        before = done;
    }
    EXPECT_GE(shown, 1);
    EXPECT_EQ(host.laststatus(1), history);

    // A quarter to the side: the same orbits, nothing to wait for.
    parsebig("0.000000000000000000000000000000000000000025", &s.deep.re);
    host.status.clear();
    draw();
    EXPECT_TRUE(host.status.empty()) << host.status.front().text;
}

}  // namespace
}  // namespace vantrel
