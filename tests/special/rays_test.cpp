#include "special/rays.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fakehost.h"

namespace vantrel {
namespace {

// Follows the ray N/D inward with the Newton refinement for `depth` halvings of
// the potential and asks every point for its angle: two different computations of
// the same thing. Returns the number of points checked.
int checkray(int type, double a, double b, int N, int D, int depth) {
    const double angle = static_cast<double>(N) / D;
    double t = angle;
    double x = std::exp(7.0) * std::cos(6.283185307179586 * t);
    double y = std::exp(7.0) * std::sin(6.283185307179586 * t);
    int checked = 0;
    for (int n = 1; n <= depth; ++n) {
        t = std::fmod(2 * t, 1.0);
        for (int st = 1; st <= 10; ++st) {
            const double rlog = 14.0 * std::exp(-st * 0.69315 / 10);
            if (RayNewton(type, n, a, b, &x, &y, rlog, 6.283185307179586 * t) != 0) return checked;
            const double got = externalangle(type, x, y, a, b);
            EXPECT_NEAR(std::remainder(got - angle, 1.0), 0.0, 1e-9)
                << N << "/" << D << " at (" << x << ", " << y << ")";
            ++checked;
        }
    }
    return checked;
}

constexpr int someangles[][2] = {{1, 3}, {2, 3}, {1, 7},  {2, 7},  {3, 7}, {1, 5},
                                 {2, 5}, {4, 5}, {1, 10}, {7, 15}, {1, 4}, {3, 8}};

TEST(ExternalAngle, PointsOfMandelbrotRaysHaveTheirAngle) {
    for (const auto& nd : someangles) EXPECT_EQ(checkray(0, 0, 0, nd[0], nd[1], 12), 120);
}

TEST(ExternalAngle, PointsOfJuliaRaysHaveTheirAngle) {
    // The dendrite of c = i: orbits pass between 0, c and the fixed point, where the
    // sum of arguments must be kept on its branch.
    for (const auto& nd : someangles) EXPECT_EQ(checkray(1, 0, 1, nd[0], nd[1], 10), 100);
    // The basilica.
    for (const auto& nd : someangles) EXPECT_EQ(checkray(1, -1, 0, nd[0], nd[1], 10), 100);
}

TEST(RayNewton, FailureCodes) {
    // A derivative of 0 (z = 0 under c = 0).
    double x = 0, y = 0;
    EXPECT_EQ(RayNewton(1, 1, 0, 0, &x, &y, 1.0, 0.0), 2);
    // An orbit past 1e100.
    x = 1e60;
    y = 0;
    EXPECT_EQ(RayNewton(1, 1, 0, 0, &x, &y, 1.0, 0.0), 1);
    // A first step far longer than 3 sqrt(x^2 + y^2 + 1).
    x = 1e-3;
    y = 0;
    EXPECT_EQ(RayNewton(1, 1, 0, 0, &x, &y, 10.0, 0.0), -1);
    // Success: under c = 0 the point of z^2 with log-modulus 2, argument 1 is
    // e^(1 + 0.5 i), found from near it.
    x = 2.4;
    y = 1.3;
    EXPECT_EQ(RayNewton(1, 1, 0, 0, &x, &y, 2.0, 1.0), 0);
    EXPECT_NEAR(x, std::exp(1.0) * std::cos(0.5), 1e-12);
    EXPECT_NEAR(y, std::exp(1.0) * std::sin(0.5), 1e-12);
}

class Rays : public ::testing::Test {
  protected:
    Rays() {
        State& s = app.s;
        s.xmin = -2.25;
        s.xmax = 0.75;
        s.ymin = -1.5;
        s.ymax = 1.5;
        s.xside = s.yside = 3.0;
        s.xres = s.yres = 600;
        app.g_vhdc = Surface(600, 600, white);
    }
    // The drawn pixels and their extent.
    struct Drawn {
        int count = 0, imin = 1 << 30, imax = -(1 << 30), kmin = 1 << 30, kmax = -(1 << 30);
    };
    Drawn drawn(Rgb pen) const {
        Drawn d;
        for (int k = 0; k < app.g_vhdc.height(); ++k)
            for (int i = 0; i < app.g_vhdc.width(); ++i)
                if (app.g_vhdc.getpixel(i, k) == pen) {
                    ++d.count;
                    d.imin = std::min(d.imin, i);
                    d.imax = std::max(d.imax, i);
                    d.kmin = std::min(d.kmin, k);
                    d.kmax = std::max(d.kmax, k);
                }
        return d;
    }
    double x(int i) const { return app.s.xmin + i * app.s.xside / (app.s.xres - 1); }
    double y(int k) const { return app.s.ymax - k * app.s.yside / (app.s.yres - 1); }

