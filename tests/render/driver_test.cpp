#include "render/driver.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fakehost.h"
#include "reference.h"
#include "state/history.h"

namespace vantrel {
namespace {

Rgb palrgb(const State& s, int k) {
    return rgb(s.palette[k][0], s.palette[k][1], s.palette[k][2]);
}

class Driver : public ::testing::Test {
  protected:
    Driver() {
        seedhistory(app.s);
        setsize(600, 600);
    }
    void setsize(int xres, int yres) {
        app.s.xres = xres;
        app.s.yres = yres;
        app.g_vhdc = Surface(xres, yres);
    }
    void window(int w, int h) {
        app.s.ClientRes = {0, 0, w, h};
        app.window = Surface(w, h, white);
    }
    void start() {
        app.s.j = 0;
        app.s.okfractal = 1;
    }
    void render() {
        start();
        while (app.s.okfractal) fractaldriver(app);
    }
    // Every pixel against the plain re-computation, on the view the image used.
    void expectreference() {
        const State& s = app.s;
        for (int r = 0; r < s.yres; ++r)
            for (int i = 0; i < s.xres; ++i)
                ASSERT_EQ(app.g_vhdc.getpixel(i, r),
                          reference::pixel(s, s.xmin, s.xmax, s.ymin, s.ymax, i, r))
                    << "pixel " << i << ", " << r;
    }
    FakeHost host;
    App app{host};
};

TEST_F(Driver, DefaultImageCornersAndInside) {
    render();
    EXPECT_EQ(app.g_vhdc.getpixel(0, 0), palrgb(app.s, 4));
    EXPECT_EQ(app.g_vhdc.getpixel(599, 0), palrgb(app.s, 5));
    // Next to c = 0, deep in the set.
    EXPECT_EQ(app.g_vhdc.getpixel(450, 299), black);
}

TEST_F(Driver, DefaultImageIsExact) {
    render();
    expectreference();
}

TEST_F(Driver, SetUpValues) {
    start();
    fractaldriver(app);
    EXPECT_EQ(app.s.xside, 3.0);
    EXPECT_EQ(app.s.yside, 3.0);
    EXPECT_EQ(app.s.factor, 256.0);
    EXPECT_EQ(app.driver.il, 1.4426950408889634);
    EXPECT_DOUBLE_EQ(app.driver.lpsm, 1.0197814405382262);
    EXPECT_DOUBLE_EQ(app.driver.lptia, 0.32663425997828094);
    EXPECT_EQ(app.s.j, 1);

    app.s.maxiter = 100;
    app.s.outside = outside::distanceestimator;
    start();
    fractaldriver(app);
    EXPECT_EQ(app.s.factor, 256.0);
    EXPECT_DOUBLE_EQ(app.s.delta, 0.001);
    app.s.maxiter = 300;
    start();
    fractaldriver(app);
    EXPECT_EQ(app.s.factor, 300.0);
}

TEST_F(Driver, FirstCallClearsWindowAndSurface) {
    setsize(40, 40);
    window(60, 30);  // wider than the image, shorter than it
    start();
    fractaldriver(app);
    EXPECT_EQ(app.window.getpixel(50, 10), black);  // beside the image
    EXPECT_EQ(app.window.getpixel(20, 10), grey);   // the image area, not drawn yet
    EXPECT_EQ(app.g_vhdc.getpixel(20, 39), grey);   // the surface, not drawn yet
    EXPECT_EQ(app.window.getpixel(0, 0), app.g_vhdc.getpixel(0, 0));  // row 0 is shown
    EXPECT_NE(app.g_vhdc.getpixel(0, 0), grey);
    EXPECT_EQ(host.cursor, Cursor::wait);

    for (int k = 1; k < 40; ++k) fractaldriver(app);
    EXPECT_EQ(app.s.okfractal, 0);
    EXPECT_EQ(app.s.j, 0);
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_EQ(app.s.okjulia, juliapreview::available);
    EXPECT_EQ(host.cursor, Cursor::arrow);
    ASSERT_FALSE(host.pointer.empty());
    EXPECT_EQ(host.pointer.back(), std::make_pair(100, 100));
    // Rows below the window are on the surface only.
    EXPECT_EQ(app.window.getpixel(5, 29), app.g_vhdc.getpixel(5, 29));
    for (const Rect& r : host.presented) EXPECT_LE(r.bottom, 30);
}

TEST_F(Driver, OnlyTheVisiblePartOfARowIsCopied) {
    setsize(64, 32);
    window(40, 100);
    render();
    EXPECT_EQ(app.window.getpixel(39, 0), app.g_vhdc.getpixel(39, 0));
    EXPECT_EQ(app.window.getpixel(40, 0), black);
    EXPECT_EQ(app.window.getpixel(10, 32), black);
}

TEST_F(Driver, PauseResumeAndRestart) {
    setsize(32, 32);
    window(32, 32);
    start();
    for (int k = 0; k < 10; ++k) fractaldriver(app);
    app.s.okfractal = 0;  // paused at row 10
    app.window.setpixel(0, 0, white);
    app.s.okfractal = 1;  // resumed: nothing is cleared
    fractaldriver(app);
    EXPECT_EQ(app.s.j, 11);
    EXPECT_EQ(app.window.getpixel(0, 0), white);
    app.s.j = 0;  // restarted: set-up runs again
    fractaldriver(app);
    EXPECT_NE(app.window.getpixel(0, 0), white);
    EXPECT_EQ(app.window.getpixel(0, 5), grey);
}

TEST_F(Driver, CompletionStoresTheJuliaViewBack) {
    setsize(32, 32);
    app.s.ftype = settype::julia;
    app.s.outside = outside::tia;
    app.s.exponent = 5;
    app.s.jxmin = -3;
    render();
    EXPECT_EQ(app.s.exponent, 2);
    EXPECT_EQ(app.s.jxmin, -2.5);
    EXPECT_EQ(app.s.jxmax, 2.5);
    EXPECT_EQ(app.s.jymin, -2.5);
    EXPECT_EQ(app.s.okjulia, juliapreview::unavailable);
    // Within the bounds the view is kept; a Mandelbrot image keeps its exponent.
    app.s.jxmin = -2.7;
    render();
    EXPECT_EQ(app.s.jxmin, -2.7);
    app.s.ftype = settype::mandelbrot;
    app.s.exponent = 5;
    render();
    EXPECT_EQ(app.s.exponent, 5);
}

TEST_F(Driver, TiaClampsEscapeLimits) {
    setsize(32, 32);
    app.s.inside = inside::tia;
    app.s.maxsize = 4;
    app.s.bailout = 2;
    render();
    EXPECT_EQ(app.s.maxsize, 8.0);
    EXPECT_EQ(app.s.bailout, 8.0);
    app.s.tiaflag = tiaalgorithm::kerrymitchell;
    app.s.maxsize = 1e20;
    app.s.bailout = 1e30;
    render();
    EXPECT_EQ(app.s.maxsize, 1e16);
    EXPECT_EQ(app.s.bailout, 1e16);
    EXPECT_EQ(app.s.tiaflag, tiaalgorithm::kerrymitchell);
    app.s.inside = inside::solidcolor;
    app.s.outside = outside::smoothingtia;
    app.s.okinvert = 1;
    render();
    EXPECT_EQ(app.s.tiaflag, tiaalgorithm::kx);
}

TEST_F(Driver, BandDecompositionGivesItsInsideBack) {
    setsize(32, 32);
    app.s.outside = outside::peitgenbands;
    app.s.inside = inside::bof34;
    start();
    fractaldriver(app);
    EXPECT_EQ(app.s.inside, inside::peitgenblack);
    app.s.j = 0;  // restarted before it was finished
    render();
    EXPECT_EQ(app.s.inside, inside::bof34);
}

TEST_F(Driver, HeightFieldOfWhiteIs254) {
    setsize(32, 32);
    app.s.method = coloringmethod::heightfield;
    app.s.outside = outside::solidcolor;
    render();
    EXPECT_EQ(app.g_vhdc.getpixel(0, 0), rgb(254, 254, 254));
    EXPECT_EQ(app.g_vhdc.getpixel(24, 16), black);
}

TEST_F(Driver, SquaredVariantsEscapeOnTheSquaredModulus) {
    setsize(33, 33);
    app.s.mxmin = -2;
    app.s.mxmax = 2;
    app.s.mymin = -2;
    app.s.mymax = 2;
    app.s.maxsize = 2.0;  // |z| > 2 against |z|^2 > 2
    app.s.outside = outside::levelsets;
    render();
    const Surface plain = app.g_vhdc;
    app.s.tiaflag = tiaalgorithm::damienjones;
    app.s.maxsize = 2.0;
    render();
    // c = 1.5 (column 28, row 16): z1 = 1.5, |z1|^2 = 2.25 > 2 escapes at once with the
    // squared test (entry 2); with the plain test z2 = 3.75 escapes at step 2 (entry 3).
    EXPECT_EQ(plain.getpixel(28, 16), palrgb(app.s, 3));
    EXPECT_EQ(app.g_vhdc.getpixel(28, 16), palrgb(app.s, 2));
}

TEST_F(Driver, ViewsFromTheStateRenderExactly) {
    setsize(96, 80);
    app.s.mxmin = -0.7462;
    app.s.mxmax = -0.7442;
    app.s.mymin = 0.1120;
    app.s.mymax = 0.1140;
    app.s.maxiter = 2000;
    render();
    expectreference();

    app.s.ftype = settype::julia;
    app.s.exponent = 5;
    app.s.jcx = -0.6;
    app.s.jcy = 0.3;
    app.s.maxiter = 300;
    render();
    expectreference();

    app.s.method = coloringmethod::heightfield;
    app.s.okinvert = 1;
    app.s.rin = 40;
    app.s.gin = 200;
    app.s.bin = 90;
    render();
    expectreference();

    app.s.ftype = settype::mandelbrot;
    app.s.exponent = 3;
    app.s.maxsize = 1e30;
    render();
    expectreference();
}

// A big image streamed through the row sink, as the batch renderer writes files,
// with more workers than cores and rows far more than the engine holds ahead: the
// rows arrive once each, in order, the view surface holds one row, and a band of
// columns through the set is the plain re-computation.
TEST_F(Driver, ABigImageStreamedRowByRowIsTheReferenceOnABand) {
    app.s.xres = 3000;
    app.s.yres = 2000;
    app.s.maxiter = 400;
    app.driver.threads = 3;
    const int left = 1300, width = 160;
    std::vector<Rgb> band;
    int next = 0;
    bool inorder = true;
    app.driver.rowsink = [&](int j, const Rgb* row) {
        inorder = inorder && j == next++;
        band.insert(band.end(), row + left, row + left + width);
    };
    render();
    EXPECT_TRUE(inorder);
    EXPECT_EQ(next, 2000);
    EXPECT_EQ(app.g_vhdc.height(), 1);
    const State& s = app.s;
    for (int j = 0; j < s.yres; ++j)
        for (int i = 0; i < width; ++i)
            ASSERT_EQ(band[static_cast<std::size_t>(j) * width + i],
                      reference::pixel(s, s.xmin, s.xmax, s.ymin, s.ymax, left + i, j))
                << "pixel " << left + i << ", " << j;
}

TEST_F(Driver, InversionKeepsTheOrigin) {
    // A 33-wide view centred on 0 has a pixel exactly at the origin, and in the set.
    setsize(33, 33);
    app.s.mxmin = -1;
    app.s.mxmax = 1;
    app.s.mymin = -1;
    app.s.mymax = 1;
    app.s.okinvert = 1;
    app.s.rin = 9;
    render();
    EXPECT_EQ(app.g_vhdc.getpixel(16, 16), rgb(9, 0, 0));
}

TEST_F(Driver, OverflowedOrbitsAreOutside) {
    // With exponent 17 and the largest escape limit, |z| jumps past the double range
    // in one step: inf - inf is NaN, and such a point still escaped.
    setsize(32, 32);
    app.s.exponent = 17;
    app.s.maxsize = 1e30;
    app.s.mxmin = 1e20;
    app.s.mxmax = 2e20;
    app.s.mymin = 1e20;
    app.s.mymax = 2e20;
    app.s.outside = outside::solidcolor;
    app.s.rout = 1;
    app.s.gout = 2;
    app.s.bout = 3;
    app.s.rin = 200;
    render();
    for (int r = 0; r < 32; ++r)
        for (int i = 0; i < 32; ++i) ASSERT_EQ(app.g_vhdc.getpixel(i, r), rgb(1, 2, 3));
}

}  // namespace
}  // namespace vantrel
