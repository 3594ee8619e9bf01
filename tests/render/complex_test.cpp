#include "render/complex.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

COMPLEX power(COMPLEX b, int e) {
    COMPLEX r;
    complex_power(b, e, &r);
    return r;
}

TEST(ComplexPower, SmallExponents) {
    for (COMPLEX b : {COMPLEX{0, 0}, COMPLEX{3.5, -2}, COMPLEX{-1e300, 1e300}}) {
        const COMPLEX one = power(b, 0);
        EXPECT_EQ(one.x, 1.0);
        EXPECT_EQ(one.y, 0.0);
    }
    const COMPLEX b{0.3, -1.7};
    const COMPLEX p1 = power(b, 1);
    EXPECT_EQ(p1.x, 0.3);
    EXPECT_EQ(p1.y, -1.7);
    const COMPLEX p2 = power(b, 2);
    EXPECT_EQ(p2.x, 0.3 * 0.3 - (-1.7) * (-1.7));
    EXPECT_EQ(p2.y, 2.0 * 0.3 * -1.7);
}

TEST(ComplexPower, PowersOfI) {
    const COMPLEX i5 = power({0, 1}, 5);
    EXPECT_EQ(i5.x, 0.0);
    EXPECT_EQ(i5.y, 1.0);
    const COMPLEX i4 = power({0, 1}, 4);
    EXPECT_NEAR(i4.x, 1.0, 1e-15);
    EXPECT_NEAR(i4.y, 0.0, 1e-15);
}

TEST(ComplexPower, ResultMayBeTheBase) {
    COMPLEX z{1.25, 0.5};
    complex_power(z, 3, &z);
    // (1.25 + 0.5i)^3 = 1.015625 + 2.21875i
    EXPECT_NEAR(z.x, 1.015625, 1e-14);
    EXPECT_NEAR(z.y, 2.21875, 1e-14);
}

TEST(ComplexPower, HighExponentsAgreeWithPolarForm) {
    const COMPLEX b{0.9, 0.4};
    const double r = std::hypot(b.x, b.y), t = std::atan2(b.y, b.x);
    for (int e = 2; e <= 17; ++e) {
        const COMPLEX p = power(b, e);
        EXPECT_NEAR(p.x, std::pow(r, e) * std::cos(e * t), 1e-12) << e;
        EXPECT_NEAR(p.y, std::pow(r, e) * std::sin(e * t), 1e-12) << e;
    }
}

TEST(Invert, OriginAndAxes) {
    double x = 0, y = 0;
    invert(&x, &y, 1.0);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    x = 2, y = 0;
    invert(&x, &y, 1.0);
    EXPECT_DOUBLE_EQ(x, 0.5);
    EXPECT_NEAR(y, 0.0, 1e-16);
    x = 0, y = -2;
    invert(&x, &y, 1.0);
    EXPECT_NEAR(x, 0.0, 1e-16);
    EXPECT_DOUBLE_EQ(y, -0.5);
}

TEST(Invert, UnitCircleIsFixedAndTwiceIsIdentity) {
    double x = std::cos(2.0), y = std::sin(2.0);
    invert(&x, &y, 1.0);
    EXPECT_NEAR(x, std::cos(2.0), 1e-15);
    EXPECT_NEAR(y, std::sin(2.0), 1e-15);
    for (auto [x0, y0] : {std::pair{0.3, -0.8}, {-5.0, 2.0}, {1e-3, 1e-3}}) {
        double a = x0, b = y0;
        invert(&a, &b, 1.0);
        EXPECT_NEAR(a * x0 + b * y0, 1.0, 1e-12);  // same ray, reciprocal modulus
        invert(&a, &b, 1.0);
        EXPECT_NEAR(a, x0, 1e-12 * std::abs(x0) + 1e-15);
        EXPECT_NEAR(b, y0, 1e-12 * std::abs(y0) + 1e-15);
    }
    double u = 1e-200, v = 1e-200;  // the squares underflow
    invert(&u, &v, 1.0);
    EXPECT_TRUE(std::isfinite(u) && std::isfinite(v));
}

}  // namespace
}  // namespace vantrel
