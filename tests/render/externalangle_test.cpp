#include <gtest/gtest.h>

#include <cmath>

#include "render/angles.h"

namespace vantrel {
namespace {

TEST(Root, PrincipalBranchOnEveryHalfPlane) {
    double u, v;
    root(4, 0, &u, &v);
    EXPECT_EQ(u, 2);
    EXPECT_EQ(v, 0);
    root(-4, 0, &u, &v);  // 2i
    EXPECT_EQ(u, 0);
    EXPECT_EQ(v, 2);
    root(-4, -0.0, &u, &v);
    EXPECT_EQ(v, 2);     // -0 is not below the axis
    root(0, 2, &u, &v);  // 1 + i
    EXPECT_DOUBLE_EQ(u, 1);
    EXPECT_DOUBLE_EQ(v, 1);
    root(0, -2, &u, &v);  // 1 - i
    EXPECT_DOUBLE_EQ(u, 1);
    EXPECT_DOUBLE_EQ(v, -1);
    root(-3, -4, &u, &v);  // 1 - 2i
    EXPECT_DOUBLE_EQ(u, 1);
    EXPECT_DOUBLE_EQ(v, -2);
    root(3, 4, &u, &v);  // 2 + i
    EXPECT_DOUBLE_EQ(u, 2);
    EXPECT_DOUBLE_EQ(v, 1);
}

TEST(ExternalAngle, KnownParameters) {
    EXPECT_EQ(externalangle(settype::mandelbrot, 1.0, 0.0, 0, 0), 0.0);
    EXPECT_EQ(externalangle(settype::mandelbrot, -3.0, 0.0, 0, 0), 0.5);
    EXPECT_NEAR(externalangle(settype::mandelbrot, -0.75, 0.1, 0, 0), 1.0 / 3, 1e-3);
    EXPECT_NEAR(externalangle(settype::mandelbrot, -0.75, -0.1, 0, 0), 2.0 / 3, 1e-3);
    // Far out the angle of c approaches its argument.
    EXPECT_NEAR(externalangle(settype::mandelbrot, 0, 1000, 0, 0), 0.25, 1e-3);
}

TEST(ExternalAngle, DegeneratePoints) {
    // At the origin: a quarter turn above, three quarters otherwise.
    EXPECT_EQ(externalangle(settype::mandelbrot, 0, 1e-7, 0, 0), 0.25);
    EXPECT_EQ(externalangle(settype::mandelbrot, 0, -1e-7, 0, 0), 0.75);
    EXPECT_EQ(externalangle(settype::mandelbrot, 0, 0, 0, 0), 0.75);
    // Points of the set never get far enough: 0.
    EXPECT_EQ(externalangle(settype::mandelbrot, -0.1, 0.1, 0, 0), 0.0);
    EXPECT_EQ(externalangle(settype::mandelbrot, -1.0, 0.0, 0, 0), 0.0);  // passes through 0
    EXPECT_EQ(externalangle(settype::julia, 0.5, 0.5, 0.0, 0.0), 0.0);
}

TEST(ExternalAngle, JuliaOfZeroIsTheArgument) {
    for (double t : {0.1, 0.3, 0.45, 0.6, 0.9}) {
        const double x = 1.5 * std::cos(2 * M_PI * t), y = 1.5 * std::sin(2 * M_PI * t);
        EXPECT_NEAR(externalangle(settype::julia, x, y, 0, 0), t, 1e-12) << t;
    }
    State s;
    s.jcx = s.jcy = 0;
    EXPECT_EQ(externalangle(s, settype::julia, -2, 0), 0.5);
    // The angle is in [0, 1): a whole turn is 0.
    EXPECT_EQ(externalangle(settype::julia, 2, 0, 0, 0), 0.0);
}

TEST(ExternalAngle, JuliaSetOfAnotherConstant) {
    // For c = -2 the Julia set is [-2, 2]; the point 3 lies on the ray of angle 0,
    // -3 on the ray 1/2 (its image is 7, on ray 0).
    EXPECT_EQ(externalangle(settype::julia, 3, 0, -2, 0), 0.0);
    EXPECT_EQ(externalangle(settype::julia, -3, 0, -2, 0), 0.5);
    State s;
    s.jcx = -2;
    s.jcy = 0;
    EXPECT_EQ(externalangle(s, settype::julia, -3, 0), 0.5);
}

}  // namespace
}  // namespace vantrel
