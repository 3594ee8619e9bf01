#include "special/distance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fakehost.h"

namespace vantrel {
namespace {

class Range : public ::testing::Test {
protected:
    Range() { view(-2.25, 0.75, -1.5, 1.5, 33); }
    void view(double x0, double x1, double y0, double y1, int res) {
        State& s = app.s;
        s.xmin = x0;
        s.xmax = x1;
        s.ymin = y0;
        s.ymax = y1;
        s.xres = s.yres = res;
        s.ClientRes = {0, 0, res, res};
        app.window = Surface(res, res, grey);
        s.xorbit.assign(static_cast<std::size_t>(s.maxiter) + 1, 9.0);
        s.yorbit.assign(static_cast<std::size_t>(s.maxiter) + 1, 9.0);
    }
    void run() {
        out = 123;
        in = 456;
        EXPECT_EQ(maxdistance(app, &out, &in), 0);
    }
    FakeHost host;
    App app{host};
    double out = 0, in = 0;
};

TEST_F(Range, EverythingEscapesAtOnce) {
    // All of [20, 30]^2 leaves |z| <= 16 at step 1: derivative 1, estimate 2|c| ln|c|,
    // largest at the far corner (30, 30).
    app.s.maxiter = 1;
    view(20, 30, 20, 30, 32);
    run();
    const double r = std::sqrt(30.0 * 30.0 + 30.0 * 30.0);
    EXPECT_EQ(out, 2.0 * r * std::log(r));
    EXPECT_EQ(in, 0.0);
    EXPECT_EQ(app.s.xorbit[0], 0.0);
    EXPECT_EQ(app.s.yorbit[0], 0.0);
    EXPECT_EQ(app.s.xside, 10);
    // Far from the set every pixel is black in the preview.
    EXPECT_EQ(app.window.getpixel(0, 0), black);
    EXPECT_EQ(app.window.getpixel(31, 31), black);
    EXPECT_EQ(host.pauses, std::vector<int>{500});
}

TEST_F(Range, NothingEscapes) {
    // Inside the main cardioid, with c = 0 exactly at the centre pixel (an orbit
    // resting on 0 has no estimate and must not spoil the minimum).
    view(-0.125, 0.125, -0.125, 0.125, 33);
    run();
    EXPECT_EQ(out, 0.0);
    EXPECT_LT(in, 0.0);
    EXPECT_TRUE(std::isfinite(in));
    for (int k = 0; k < 33; ++k)
        for (int i = 0; i < 33; ++i) ASSERT_EQ(app.window.getpixel(i, k), black);
}

TEST_F(Range, DefaultViewFindsBothAndDrawsTheBoundaryWhite) {
    app.s.maxiter = 64;
    view(-2.25, 0.75, -1.5, 1.5, 65);
    run();
    EXPECT_GT(out, 0.0);
    EXPECT_LT(in, 0.0);
    // Some pixels lie within a fifth of a pixel of the boundary, or have a
    // derivative past the overflow limit: white. Deep inside and far out: black.
    int whites = 0;
    for (int k = 0; k < 65; ++k)
        for (int i = 0; i < 65; ++i) whites += app.window.getpixel(i, k) == white;
    EXPECT_GT(whites, 0);
    EXPECT_EQ(app.window.getpixel(0, 0), black);    // c = -2.25 + 1.5i, far out
    EXPECT_EQ(app.window.getpixel(48, 32), black);  // c = 0, inside
}

TEST_F(Range, PreviewIsClippedToTheWindowButEveryPixelCounts) {
    app.s.maxiter = 1;
    view(20, 30, 20, 30, 32);
    app.s.ClientRes = {0, 0, 10, 5};
    app.window = Surface(32, 32, grey);
    run();
    // The corner (30, 30) is at column 31 of row 0, outside the window.
    const double r = std::sqrt(30.0 * 30.0 + 30.0 * 30.0);
    EXPECT_EQ(out, 2.0 * r * std::log(r));
    EXPECT_EQ(app.window.getpixel(9, 4), black);
    EXPECT_EQ(app.window.getpixel(10, 4), grey);
    EXPECT_EQ(app.window.getpixel(9, 5), grey);
}

TEST_F(Range, JuliaAlwaysSquares) {
    // The Julia set of 0 is the unit circle: with z^2 the orbit of a pixel z has
    // z_n = z^(2^n), whatever the exponent setting says.
    app.s.ftype = 1;
    app.s.jcx = app.s.jcy = 0;
    app.s.exponent = 5;
    app.s.maxiter = 1;
    view(3, 4, 3, 4, 32);
    run();
    // One step: the largest |z_1| = |z|^2 is at (4, 4), 32 (with z^5 it would be 1024).
    const double r = 32.0;
    EXPECT_EQ(out, 2.0 * r * std::log(r));
}

}  // namespace
}  // namespace vantrel