    FakeHost host;
    App app{host};
};

TEST_F(Rays, ZeroRunsAlongThePositiveAxisTo025) {
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 0, 1, 0, 0), 0);
    const Drawn d = drawn(black);
    ASSERT_GT(d.count, 0);
    EXPECT_EQ(d.kmin, 299);  // the row of y = 0
    EXPECT_EQ(d.kmax, 299);
    EXPECT_EQ(d.imax, 599);  // from beyond the right edge
    EXPECT_GT(x(d.imin), 0.25);
    EXPECT_LT(x(d.imin), 0.26);
    EXPECT_TRUE(host.presented.empty());  // the caller shows the surface
}

TEST_F(Rays, HalfRunsAlongTheNegativeAxisToMinus2) {
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 1, 2, 0, 0), 0);
    const Drawn d = drawn(black);
    ASSERT_GT(d.count, 0);
    EXPECT_EQ(d.kmin, 299);
    EXPECT_EQ(d.kmax, 299);
    EXPECT_EQ(d.imin, 0);  // from beyond the left edge
    EXPECT_NEAR(x(d.imax), -2.0, 0.02);
}

TEST_F(Rays, ThirdsLandNearMinusThreeQuarters) {
    app.s.rray = 255;
    app.s.gray = 0;
    app.s.bray = 0;
    const Rgb pen = rgb(255, 0, 0);
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 1, 3, 0, 0), 0);
    Drawn d = drawn(pen);
    ASSERT_GT(d.count, 0);
    EXPECT_LT(d.kmax, 299);  // above the axis
    EXPECT_LT(std::hypot(x(d.imax) + 0.75, y(d.kmax)), 0.1);
    app.g_vhdc = Surface(600, 600, white);
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 2, 3, 0, 0), 0);
    d = drawn(pen);
    ASSERT_GT(d.count, 0);
    EXPECT_GT(d.kmin, 299);  // below it
    EXPECT_LT(std::hypot(x(d.imax) + 0.75, y(d.kmin)), 0.1);
}

TEST_F(Rays, InvalidAnglesDrawNothing) {
    const Surface before = app.g_vhdc;
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 1, 1, 0, 0), 1);
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 3, 2, 0, 0), 1);
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, -1, 2, 0, 0), 1);
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 0, 0, 0, 0), 1);
    EXPECT_EQ(app.g_vhdc, before);
}

TEST_F(Rays, ARayThatNeverComesNearTheViewDrawsNothing) {
    State& s = app.s;
    s.xmin = 10;
    s.xmax = 11;
    s.ymin = 10;
    s.ymax = 11;
    s.xside = s.yside = 1;
    const Surface before = app.g_vhdc;
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 1, 3, 0, 0), 0);
    EXPECT_EQ(app.g_vhdc, before);
}

TEST_F(Rays, DeepZoomStartsAtTheFirstDrawablePoint) {
    // The start point e^7 is some 10^13 pixels away: too far for an int.
    State& s = app.s;
    s.xmin = 0.2501;
    s.xmax = 0.2503;
    s.ymin = -0.0001;
    s.ymax = 0.0001;
    s.xside = s.yside = 0.0002;
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 0, 1, 0, 0), 0);
    const Drawn d = drawn(black);
    ASSERT_GT(d.count, 0);
    EXPECT_EQ(d.imax, 599);
    EXPECT_EQ(d.kmin, 299);
    EXPECT_EQ(d.kmax, 299);
    // With maxiter 256 the ray runs its full depth and ends just right of 1/4.
    EXPECT_GT(x(d.imin), 0.25014);
    EXPECT_LT(x(d.imin), 0.25016);
}

TEST_F(Rays, ZoomedOutStartPointIsTheFirstVertex) {
    // e^7 = 1096.6 fits in a view of +-1500: the ray is drawn from its start.
    State& s = app.s;
    s.xmin = s.ymin = -1500;
    s.xmax = s.ymax = 1500;
    s.xside = s.yside = 3000;
    EXPECT_EQ(NewtonRay(app, settype::mandelbrot, 0, 1, 0, 0), 0);
    const Drawn d = drawn(black);
    ASSERT_GT(d.count, 0);
    EXPECT_EQ(d.imax, static_cast<int>((std::exp(7.0) + 1500) * 599 / 3000));
    EXPECT_EQ(d.kmin, 299);
    EXPECT_EQ(d.kmax, 299);
}

TEST_F(Rays, JuliaRaysOfZeroAreStraight) {
    // For c = 0 the ray of angle t is the half-line of argument 2 pi t, ending at the
    // unit circle.
    State& s = app.s;
    s.xmin = s.ymin = -2;
    s.xmax = s.ymax = 2;
    s.xside = s.yside = 4;
    EXPECT_EQ(NewtonRay(app, settype::julia, 1, 4, 0, 0), 0);
    const Drawn d = drawn(black);
    ASSERT_GT(d.count, 0);
    EXPECT_EQ(d.imin, 299);  // the column of x = 0
    EXPECT_EQ(d.imax, 299);
    EXPECT_EQ(d.kmin, 0);
    EXPECT_NEAR(y(d.kmax), 1.0, 0.02);
}

}  // namespace
}  // namespace vantrel
