#include "special/firstimage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "fakehost.h"
#include "special/renderstep.h"

namespace vantrel {
namespace {

// The curves written out again, plainly: escape of z^2 + c against |z| > 16 and
// the four neighbours (x +- xside/xres, y +- yside/yres).
bool escapes(double zx, double zy, double cx, double cy, int nmax) {
    int n = 0;
    while (std::sqrt(zx * zx + zy * zy) <= 16.0 && n < nmax) {
        const double t = (zx + zy) * (zx - zy) + cx;
        zy = 2.0 * zx * zy + cy;
        zx = t;
        ++n;
    }
    return std::sqrt(zx * zx + zy * zy) > 16.0;
}

struct Reference {
    bool julia = false;
    double xmin, xmax, ymin, ymax, cx = 0, cy = 0;
    int xres, yres;

    double px(int i) const { return xmin + i * (xmax - xmin) / (xres - 1); }
    double py(int r) const { return ymin + (yres - r - 1) * (ymax - ymin) / (yres - 1); }
    bool out(double x, double y, int nmax) const {
        return julia ? escapes(x, y, cx, cy, nmax) : escapes(0, 0, x, y, nmax);
    }
    bool edge(double x, double y, int nmax) const {
        const double dx = (xmax - xmin) / xres, dy = (ymax - ymin) / yres;
        return out(x + dx, y, nmax) || out(x - dx, y, nmax) || out(x, y + dy, nmax) ||
               out(x, y - dy, nmax);
    }
    // Draws one white-background level over `img`.
    void level(Surface& img, int nmax, bool first) const {
        for (int r = 0; r < yres; ++r)
            for (int i = 0; i < xres; ++i) {
                const double x = px(i), y = py(r);
                if (out(x, y, nmax)) continue;
                if (edge(x, y, nmax) || (first && julia)) img.setpixel(i, r, black);
            }
    }
};

constexpr int limits[10] = {160, 2, 3, 4, 5, 6, 8, 10, 13, 16};

class FirstImage : public ::testing::Test {
  protected:
    FirstImage() { size(40, 40); }
    void size(int xres, int yres) {
        app.s.xres = xres;
        app.s.yres = yres;
        app.g_vhdc = Surface(xres, yres);
        app.s.ClientRes = {0, 0, xres, yres};
        app.window = Surface(xres, yres);
    }
    void julia(double cx, double cy, double lo, double hi) {
        app.s.ftype = settype::julia;
        app.s.jcx = cx;
        app.s.jcy = cy;
        app.s.jxmin = app.s.jymin = lo;
        app.s.jxmax = app.s.jymax = hi;
    }
    // Equipotential lines, as the render driver starts them.
    void start() {
        app.s.outside = outside::equipotentiallines;
        app.s.j = 0;
        app.s.okfractal = 1;
    }
    void rows(int count) {
        for (int r = 0; r < count; ++r) renderstep(app);
    }
    Reference reference() const {
        const State& s = app.s;
        if (s.ftype == settype::mandelbrot)
            return {false, s.mxmin, s.mxmax, s.mymin, s.mymax, 0, 0, s.xres, s.yres};
        return {true, s.jxmin, s.jxmax, s.jymin, s.jymax, s.jcx, s.jcy, s.xres, s.yres};
    }
    void expectsurface(const Surface& want) {
        for (int r = 0; r < app.s.yres; ++r)
            for (int i = 0; i < app.s.xres; ++i)
                ASSERT_EQ(app.g_vhdc.getpixel(i, r), want.getpixel(i, r))
                    << "pixel " << i << ", " << r;
    }
    FakeHost host;
    App app{host};
};

TEST_F(FirstImage, WhiteBackgroundOutlinesEachLevelOverTheLast) {
    const Reference ref = reference();
    Surface want(40, 40, white);
    start();
    for (int k = 0; k < 10; ++k) {
        rows(40);
        ref.level(want, limits[k], k == 0);
        expectsurface(want);
        if (k == 0) {
            // Deep inside the set nothing is drawn; the outline is black.
            EXPECT_EQ(app.g_vhdc.getpixel(28, 20), white);
            int blacks = 0;
            for (int r = 0; r < 40; ++r)
                for (int i = 0; i < 40; ++i) blacks += app.g_vhdc.getpixel(i, r) == black;
            EXPECT_GT(blacks, 20);
        }
    }
    EXPECT_EQ(app.s.okfractal, 0);
    // The window shows the whole image.
    for (int r = 0; r < 40; ++r)
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(app.window.getpixel(i, r), app.g_vhdc.getpixel(i, r));
}

TEST_F(FirstImage, WhiteBackgroundJuliaInteriorIsBlack) {
    size(33, 33);
    julia(0.0, 0.0, -2.0, 2.0);  // the unit disc, pixels 1/8 apart
    start();
    rows(33);
    Surface want(33, 33, white);
    reference().level(want, 160, true);
    expectsurface(want);
    EXPECT_EQ(app.g_vhdc.getpixel(16, 16), black);  // z = 0
    EXPECT_EQ(app.g_vhdc.getpixel(24, 16), black);  // z = 1, on the circle
    EXPECT_EQ(app.g_vhdc.getpixel(25, 16), white);  // z = 1.125 escapes
}

TEST_F(FirstImage, DarkBackgroundGreysAndInterior) {
    size(33, 33);
    julia(0.0, 0.0, -2.0, 2.0);
    app.s.plbkgd = plotbackground::darkgradient;
    start();
    rows(33);
    // With c = 0 the external angle is the argument of z.
    EXPECT_EQ(app.g_vhdc.getpixel(32, 8), rgb(18, 18, 18));     // z = 2 + i
    EXPECT_EQ(app.g_vhdc.getpixel(0, 24), rgb(108, 108, 108));  // z = -2 - i, past one half
    EXPECT_EQ(app.g_vhdc.getpixel(24, 16), white);              // edge of the disc
    EXPECT_EQ(app.g_vhdc.getpixel(23, 16), black);              // a Julia interior stays black
    EXPECT_EQ(app.g_vhdc.getpixel(16, 16), black);

    // Mandelbrot: the interior dark grey, the outline white; on the real axis the
    // angle is 0 to the right (black) and 1/2 to the left (the brightest grey).
    FakeHost h2;
    App m{h2};
    m.s.xres = m.s.yres = 61;
    m.g_vhdc = Surface(61, 61);
    m.s.ClientRes = {0, 0, 61, 61};
    m.window = Surface(61, 61);
    m.s.plbkgd = plotbackground::darkgradient;
    m.s.outside = outside::equipotentiallines;
    m.s.okfractal = 1;
    for (int r = 0; r < 61; ++r) renderstep(m);
    EXPECT_EQ(m.g_vhdc.getpixel(60, 30), rgb(0, 0, 0));       // c = 0.75
    EXPECT_EQ(m.g_vhdc.getpixel(0, 30), rgb(127, 127, 127));  // c = -2.25
    EXPECT_EQ(m.g_vhdc.getpixel(42, 30), rgb(48, 48, 48));    // c = -0.15
    const Reference ref{false, -2.25, 0.75, -1.5, 1.5, 0, 0, 61, 61};
    for (int r = 0; r < 61; ++r)
        for (int i = 0; i < 61; ++i) {
            const double x = ref.px(i), y = ref.py(r);
            if (ref.out(x, y, 160)) {
                const Rgb c = m.g_vhdc.getpixel(i, r);
                ASSERT_TRUE(red(c) == green(c) && green(c) == blue(c) && red(c) <= 127);
            } else {
                ASSERT_EQ(m.g_vhdc.getpixel(i, r), ref.edge(x, y, 160) ? white : rgb(48, 48, 48));
            }
        }
}

TEST_F(FirstImage, BoundaryLooksJustUnderOnePixelAway) {
    // At 2 iterations c counts as inside while |c^2 + c| <= 16: on the axes up to
    // 3.5311 to the right, -4.5311 to the left and 3.93800 up and down. The
    // neighbours lie (xmax - xmin) / xres = 0.1 away, not 10 / 99.
    State s;
    s.xmin = -5;
    s.xmax = 5;
    s.ymin = -5;
    s.ymax = 5;
    s.xres = s.yres = 100;
    EXPECT_EQ(boundary(s, 3.431, 0.0, 2), 0);
    EXPECT_EQ(boundary(s, 3.432, 0.0, 2), 1);
    EXPECT_EQ(boundary(s, -4.431, 0.0, 2), 0);
    EXPECT_EQ(boundary(s, -4.432, 0.0, 2), 1);
    EXPECT_EQ(boundary(s, 0.0, 3.837, 2), 0);
    EXPECT_EQ(boundary(s, 0.0, 3.839, 2), 1);
    EXPECT_EQ(boundary(s, 0.0, -3.839, 2), 1);
    EXPECT_EQ(boundary(s, -0.1, 0.0, 160), 0);

    // Julia set of 0 after one step: a neighbour escapes once it lies beyond 4.
    s.jcx = s.jcy = 0.0;
    EXPECT_EQ(boundaryj(s, 3.85, 0.0, 1), 0);
    EXPECT_EQ(boundaryj(s, 3.95, 0.0, 1), 1);
    EXPECT_EQ(boundaryj(s, 0.0, -3.95, 1), 1);
}

TEST_F(FirstImage, EquipotentialPassRowProtocol) {
    start();
    int calls = 0;
    while (app.s.okfractal) {
        renderstep(app);
        ++calls;
        EXPECT_EQ(app.firstimg.k, calls / 40 % 10) << calls;
        EXPECT_EQ(app.s.j, calls % 40) << calls;
        // One second's pause after level 9, nothing before it.
        EXPECT_EQ(host.pauses.size(), calls >= 400 ? 1u : 0u) << calls;
        ASSERT_LE(calls, 400);
    }
    EXPECT_EQ(calls, 400);
    EXPECT_EQ(host.pauses, std::vector<int>{1000});
    EXPECT_EQ(app.firstimg.kmax, 10);
    EXPECT_EQ(app.firstimg.first, 1);
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_EQ(app.s.okjulia, juliapreview::available);
    EXPECT_EQ(host.pointer.back(), std::make_pair(100, 100));
    // Every row went to the window, and the whole image once more before the pause.
    EXPECT_EQ(host.presented.size(), 1u + 400u + 1u);

    // A Julia pass ends without the Julia preview.
    julia(-0.75, 0.1, -2.0, 2.0);
    start();
    while (app.s.okfractal) renderstep(app);
    EXPECT_EQ(app.s.okjulia, juliapreview::unavailable);
}

// Runs a start-up pass of a 61 x 61 image in its own program.
struct StartUp {
    struct PauseHost : FakeHost {
        std::function<void()> onpause;
        void pause(int ms) override {
            FakeHost::pause(ms);
            if (onpause) onpause();
        }
    } host;
    App app{host};
    int calls = 0;

