#include "render/lanes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace vantrel {
namespace {

bool samebits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Frame plainframe(int exponent, int tiaflag, double maxsize, int maxiter) {
    Frame f;
    f.xres = f.yres = 64;
    f.exponent = exponent;
    f.tiaflag = tiaflag;
    f.maxsize = maxsize;
    f.maxiter = maxiter;
    f.outside = 1;
    f.inside = 0;
    return f;
}

// Every orbit the lanes leave must equal, bit for bit, the scalar loop's.
void expectsame(const Frame& f, const std::vector<Orbit>& start) {
    std::vector<Orbit> lanes = start, scalar = start;
    iteratelanes(f, lanes.data(), static_cast<int>(lanes.size()));
    for (Orbit& o : scalar) iterate(f, o, nullptr);
    for (std::size_t k = 0; k < start.size(); ++k) {
        const Orbit &a = lanes[k], &b = scalar[k];
        ASSERT_EQ(a.n, b.n) << k;
        ASSERT_TRUE(samebits(a.z.x, b.z.x) && samebits(a.z.y, b.z.y)) << k;
        ASSERT_TRUE(samebits(a.x, b.x) && samebits(a.y, b.y)) << k;
        ASSERT_TRUE(samebits(a.size, b.size) || (std::isnan(a.size) && std::isnan(b.size))) << k;
    }
}

std::vector<Orbit> orbits(int count, double scale, bool julia, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-scale, scale);
    std::vector<Orbit> v(static_cast<std::size_t>(count));
    for (Orbit& o : v) {
        if (julia) {
            o.z = {u(rng), u(rng)};
            o.c = {-0.7, 0.27};
        } else {
            o.c = {u(rng), u(rng)};
        }
    }
    return v;
}

TEST(Lanes, SameOrbitsAsTheScalarLoop) {
    EXPECT_NE(lanetarget(), nullptr);
    for (int e : {2, 3, 4, 7, 17})
        for (int tia : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "exponent " << e << " tiaflag " << tia);
            expectsame(plainframe(e, tia, 16.0, 400), orbits(333, 2.0, false, 7u * e + tia));
            expectsame(plainframe(e, tia, 4.0, 1000), orbits(101, 1.5, true, 11u * e + tia));
        }
}

TEST(Lanes, FewerOrbitsThanLanesAndOneStep) {
    expectsame(plainframe(2, 0, 16.0, 256), orbits(1, 2.0, false, 1));
    expectsame(plainframe(2, 0, 16.0, 256), orbits(3, 2.0, false, 2));
    expectsame(plainframe(2, 0, 2.0, 1), orbits(50, 2.0, false, 3));
    expectsame(plainframe(2, 0, 16.0, 256), {});
}

TEST(Lanes, OverflowSignedZerosAndHugeLimits) {
    // Huge starting points overflow to infinity and NaN within a step or two.
    auto big = orbits(64, 1e200, false, 4);
    // Zeros of both signs: (-0)^2 - 0^2 and the multiplications by zero must keep
    // the very signs the scalar code gives.
    for (double x : {0.0, -0.0})
        for (double y : {0.0, -0.0}) {
            Orbit o;
            o.c = {x, y};
            big.push_back(o);
            Orbit j;
            j.z = {x, y};
            j.c = {-0.0, 0.0};
            big.push_back(j);
        }
    for (int e : {2, 5, 16}) expectsame(plainframe(e, 0, 1e30, 300), big);
    expectsame(plainframe(2, 2, 1e16, 300), big);
}

}  // namespace
}  // namespace vantrel
