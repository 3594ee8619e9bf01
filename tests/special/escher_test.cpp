#include "special/escher.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fakehost.h"
#include "special/renderstep.h"

namespace vantrel {
namespace {

// A palette in which every entry is told apart from every other.
Palette distinct() {
    Palette p{};
    for (int k = 0; k < 256; ++k)
        p[k] = {static_cast<unsigned char>(k), static_cast<unsigned char>(255 - k),
                static_cast<unsigned char>(k ^ 0x5A)};
    return p;
}

Rgb entry(int k) {
    return rgb(k, 255 - k, k ^ 0x5A);
}

class Escher : public ::testing::Test {
  protected:
    Escher() {
        app.s.xres = app.s.yres = 33;
        app.g_vhdc = Surface(33, 33);
        app.s.ClientRes = {0, 0, 33, 33};
        app.window = Surface(33, 33);
        app.s.palette = distinct();
        app.s.okescher = 1;
    }
    void c(double x, double y) {
        app.s.jcx = x;
        app.s.jcy = y;
    }
    int render() {
        app.s.j = 0;
        app.s.okfractal = 1;
        int calls = 0;
        while (app.s.okfractal && calls <= app.s.yres) {
            renderstep(app);
            ++calls;
        }
        return calls;
    }
    FakeHost host;
    App app{host};
};

TEST_F(Escher, TargetSetEscapeCounts) {
    State s;
    s.jcx = s.jcy = 0.0;  // the closed unit disc
    EXPECT_EQ(targetset(s, 0.5, 0.0), 0);
    EXPECT_EQ(targetset(s, 1.0, 0.0), 0);
    EXPECT_EQ(targetset(s, 0.0, -1.0), 0);
    EXPECT_EQ(targetset(s, 1.5, 0.0), 1);  // 2.25^2 > 4 after one step
    EXPECT_EQ(targetset(s, 1.2, 0.0), 2);  // 1.44, then 2.07^2 > 4
    // A start point beyond the bound still makes its step and escapes at 1.
    EXPECT_EQ(targetset(s, 3.0, 0.0), 1);
    EXPECT_EQ(targetset(s, 1.0001, 0.0), 13);
    // The bound is inclusive: with c = -2 the orbit of 0 settles on |z|^2 = 4.
    s.jcx = -2.0;
    EXPECT_EQ(targetset(s, 0.0, 0.0), 0);
    s.jcx = 2.0;
    EXPECT_EQ(targetset(s, 0.0, 0.0), 2);
}

TEST_F(Escher, ZeroConstantDrawsRings) {
    c(0.0, 0.0);
    app.s.exmin = app.s.eymin = -1.0;
    app.s.exmax = app.s.eymax = 1.0;
    EXPECT_EQ(render(), 33);
    // w hits at the first squaring k with 15 |w|^(2^k) <= 1 and gets entry 4(k - 1) + 1.
    int rings[64] = {};
    for (int r = 0; r < 33; ++r)
        for (int i = 0; i < 33; ++i) {
            const double x = -1.0 + i / 16.0, y = -1.0 + r / 16.0;
            const double m = std::hypot(x, y);
            int want = 1;
            if (m < 1.0) {
                int k = 1;
                while (15.0 * std::pow(m, std::pow(2.0, k)) > 1.0) ++k;
                // Leave out the pixels that lie on a ring's edge within rounding.
                const double edge = 15.0 * std::pow(m, std::pow(2.0, k));
                const double before = 15.0 * std::pow(m, std::pow(2.0, k - 1));
                if (edge > 1.0 - 1e-9 || (k > 1 && before < 1.0 + 1e-9)) continue;
                want = 4 * (k - 1) + 1;
                ++rings[k];
            }
            ASSERT_EQ(app.g_vhdc.getpixel(i, r), entry(want)) << "pixel " << i << ", " << r;
        }
    EXPECT_GT(rings[1], 0);
    EXPECT_GT(rings[2], 0);
    EXPECT_GT(rings[4], 0);
    // w = 0.5 reaches 15/16 at the second square.
    EXPECT_EQ(app.g_vhdc.getpixel(24, 16), entry(5));
    // Outside the unit circle nothing hits.
    EXPECT_EQ(app.g_vhdc.getpixel(0, 0), entry(1));
}

TEST_F(Escher, TwoConstantIsAllEntryOne) {
    c(2.0, 0.0);
    render();
    for (int r = 0; r < 33; ++r)
        for (int i = 0; i < 33; ++i) ASSERT_EQ(app.g_vhdc.getpixel(i, r), entry(1));
}

TEST_F(Escher, RowsRunUpFromTheBottomEdge) {
    c(0.0, 0.0);
    app.s.exmin = -1.2;
    app.s.exmax = 1.2;
    app.s.eymin = 0.3;  // |w| = 0.3 hits at the second square: entry 5
    app.s.eymax = 1.0;  // w = i squares to -1, then 1, and never hits: entry 1
    app.s.j = 0;
    app.s.okfractal = 1;
    renderstep(app);
    EXPECT_EQ(app.g_vhdc.getpixel(16, 0), entry(5));
    render();
    EXPECT_EQ(app.g_vhdc.getpixel(16, 0), entry(5));
    EXPECT_EQ(app.g_vhdc.getpixel(16, 32), entry(1));
}

TEST_F(Escher, RowProtocol) {
    c(0.0, 0.0);
    app.s.okzoom = 0;
    app.s.okjulia = juliapreview::shown;
    app.s.ClientRes = {0, 0, 40, 20};
    app.window = Surface(40, 20, white);
    app.s.j = 0;
    app.s.okfractal = 1;
    renderstep(app);
    EXPECT_EQ(app.s.j, 1);
    EXPECT_EQ(app.s.xside, 2.4);
    EXPECT_EQ(app.s.yside, 2.4);
    EXPECT_EQ(app.s.VhdcRes, (Rect{0, 0, 33, 33}));
    // Row 0 drawn, the rest of the image grey, beside it black, in window and surface.
    EXPECT_EQ(app.window.getpixel(5, 10), grey);
    EXPECT_EQ(app.window.getpixel(35, 10), black);
    EXPECT_EQ(app.g_vhdc.getpixel(5, 30), grey);
    EXPECT_EQ(app.window.getpixel(5, 0), app.g_vhdc.getpixel(5, 0));

    // Paused and resumed: the next row follows, nothing is cleared.
    app.s.okfractal = 0;
    app.s.okfractal = 1;
    renderstep(app);
    EXPECT_EQ(app.s.j, 2);
    EXPECT_NE(app.window.getpixel(5, 0), grey);

    int calls = 2;
    while (app.s.okfractal) {
        renderstep(app);
        ASSERT_LE(++calls, 33);
    }
    EXPECT_EQ(calls, 33);
    EXPECT_EQ(app.s.j, 0);
    EXPECT_EQ(app.s.okescher, 1);  // the mode stays
    EXPECT_EQ(app.s.okzoom, 0);
    EXPECT_EQ(app.s.okjulia, juliapreview::shown);
    EXPECT_EQ(host.pointer, (std::vector<std::pair<int, int>>{{100, 100}}));
    // Only the rows inside the window are copied, as wide as the image.
    ASSERT_EQ(host.presented.size(), 1u + 20u);
    EXPECT_EQ(host.presented[20], (Rect{0, 19, 33, 20}));
}

TEST_F(Escher, ResizedWhilePausedStartsAgain) {
    app.s.j = 0;
    app.s.okfractal = 1;
    for (int r = 0; r < 20; ++r) renderstep(app);
    app.s.okfractal = 0;
    app.s.xres = app.s.yres = 16;  // smaller than the paused row
    app.s.okfractal = 1;
    renderstep(app);
    EXPECT_EQ(app.s.j, 1);
    EXPECT_EQ(app.g_vhdc.width(), 16);
    EXPECT_EQ(app.g_vhdc.height(), 16);
}

}  // namespace
}  // namespace vantrel