    StartUp() {
        app.s.xres = app.s.yres = 61;
        app.g_vhdc = Surface(61, 61);
        app.s.ClientRes = {0, 0, 61, 61};
        app.window = Surface(61, 61);
        app.s.okfirstimage = 1;
    }
    void run() {
        while (app.s.okfirstimage && calls <= 11 * 61) {
            firstimage(app);
            ++calls;
        }
    }
};

TEST(FirstImageStartUp, RaysBeforeThePauseThenTheColorLevel) {
    // Far out on the positive real axis nothing but the ray 0/15 can be black:
    // every pixel there escapes at the first step.
    StartUp wide;
    wide.app.s.mxmin = 0;
    wide.app.s.mxmax = 100;
    wide.app.s.mymin = -50;
    wide.app.s.mymax = 50;
    wide.app.s.period = 1;
    Rgb onray = white, offray = black;
    wide.host.onpause = [&] {
        onray = wide.app.window.getpixel(30, 30);   // c = 50
        offray = wide.app.window.getpixel(30, 10);  // c = 50 + 33.3i
    };
    wide.run();
    EXPECT_EQ(wide.calls, 11 * 61);
    EXPECT_EQ(wide.host.pauses, std::vector<int>{1000});
    EXPECT_EQ(onray, black);
    EXPECT_EQ(offray, white);
    EXPECT_EQ(wide.app.firstimg.kmax, 11);  // the start-up pass keeps its eleven levels
    EXPECT_EQ(wide.app.s.okfractal, 0);
    EXPECT_EQ(wide.app.s.okzoom, 1);
    EXPECT_EQ(wide.app.s.okjulia, juliapreview::available);
    EXPECT_EQ(wide.host.pointer.back(), std::make_pair(100, 100));

    // The color level of the home view: c = -2.25 + 1.5i escapes at step 3,
    // 0.75 + 1.5i at step 4, c = 0 stays.
    StartUp home;
    home.run();
    const auto entry = [](int k) {
        const auto& e = defpalette()[k];
        return rgb(e[0], e[1], e[2]);
    };
    EXPECT_EQ(home.app.g_vhdc.getpixel(0, 0), entry(4));
    EXPECT_EQ(home.app.g_vhdc.getpixel(60, 0), entry(5));
    EXPECT_EQ(home.app.g_vhdc.getpixel(45, 30), black);
    for (int r = 0; r < 61; ++r)
        for (int i = 0; i < 61; ++i)
            ASSERT_EQ(home.app.window.getpixel(i, r), home.app.g_vhdc.getpixel(i, r));

    // A Julia start-up pass draws no rays, but still pauses.
    StartUp julia;
    julia.app.s.ftype = settype::julia;
    julia.run();
    EXPECT_EQ(julia.calls, 11 * 61);
    EXPECT_EQ(julia.host.pauses, std::vector<int>{1000});
    EXPECT_EQ(julia.app.s.okjulia, juliapreview::unavailable);
}

TEST_F(FirstImage, ResumedAndRestartedPasses) {
    start();
    while (app.s.okfractal) renderstep(app);
    const Surface whole = app.g_vhdc;

    // Paused in level 2 and started again: level 2 is drawn again from the top,
    // over what is there, and the result is the same picture.
    FakeHost h2;
    App a{h2};
    a.s = app.s;
    a.g_vhdc = Surface(40, 40);
    a.window = Surface(40, 40);
    a.s.j = 0;
    a.s.okfractal = 1;
    for (int r = 0; r < 2 * 40 + 7; ++r) renderstep(a);
    a.s.okfractal = 0;  // pause
    const Surface paused = a.g_vhdc;
    a.s.j = 0;
    a.s.okfractal = 1;
    renderstep(a);
    EXPECT_EQ(a.firstimg.k, 2);
    EXPECT_EQ(a.s.j, 1);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(a.g_vhdc.getpixel(i, 20), paused.getpixel(i, 20));
    while (a.s.okfractal) renderstep(a);
    EXPECT_EQ(a.g_vhdc, whole);

    // Paused at level 0 and restarted: the surface is not cleared again, so a
    // pixel that the levels leave alone keeps what was there.
    a.s.j = 0;
    a.s.okfractal = 1;
    for (int r = 0; r < 10; ++r) renderstep(a);
    a.s.okfractal = 0;
    a.g_vhdc.setpixel(28, 20, rgb(1, 2, 3));  // deep inside, never on a curve
    a.s.j = 0;
    a.s.okfractal = 1;
    while (a.s.okfractal) renderstep(a);
    EXPECT_EQ(a.g_vhdc.getpixel(28, 20), rgb(1, 2, 3));

    // Paused in level 3, then the view changes: the old curves belong to another
    // picture, so the pass starts over, cleared, on the new view.
    a.s.j = 0;
    a.s.okfractal = 1;
    for (int r = 0; r < 3 * 40 + 5; ++r) renderstep(a);
    a.s.okfractal = 0;
    a.s.mxmin = -1.5;
    a.s.mxmax = 0.5;
    a.s.mymin = -1.0;
    a.s.mymax = 1.0;
    a.s.j = 0;
    a.s.okfractal = 1;
    renderstep(a);
    EXPECT_EQ(a.firstimg.k, 0);
    while (a.s.okfractal) renderstep(a);
    const Reference ref = {false, -1.5, 0.5, -1.0, 1.0, 0, 0, 40, 40};
    Surface want(40, 40, white);
    for (int k = 0; k < 10; ++k) ref.level(want, limits[k], k == 0);
    EXPECT_EQ(a.g_vhdc, want);
    EXPECT_EQ(a.s.xside, 2.0);
}

TEST_F(FirstImage, NewPassTakesOverPausedRowAtTheTop) {
    // A driver image paused at row 17, switched to equipotential lines and resumed.
    start();
    app.s.j = 17;
    renderstep(app);
    EXPECT_EQ(app.s.j, 1);
    EXPECT_EQ(app.firstimg.kmax, 10);
    EXPECT_EQ(host.presented.front(), app.s.ClientRes);  // it cleared the window first
}

TEST_F(FirstImage, WindowSmallerThanImage) {
    app.s.ClientRes = {0, 0, 30, 20};
    app.window = Surface(30, 20, rgb(9, 9, 9));
    start();
    rows(40);
    // Cleared black, then the visible image part white, then rows 0..19 copied.
    ASSERT_EQ(host.presented.size(), 21u);
    for (int r = 0; r < 20; ++r) EXPECT_EQ(host.presented[r + 1], (Rect{0, r, 30, r + 1}));
    for (int r = 0; r < 20; ++r)
        for (int i = 0; i < 30; ++i)
            ASSERT_EQ(app.window.getpixel(i, r), app.g_vhdc.getpixel(i, r));
}

TEST_F(FirstImage, EquipotentialLinesWinOverEscherMode) {
    app.s.okescher = 1;
    start();
    renderstep(app);
    // The first image clears white; Escher-Julia would have cleared grey.
    EXPECT_EQ(app.g_vhdc.getpixel(0, 39), white);
    EXPECT_EQ(app.window.getpixel(0, 39), white);
}

}  // namespace
}  // namespace vantrel
