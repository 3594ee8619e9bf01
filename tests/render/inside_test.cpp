// Inside coloring methods on hand-made orbits and on short real ones.

#include <cmath>

#include "colortest.h"
#include "fakehost.h"
#include "render/frame.h"

namespace vantrel {
namespace {

using namespace colortest;

TEST(SolidColor, StartValuesAreBlack) {
    FakeHost host;
    App app{host};
    const Frame f = makeframe(app);
    EXPECT_EQ(pixelcolor(f, orbit(256, 0.1, 0.1, 0.2)), black);
}

TEST(ZMagAndAtanMethods, Values) {
    Frame f = testframe(outside::levelsets, inside::zmag);
    EXPECT_CH(insidecolor(f, orbit(256, 0.3, 0.4, 0.5)), entry(2));  // level(256)
    // atan2(size, |zy + 0.0001|) with zy = -0.0001: pi/2 * 256 = 402.1, level 148.
    f.inside = inside::atansizeabszy;
    EXPECT_CH(insidecolor(f, orbit(256, 1, -0.0001, 1)), entry(148));
    // |atan2(x y, (zy + 0.0001)^2)| with the previous iterate x = y = -1 and
    // zy = -0.0001: atan2(1, 0) again.
    f.inside = inside::atanxyzysquared;
    Orbit o = orbit(256, 1, -0.0001, 1);
    o.x = o.y = -1;
    EXPECT_CH(insidecolor(f, o), entry(148));
    // 32 * 256 * 0.5 * atan((0.5 + 0.5) * 0.75 * 0.3) = 906.5..: level 142.
    f.inside = inside::zxatanzxcx;
    o = orbit(256, 0.5, 0.4, 0.64);
    o.c = {-0.5, 0};
    EXPECT_CH(insidecolor(f, o), entry(142));
}

TEST(BOF, SmallestSizeAndItsStep) {
    // c = 1/4 creeps up toward 1/2: the orbit is closest to 0 at its first step.
    Frame f = testframe(outside::levelsets, inside::bof34);
    const Orbit o = run(f, 0.25, 0);
    ASSERT_FALSE(escaped(f, o));
    EXPECT_EQ(o.infsize, 0.25);
    EXPECT_EQ(o.ninfsize, 1);
    EXPECT_CH(insidecolor(f, o), entry(8));  // level(256 * 1 * 7) = level(1792)
    f.inside = inside::bof33;
    EXPECT_CH(insidecolor(f, o), entry(194));  // level(256 * 0.25 * 7) = level(448)
    // c = -1 cycles 0, -1, 0, ..: the smallest size, 0, first at step 2.
    f.inside = inside::bof34;
    const Orbit p = run(f, -1, 0);
    EXPECT_EQ(p.infsize, 0.0);
    EXPECT_EQ(p.ninfsize, 2);
    EXPECT_CH(insidecolor(f, p), entry(15));  // level(3584)
}

TEST(NegativeIndexes, WrapThroughLowBits) {
    Frame f = testframe(outside::levelsets, inside::zxabszy);
    // 1 - (1.5 + 1) = -1.5: -262 after scaling, level -6, low 8 bits 250.
    EXPECT_CH(insidecolor(f, orbit(256, 1, 1, 1.4)), entry(250));
    EXPECT_CH(insidecolor(f, orbit(256, -1, 1, 1.4)), entry(88));  // 0.5 * 175
    f.inside = inside::abszxabszy;
    EXPECT_CH(insidecolor(f, orbit(256, -1, 1, 1.4)), entry(250));
    EXPECT_CH(insidecolor(f, orbit(256, 0.2, -0.2, 0.3)), entry(88));  // 0.5 * 175 again
}

TEST(TriangleInequalityAverage, InsideDoublesForKX) {
    Frame f = testframe(outside::levelsets, inside::tia);
    Orbit o = orbit(256, 0.1, 0.1, 0.2);
    o.sum = 0.5 * 256;
    o.sum2 = 0.5 * 255;
    EXPECT_CH(insidecolor(f, o), entry(2));  // level(256)
    f.tiaflag = tiaalgorithm::damienjones;
    EXPECT_CH(insidecolor(f, o), entry(129));  // level(128)
    // A single step has no previous average; the one term stands for both.
    f.tiaflag = tiaalgorithm::kx;
    o = orbit(1, 0.1, 0.1, 0.2);
    o.sum = 0.25;
    EXPECT_CH(insidecolor(f, o), entry(129));  // 64 doubled
}

TEST(EpsilonCross, StopsNearAnAxisFromTheSecondStep) {
    Frame f = testframe(outside::levelsets, inside::epsiloncross);
    // c = 0.005i: z_1 = c lies on the imaginary axis, which does not count at the
    // first step; z_2 = -0.000025 + 0.005i is near it at step 2: stop.
    const Orbit o = run(f, 0, 0.005);
    EXPECT_EQ(o.n, 2);
    EXPECT_DOUBLE_EQ(o.z.x, -0.000025);
    // k = level(trunc(2 * 32 * 0.000025 * 100)) = level(0) = 1.
    EXPECT_CH(insidecolor(f, o), entry(1));
    // At step 1 only: a Julia orbit whose z_1 is near the axis and whose later
    // iterates settle on the attracting fixed point of c = -0.5 + 0.3i, away from
    // both axes. It runs to maxiter and is not near an axis at the end: entry 0.
    f.ftype = settype::julia;
    f.jcx = -0.5;
    f.jcy = 0.3;
    // z_0 with z_0^2 + c = 0.003 + 0.6i.
    const double wx = 0.003 + 0.5, wy = 0.6 - 0.3;
    const double m = std::sqrt(wx * wx + wy * wy);
    const double zx = std::sqrt((m + wx) / 2), zy = wy / (2 * zx);
    const Orbit p = run(f, zx, zy);
    EXPECT_EQ(p.n, f.maxiter);
    EXPECT_GT(std::fabs(p.z.x), 0.01);
    EXPECT_GT(std::fabs(p.z.y), 0.01);
    EXPECT_CH(insidecolor(f, p), entry(0));
    // Stopped near the real axis at step 3: distance 0.004 gives 3 * 32 * 0.4 = 38.4.
    EXPECT_CH(insidecolor(f, orbit(3, 0.5, 0.004, 0.5)), entry(39));
    EXPECT_CH(insidecolor(f, orbit(3, -0.004, 0.5, 0.5)), entry(39));
}

TEST(AngularDecomposition, WorkedValuesAndTheImaginaryAxis) {
    const Frame f = testframe(outside::levelsets, inside::angulardecomposition);
    EXPECT_CH(insidecolor(f, orbit(256, 1, 2, 2.2)), entry(46));
    EXPECT_CH(insidecolor(f, orbit(256, 1, -2, 2.2)), entry(211));
    // On the imaginary axis the angle is a quarter or three quarters of a turn.
    EXPECT_CH(insidecolor(f, orbit(256, 0.0, 1, 1)), entry(65));
    EXPECT_CH(insidecolor(f, orbit(256, 0.0, -1, 1)), entry(193));
    EXPECT_CH(insidecolor(f, orbit(256, -0.0, -1, 1)), entry(193));
    EXPECT_CH(insidecolor(f, orbit(256, -1e-40, -1, 1)), entry(193));
    // The negative real axis is half a turn: 128, level 129.
    EXPECT_CH(insidecolor(f, orbit(256, -1, 0.0, 1)), entry(129));
    // At the origin itself a signed zero must not decide: both are angle 0.
    EXPECT_CH(insidecolor(f, orbit(256, -0.0, 0.0, 0)), entry(1));
    EXPECT_CH(insidecolor(f, orbit(256, 0.0, 0.0, 0)), entry(1));
}

TEST(DistanceEstimator, InsideIndexClampedTo1To255) {
    Frame f = testframe(outside::levelsets, inside::distanceestimator);
    f.maxiter = 20;
    std::vector<COMPLEX> buf;
    // c = -0.1: an inside orbit with |z| < 1, a negative estimate.
    const Orbit o = run(f, -0.1, 0, buf);
    ASSERT_FALSE(escaped(f, o));
    double xd = 0, yd = 0;
    double zx = 0;
    for (int m = 0; m < o.n; ++m) {  // the orbit is real: z_{m+1} = z_m^2 - 0.1
        xd = 2 * (zx * xd - 0 * yd) + 1;
        zx = zx * zx - 0.1;
    }
    const double dist = 2 * std::log(o.size) * o.size / std::sqrt(xd * xd);
    ASSERT_LT(dist, 0);
    f.distmaxin = dist * 64;  // 1/64 of the range, times demscale 8: 32 above n
    EXPECT_CH(insidecolor(f, o), entry(52));
    f.distmaxin = dist;  // 8 * 256 above n: clamped to 255
    EXPECT_CH(insidecolor(f, o), entry(255));
    f.distmaxin = 0;  // no scale: entry n
    EXPECT_CH(insidecolor(f, o), entry(20));
    // Entry n is clamped too, and a non-negative estimate gives n.
    Orbit big = o;
    big.n = 300;  // more steps than the stored orbit holds: the derivative comes given
    big.lanederivative = true;
    big.dx = xd;
    big.dy = 0;
    EXPECT_CH(insidecolor(f, big), entry(255));
}

TEST(DistanceEstimator, ZeroOrbitHasNoEstimate) {
    Frame f = testframe(outside::levelsets, inside::distanceestimator);
    f.maxiter = 20;
    f.distmaxin = -1;
    std::vector<COMPLEX> buf;
    const Orbit o = run(f, 0, 0, buf);  // stays at 0: 0 * ln 0
    EXPECT_CH(insidecolor(f, o), entry(20));
}

TEST(OrbitModeAndBandBlack, FixedColors) {
    const Frame f = testframe(outside::orbittracing, inside::orbittracing);
    // sqrt(0.04) * 250 = 50, level 51: (0, 25 + 64, 25 + 40).
    EXPECT_CH(insidecolor(f, orbit(32, 0.2, 0, 0.04)), (Channels{0, 89, 65}));
    const Frame g = testframe(outside::peitgenbands, inside::peitgenblack);
    EXPECT_EQ(pixelcolor(g, orbit(256, 0.2, 0, 0.2)), black);
}

}  // namespace
}  // namespace vantrel
