#include "ui/orbits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fakehost.h"

namespace vantrel {
namespace {

constexpr Rgb yellow = rgb(255, 255, 0);
constexpr Rgb red = rgb(204, 34, 34);
constexpr Rgb background = rgb(10, 20, 30);

// Records presents and pauses in the order they come.
struct OrderHost : FakeHost {
    std::string log;
    void present(const Rect& r) override {
        FakeHost::present(r);
        log += 'p';
    }
    void pause(int ms) override {
        FakeHost::pause(ms);
        log += 'z';
    }
};

// Orbit tracing mode: -2.25..2.25 square, 32 iterations, escape at |z| > 2,
// here on a 361-pixel image so that pixel 80 k stands for the point k - 2.25.
class Orbits : public ::testing::Test {
  protected:
    Orbits() {
        State& s = app.s;
        s.xmin = s.ymin = -2.25;
        s.xmax = s.ymax = 2.25;
        s.maxiter = 32;
        s.maxsize = 2.0;
        s.okorbits = 1;
        s.xres = s.yres = 361;
        window(361, 361);
        app.g_vhdc = Surface(361, 361);
        app.g_ohdc = Surface(361, 361, background);
    }
    void window(int w, int h) {
        app.s.ClientRes = {0, 0, w, h};
        app.window = Surface(w, h, white);
    }
    // The pixel columns of the real orbit of c, written out again.
    std::vector<int> realorbit(double c) const {
        std::vector<int> cols;
        double z = 0.0;
        for (int n = 0; n < 32; ++n) {
            z = z * z + c;
            cols.push_back(static_cast<int>((z + 2.25) * 360 / 4.5));
            if (std::fabs(z) > 2.0) break;
        }
        return cols;
    }
    OrderHost host;
    App app{host};
};

TEST_F(Orbits, InsideTheCardioidConvergesOnTheFixedPoint) {
    draworbits(app, 140, 180);  // c = -0.5
    const std::vector<int> cols = realorbit(-0.5);
    ASSERT_EQ(cols.size(), 32u);
    EXPECT_EQ(cols[1], 160);  // z2 = -0.25
    EXPECT_EQ(cols[2], 145);  // z3 = -0.4375
    // The fixed point (1 - sqrt 3) / 2 = -0.366 lies in column 150.
    EXPECT_EQ(cols.back(), 150);
    EXPECT_EQ(app.s.xside, 4.5);

    // The last cross is whole; the lines run over the centres of the others.
    for (auto [dx, dy] : {std::pair{0, 0}, {0, -1}, {0, 1}, {-1, 0}, {1, 0}})
        EXPECT_EQ(app.g_vhdc.getpixel(150 + dx, 180 + dy), yellow);
    EXPECT_EQ(app.g_vhdc.getpixel(160, 179), yellow);
    EXPECT_EQ(app.g_vhdc.getpixel(158, 180), red);  // only the segment 160 -> 145
    EXPECT_EQ(app.g_vhdc.getpixel(150, 170), background);

    // One pause after the first point, then a line and a point for each of 32.
    EXPECT_EQ(host.pauses.size(), 65u);
    for (int ms : host.pauses) EXPECT_EQ(ms, 25);
    // Each point is shown before the pause that follows it.
    EXPECT_EQ(host.log.find("zz"), std::string::npos) << host.log;
    EXPECT_EQ(host.log.front(), 'p');
    // The window ends as the surface.
    for (int r = 0; r < 361; ++r)
        for (int i = 0; i < 361; ++i)
            ASSERT_EQ(app.window.getpixel(i, r), app.g_vhdc.getpixel(i, r));
    EXPECT_EQ(host.cursor, Cursor::arrow);
    EXPECT_EQ(host.cursors.front(), Cursor::wait);
    EXPECT_EQ(host.pointer.back(), std::make_pair(100, 100));
}

TEST_F(Orbits, WithoutLinesOnlyCrosses) {
    app.s.oklines = 0;
    draworbits(app, 140, 180);
    EXPECT_EQ(host.pauses.size(), 33u);
    EXPECT_EQ(app.g_vhdc.getpixel(158, 180), background);
    EXPECT_EQ(app.g_vhdc.getpixel(160, 180), yellow);
    EXPECT_EQ(app.g_vhdc.getpixel(140, 180), yellow);
    for (int r = 0; r < 361; ++r)
        for (int i = 0; i < 361; ++i) ASSERT_NE(app.g_vhdc.getpixel(i, r), red);
}

TEST_F(Orbits, EscapingPointStopsAfterOneStepAndNextClickWipes) {
    draworbits(app, 140, 180);
    host.pauses.clear();
    draworbits(app, 340, 20);  // c = 2 + 2i: |z1| already exceeds 2
    EXPECT_EQ(host.pauses.size(), 3u);
    EXPECT_EQ(app.g_vhdc.getpixel(340, 20), yellow);
    EXPECT_EQ(app.g_vhdc.getpixel(158, 180), background);
    EXPECT_EQ(app.g_vhdc.getpixel(150, 180), background);
    EXPECT_EQ(app.window.getpixel(150, 180), background);
}

TEST_F(Orbits, WindowSmallerThanImage) {
    window(150, 361);
    draworbits(app, 140, 180);
    const std::vector<int> cols = realorbit(-0.5);
    // A line pause only where both ends lie in the window.
    std::size_t want = 1;
    int prev = 140;
    for (int col : cols) {
        want += (prev < 150 && col < 150) ? 2 : 1;
        prev = col;
    }
    EXPECT_EQ(host.pauses.size(), want);
    for (const Rect& r : host.presented) EXPECT_LE(r.right, 150);
    EXPECT_EQ(app.g_vhdc.getpixel(160, 179), yellow);  // beyond the window, in the surface
    for (int r = 0; r < 361; ++r)
        for (int i = 0; i < 150; ++i)
            ASSERT_EQ(app.window.getpixel(i, r), app.g_vhdc.getpixel(i, r));
}

TEST_F(Orbits, PointsTooFarForAnIntAreNotDrawn) {
    app.s.maxsize = 1e300;
    draworbits(app, 340, 180);  // c = 2 runs off to infinity
    // 2, 6, 38, ... overflows after a dozen steps; only c itself is on the image.
    EXPECT_LE(host.pauses.size(), 1u + 2u * 32u);
    EXPECT_EQ(app.g_vhdc.getpixel(340, 180), yellow);
    EXPECT_EQ(host.pointer.back(), std::make_pair(100, 100));
}

TEST(DrawDot, ClipsEachPixelToTheRectangle) {
    Surface s(10, 10, black);
    EXPECT_EQ(DrawDot(s, 5, 5, {0, 0, 10, 10}, yellow), 5);
    EXPECT_EQ(s.getpixel(5, 4), yellow);
    EXPECT_EQ(s.getpixel(4, 4), black);
    EXPECT_EQ(DrawDot(s, 0, 0, {0, 0, 10, 10}, red), 3);
    EXPECT_EQ(DrawDot(s, 9, 5, {0, 0, 10, 10}, red), 4);
    // Right and bottom edges are outside; the rectangle, not the surface, decides.
    EXPECT_EQ(DrawDot(s, 4, 4, {0, 0, 5, 5}, red), 3);
    EXPECT_EQ(s.getpixel(5, 4), yellow);
    EXPECT_EQ(DrawDot(s, -1, 5, {0, 0, 10, 10}, red), 1);
    EXPECT_EQ(s.getpixel(0, 5), red);
    EXPECT_EQ(DrawDot(s, 20, 20, {0, 0, 10, 10}, red), 0);
    EXPECT_EQ(DrawDot(s, 2147483647, 5, {0, 0, 10, 10}, red), 0);
    EXPECT_EQ(DrawDot(s, 3, 3, {}, red), 0);
}

}  // namespace
}  // namespace vantrel
