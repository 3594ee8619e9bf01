#include "render/distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

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
    }
    // Without the range inside, *in is not touched.
    void run(bool withinside = true) {
        out = 123;
        in = 456;
        EXPECT_EQ(maxdistance(app, &out, withinside ? &in : nullptr), 0);
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
    app.s.ftype = settype::julia;
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

namespace vantrel {
namespace {

// The pass on one thread without lanes, and in lanes on several threads: the same
// range, bit for bit, and the same preview; asked for the range outside alone, the
// same largest estimate and preview.
TEST_F(Range, SameRangeAndPreviewInLanesAndOnEveryThread) {
    struct View {
        int ftype, maxiter;
        double maxsize, x0, x1, y0, y1;
    };
    const View views[] = {
        {0, 256, 16.0, -2.25, 0.75, -1.5, 1.5},            // the default view
        {0, 2000, 4.0, -0.7454, -0.7450, 0.1128, 0.1132},  // near the boundary: overflows
        {0, 1, 16.0, -3, 3, -3, 3},                        // one step each
        {1, 300, 2.0, -2, 2, -2, 2},                       // corners past maxsize: no step
        {1, 500, 1e30, -1.6, 1.6, -1.2, 1.2},              // huge limit: NaN and infinity
    };
    for (const View& v : views) {
        SCOPED_TRACE(::testing::Message() << "maxiter " << v.maxiter << " x0 " << v.x0);
        std::vector<std::pair<double, double>> ranges;
        std::vector<Surface> previews;
        for (int withinside : {1, 0})
            for (int simd : {0, 1})
                for (int threads : {0, 3}) {
                    app.s.ftype = v.ftype;
                    app.s.jcx = -0.8;
                    app.s.jcy = 0.156;
                    app.s.maxiter = v.maxiter;
                    app.s.maxsize = v.maxsize;
                    app.driver.simd = simd;
                    app.driver.threads = threads;
                    view(v.x0, v.x1, v.y0, v.y1, 97);
                    run(withinside != 0);
                    ranges.emplace_back(out, withinside ? in : ranges[0].second);
                    if (!withinside) {
                        EXPECT_EQ(in, 456);
                    }
                    previews.push_back(app.window);
                }
        for (std::size_t k = 1; k < ranges.size(); ++k) {
            EXPECT_EQ(std::memcmp(&ranges[k], &ranges[0], sizeof ranges[0]), 0) << k;
            for (int j = 0; j < 97; ++j)
                for (int i = 0; i < 97; ++i)
                    ASSERT_EQ(previews[k].getpixel(i, j), previews[0].getpixel(i, j))
                        << k << " " << i << "," << j;
        }
    }
}

}  // namespace
}  // namespace vantrel
