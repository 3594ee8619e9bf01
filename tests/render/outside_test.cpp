// Outside coloring methods on hand-made orbits and on short real ones.

#include <cmath>
#include <limits>
#include <random>

#include "colortest.h"
#include "render/tialanes.h"

namespace vantrel {
namespace {

using namespace colortest;

TEST(LevelSets, NeverEntryZeroAndRepeatEvery255) {
    const Frame f = testframe(outside::levelsets);
    EXPECT_CH(outsidecolor(f, orbit(1, 20, 0, 20)), entry(2));
    EXPECT_CH(outsidecolor(f, orbit(254, 20, 0, 20)), entry(255));
    EXPECT_CH(outsidecolor(f, orbit(255, 20, 0, 20)), entry(1));
    EXPECT_CH(outsidecolor(f, orbit(511, 20, 0, 20)), entry(2));
}

TEST(Smoothing, BlendsTowardTheNextEntry) {
    const Frame f = testframe(outside::smoothing);
    // n = 10 is entry 11 (11, 244, 151), the next one (12, 243, 188).
    // 16^sqrt(2) overshoots by half a band: fx = 1/2.
    EXPECT_CH(outsidecolor(f, orbit(10, 1, 0, std::pow(16.0, std::sqrt(2.0)))),
              (Channels{11, 243, 169}));
    // Just past maxsize fx is nearly 1: nearly the next entry, truncated.
    EXPECT_CH(outsidecolor(f, orbit(10, 1, 0, 16.000001)), (Channels{11, 243, 187}));
    // Past maxsize^2 fx is clamped to 0: entry 11 itself.
    EXPECT_CH(outsidecolor(f, orbit(10, 1, 0, 1000.0)), entry(11));
    // An overflowed orbit is as far out as can be.
    EXPECT_CH(outsidecolor(f, orbit(10, 1, 0, std::numeric_limits<double>::infinity())), entry(11));
    EXPECT_CH(outsidecolor(f, orbit(10, 1, 0, std::nan(""))), entry(11));
}

TEST(Smoothing, LastBandIsFlatAndEntryZeroUnused) {
    const Frame f = testframe(outside::smoothing);
    for (double size : {16.0000001, 20.0, 50.0, 255.0, 1e6})
        EXPECT_CH(outsidecolor(f, orbit(254, 1, 0, size)), entry(255)) << size;
    // n = 255 is entry 1, blending toward 2, never toward 0.
    EXPECT_CH(outsidecolor(f, orbit(255, 1, 0, 16.0000001)), (Channels{1, 253, 73}));
}

TEST(ContinuousPotential, TinyZeroAndWrap) {
    Frame f = testframe(outside::continuouspotential);
    // A long orbit has a potential below the smallest float: entry 255, also where
    // 2^(n+2) is past the extended range.
    EXPECT_CH(outsidecolor(f, orbit(200, 20, 0, 20)), entry(255));
    EXPECT_CH(outsidecolor(f, orbit(16383, 20, 0, 20)), entry(255));
    EXPECT_CH(outsidecolor(f, orbit(30000, 20, 0, 20)), entry(255));
    // The cut-off lies at about the smallest float, 2^-126: with n = 124 the
    // potential is ln(size) * 2^-126. Just below it counts as 0 (entry 255); just
    // above, 255 - sqrt(d) * slope falls a hair below 255 (entry 254).
    EXPECT_CH(outsidecolor(f, orbit(124, 3, 0, std::exp(0.99999999))), entry(255));
    EXPECT_CH(outsidecolor(f, orbit(124, 3, 0, std::exp(1.00001))), entry(254));
    // size at most 2 has no potential.
    EXPECT_CH(outsidecolor(f, orbit(1, 2, 0, 2.0)), entry(255));
    // n = 1 and ln(size) = 8 make the potential 8 / 2^3 = 1, so k = 255 - slope.
    const double size = std::exp(8.0);
    f.slope = 100.5;
    EXPECT_CH(outsidecolor(f, orbit(1, size, 0, size)), entry(154));
    f.slope = 255;  // k = 0 becomes 1
    EXPECT_CH(outsidecolor(f, orbit(1, size, 0, size)), entry(1));
    f.slope = 300.5;  // -45.5: k = -45 wraps to 211
    EXPECT_CH(outsidecolor(f, orbit(1, size, 0, size)), entry(211));
}

// The potential's entry in extended precision, as the formula has it, against the
// colors of random orbits and of orbits whose entry lies a hair from a whole number
// (where a shortcut through doubles would round the wrong way).
TEST(ContinuousPotential, EveryEntryAsInExtendedPrecision) {
    Frame f = testframe(outside::continuouspotential);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto extended = [&](int n, double size) {
        const long double d = std::log(static_cast<long double>(size)) / std::ldexp(1.0L, n + 2);
        const long double pot = d > 1.17549435e-38 ? 256 - std::sqrt(d) * f.slope - 1 : 255;
        const long long k = static_cast<long long>(pot);
        return entry(static_cast<int>(((k == 0 ? 1 : k) % 256 + 256) % 256));
    };
    for (int i = 0; i < 200000; ++i) {
        f.slope = 1 + 400 * unit(random);
        const int n = static_cast<int>(unit(random) * 130);
        double size = 2.0001 + std::exp(12 * unit(random));
        if (i % 2 == 1) {
            // 255 - sqrt(ln(size) / 2^(n+2)) * slope = v, a whole number plus a hair.
            const long double v = std::floor(255 * unit(random)) + (unit(random) - 0.5) * 1e-12L;
            const long double root = (255 - v) / f.slope;
            size = static_cast<double>(std::exp(root * root * std::ldexp(1.0L, n + 2)));
            if (!(size > 2 && size < 1e300)) continue;
        }
        ASSERT_TRUE(samech(outsidecolor(f, orbit(n, size, 0, size)), extended(n, size)))
            << "n " << n << " size " << size << " slope " << f.slope;
    }
}

TEST(BinaryDecomposition, UpperHalfIncludesTheAxis) {
    const Frame f = testframe(outside::binarydecomposition);
    EXPECT_CH(outsidecolor(f, orbit(10, 20, 0.0, 20)), entry(21));
    EXPECT_CH(outsidecolor(f, orbit(10, 20, -0.0, 20)), entry(21));
    EXPECT_CH(outsidecolor(f, orbit(10, 20, 3.0, 20)), entry(21));
    EXPECT_CH(outsidecolor(f, orbit(10, 20, -1e-300, 20)), entry(150));
    // 2n + 128 past 255 wraps through level as well: n = 100 gives 201, then 75.
    EXPECT_CH(outsidecolor(f, orbit(100, 20, -3.0, 20)), entry(75));
}

TEST(BinaryDecompositionBW, PureGreysAlsoUnderHeightField) {
    for (int method : {coloringmethod::heightfield, coloringmethod::image}) {
        Frame f = testframe(outside::binaryblackwhite);
        f.method = method;
        EXPECT_EQ(pixelcolor(f, orbit(3, 20, 0.5, 20)), white) << method;
        EXPECT_EQ(pixelcolor(f, orbit(3, 20, 0.0, 20)), white) << method;
        EXPECT_EQ(pixelcolor(f, orbit(3, 20, -0.5, 20)), black) << method;
    }
    // Height Field turns any other white into 254.
    Frame f = testframe(outside::solidcolor);
    f.method = coloringmethod::heightfield;
    f.rout = f.gout = f.bout = 255;
    EXPECT_EQ(pixelcolor(f, orbit(3, 20, 0.5, 20)), rgb(254, 254, 254));
}

TEST(FieldLineGradients, QuarterHalfAndThreeQuarterTurns) {
    // Julia set of c = 0: the external angle of a point is its argument.
    Frame f = testframe(outside::fieldlines);
    f.ftype = settype::julia;
    auto at = [&](double x, double y) {
        Orbit o = orbit(3, 20, 0, 20);
        o.jzx = x;
        o.jzy = y;
        return outsidecolor(f, o);
    };
    for (int mapping : {fieldmapping::radial, fieldmapping::radialreflected}) {
        f.mapping = mapping;
        EXPECT_CH(at(0, 2), entry(192)) << mapping;  // 0.25
    }
    f.mapping = fieldmapping::radial;
    EXPECT_CH(at(0, -2), entry(64));   // 0.75
    EXPECT_CH(at(-2, 0), entry(128));  // 0.5
    f.mapping = fieldmapping::radialreflected;
    EXPECT_CH(at(0, -2), entry(190));  // fmod(255 - 2880, 256) = -65
    EXPECT_CH(at(-2, 0), entry(126));  // 0.5 is reflected: -129
    // Angle 0 (the positive axis) would be entry 0; it becomes 1.
    f.mapping = fieldmapping::radial;
    EXPECT_CH(at(2, 0), entry(1));
    // The Mandelbrot set asks about c: c = 1 has angle 0, c = -3 angle 1/2.
    f.ftype = settype::mandelbrot;
    Orbit o = orbit(2, 20, 0, 20);
    o.c = {-3, 0};
    EXPECT_CH(outsidecolor(f, o), entry(128));
}

TEST(PeitgenBands, WhiteAfterSevenStepsElseBySignOfZ6) {
    const Frame f = testframe(outside::peitgenbands, inside::peitgenblack);
    Orbit o = orbit(8, 20, 0, 20);
    EXPECT_CH(outsidecolor(f, o), (Channels{191, 191, 191}));  // white with grey 128
    o.n = 16;                                                  // grey 256 mod 256 = 0
    EXPECT_CH(outsidecolor(f, o), (Channels{127, 127, 127}));
    o = orbit(7, 20, 0, 20);
    o.zyn = -0.5;  // green band with grey 112
    EXPECT_CH(outsidecolor(f, o), (Channels{56, 176, 96}));
    o = orbit(6, 20, 0, 20);
    o.zyn = 0.0;  // blue band with grey 96
    EXPECT_CH(outsidecolor(f, o), (Channels{48, 112, 175}));
}

TEST(PeitgenBands, EarlyEscapeFollowsTheOrbitToZ6) {
    // c = -20 + i escapes at once; z_2 = 379 - 39i and from there Im z stays
    // negative, so z_6 is in the lower half: the green band with grey 16.
    const Frame f = testframe(outside::peitgenbands, inside::peitgenblack);
    const Orbit o = run(f, -20, 1);
    ASSERT_EQ(o.n, 1);
    EXPECT_CH(outsidecolor(f, o), (Channels{8, 128, 48}));
    // The whole orbit of -20 stays on the axis: upper half, blue band.
    EXPECT_CH(outsidecolor(f, run(f, -20, 0)), (Channels{8, 72, 135}));
}

TEST(PeitgenBands, RecordsZ6DuringTheIteration) {
    // Orbits that take six or seven steps: their z_6 comes from the iteration.
    const Frame f = testframe(outside::peitgenbands, inside::peitgenblack);
    int seen = 0;
    for (double y = 0.02; y < 1.5; y += 0.02) {
        const double x = -1.9;
        const Orbit o = run(f, x, y);
        if (o.n != 6 && o.n != 7) continue;
        ++seen;
        double zx = 0, zy = 0;
        for (int m = 0; m < 6; ++m) {
            const double t = zx * zx - zy * zy + x;
            zy = 2 * zx * zy + y;
            zx = t;
        }
        EXPECT_EQ(o.zyn, zy) << y;
    }
    EXPECT_GT(seen, 0);
}

TEST(SpeciesOfOrigin, EscapeAtFirstStepIsEntryZero) {
    const Frame f = testframe(outside::speciesoforigin);
    const Orbit o = run(f, 20, 5);
    ASSERT_EQ(o.n, 1);
    EXPECT_CH(outsidecolor(f, o), entry(0));
    // A recorded point at angle 1/4 turn, modulus 1: 256 / 4 = 64, level 65.
    Orbit h = orbit(5, 20, 0, 20);
    h.sx = 0;
    h.sy = 1;
    h.sz = 1;
    EXPECT_CH(outsidecolor(f, h), entry(65));
    // Angle 0 counts as a whole turn: 256, level 2.
    h.sx = 1;
    h.sy = 0;
    EXPECT_CH(outsidecolor(f, h), entry(2));
}

TEST(Cardioid, UntrappedIsEntryOne) {
    const Frame f = testframe(outside::cardioid);
    const Orbit o = run(f, 20, 20);
    EXPECT_EQ(o.trapped, 0);
    EXPECT_CH(outsidecolor(f, o), entry(1));
    Orbit h = orbit(5, 20, 0, 20);
    h.trapped = 1;
    h.distance = 0.05;  // 12.8
    EXPECT_CH(outsidecolor(f, h), entry(13));
}

TEST(Cardioid, TrapsOrbitsNearTheCurve) {
    // One step from c on the curve r = 1 - cos(theta): z_1 = c lies on it.
    const double theta = 2.0;
    const double r = 1 - std::cos(theta);
    Frame f = testframe(outside::cardioid);
    f.maxiter = 1;
    const Orbit o = run(f, r * std::cos(theta), r * std::sin(theta));
    EXPECT_EQ(o.trapped, 1);
    EXPECT_LT(o.distance, 1e-12);
}

TEST(TriangleInequalityAverage, HalfIsLevelZero) {
    Frame f = testframe(outside::tia);
    Orbit o = orbit(4, 20, 0, 20);
    o.sum = 2.0;                              // average of 4 terms: 0.5
    o.sum2 = 1.5;                             // average of 3 terms: 0.5
    EXPECT_CH(outsidecolor(f, o), entry(1));  // 128, level(4 * 0) = 1
    f.tiaflag = tiaalgorithm::damienjones;
    EXPECT_CH(outsidecolor(f, o), entry(128));
    // Integer TIA: ((0.5 - 0.5) + 0.5) * (4 + 255) = 129.5.
    f = testframe(outside::integertia);
    EXPECT_CH(outsidecolor(f, o), entry(130));
}

TEST(TriangleInequalityAverage, SingleStepHasADefinedColor) {
    const Frame f = testframe(outside::tia);
    // One term of 0.3: the average stands alone, whatever the overshoot. 76.8 gives
    // k = 76, level(4 * (76 - 128)) = -207, which wraps to 49.
    for (double size : {17.0, 100.0, 1e10}) {
        Orbit o = orbit(1, size, 0, size);
        o.sum = 0.3;
        o.sum2 = 0.0;
        EXPECT_CH(outsidecolor(f, o), entry(49)) << size;
    }
}

TEST(TriangleInequalityAverage, StepsFromTheLanesAsTheColoringsOwn) {
    // Orbits at random, and as many whose blend 256 index lies within a hair of a
    // whole number (1e-14 and less): the lanes' step, where they give one, must color every orbit
    // as the coloring's own does, and they must give one for most. All but the last
    // three take one, so that the steps end in part of a vector.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const int method : {outside::tia, outside::smoothingtia, outside::potentialtia})
        for (const int flag :
             {tiaalgorithm::kx, tiaalgorithm::damienjones, tiaalgorithm::kerrymitchell}) {
            Frame f = testframe(method);
            f.tiaflag = flag;
            const double base = f.il * f.lptia + 1;
            std::vector<Orbit> v(20000);
            for (std::size_t i = 0; i < v.size(); ++i) {
                const int n = 1 + static_cast<int>(unit(random) * 300);
                const double s2 = (n - 1) * unit(random), sum2 = n > 1 ? s2 / (n - 1) : 0;
                Orbit& o = v[i] = orbit(n, 0, 0, 16.5 + std::exp(60 * unit(random)));
                o.sum = s2 + unit(random);
                o.sum2 = s2;
                if (i % 2 == 1 && n > 1) {
                    const double spread = o.sum / n - sum2;
                    const double w =
                        std::round(256 * (sum2 + spread * (0.01 + 0.98 * unit(random))));
                    const double fx = ((w + (unit(random) - 0.5) * 1e-14) / 256 - sum2) / spread;
                    const double root = std::exp(std::exp((base - fx) / f.il));
                    if (fx > 0 && root * root > 16.5) o.size = root * root;
                }
            }
            std::vector<double> size, n, sum, sum2, steps(v.size());
            for (const Orbit& o : v) {
                size.push_back(o.size);
                n.push_back(o.n);
                sum.push_back(o.sum);
                sum2.push_back(o.sum2);
            }
            tiasteps(f, size.data(), n.data(), sum.data(), sum2.data(),
                     static_cast<int>(v.size()) - 3, steps.data());
            std::vector<Orbit> lanes = v;
            for (std::size_t i = 0; i + 3 < v.size(); ++i) lanes[i].tiastep = steps[i];
            int stepped = 0;
            for (std::size_t i = 0; i < v.size(); ++i) {
                stepped += !std::isnan(lanes[i].tiastep) && i % 2 == 0;
                ASSERT_TRUE(samech(outsidecolor(f, lanes[i]), outsidecolor(f, v[i])))
                    << "method " << method << " flag " << flag << " orbit " << i;
            }
            EXPECT_GT(stepped, 9000) << "method " << method << " flag " << flag;
        }
}

TEST(TriangleInequalityAverage, MixesWithSmoothingRoundingDown) {
    Frame f = testframe(outside::smoothingtia);
    Orbit o = orbit(254, 20, 0, 20);  // smoothing gives entry 255 = (255, 0, 219)
    o.sum = 0.5 * 254;
    o.sum2 = 0.5 * 253;
    EXPECT_CH(outsidecolor(f, o), (Channels{128, 0, 110}));  // k = 1
    // k = -127: (0 - 127) div 2 is -64 (toward minus infinity), low 8 bits 192.
    f.tiaflag = tiaalgorithm::damienjones;
    o.sum = -127.0 / 256 * 254;
    o.sum2 = -127.0 / 256 * 253;
    EXPECT_CH(outsidecolor(f, o), (Channels{64, 192, 46}));
}

TEST(TriangleInequalityAverage, KXTermsOfARealOrbit) {
    // Two steps from c = 1 + i: z_1 = c, z_2 = 1 + 3i. z_1 - c = 0 gives lo = hi
    // (term 0.5); z_2 - c = 2i gives a = 0, b = 2, lo = hi again (0.5).
    Frame f = testframe(outside::tia);
    f.maxiter = 2;
    const Orbit o = run(f, 1, 1);
    EXPECT_EQ(o.n, 2);
    EXPECT_EQ(o.sum, 1.0);
    EXPECT_EQ(o.sum2, 0.5);
    // z_3 = (1 + 3i)^2 + c = -7 + 7i; z_3 - c = -8 + 6i: lo 2, hi 14, |.| 10.
    f.maxiter = 3;
    const Orbit p = run(f, 1, 1);
    EXPECT_EQ(p.sum, 1.0 + (10.0 - 2.0) / 12.0);
}

TEST(KirlianAndBiomorphs, Values) {
    Frame f = testframe(outside::kirlian);
    // atan(1 / 1.0001) + sin 1 + 24 - cos 1 = 25.086..: level 26.
    EXPECT_CH(outsidecolor(f, orbit(3, 1, 1, 20)), entry(26));
    f = testframe(outside::biomorphs);
    EXPECT_CH(outsidecolor(f, orbit(10, 20, 3, 20)), entry(11));     // |zy| < maxsize
    EXPECT_CH(outsidecolor(f, orbit(10, 20, -20, 30)), entry(139));  // both past it
}

TEST(NPlusRealZ, NegativeSumsWrap) {
    const Frame f = testframe(outside::nplusrealz);
    EXPECT_CH(outsidecolor(f, orbit(5, 17.9, 0, 20)), entry(23));
    // -300 + 5 = -295: rem 255 is -40, level -39, low 8 bits 217.
    EXPECT_CH(outsidecolor(f, orbit(5, -300.7, 0, 300)), entry(217));
}

TEST(DistanceEstimator, ScaleAndBoundaryBands) {
    Frame f = testframe(outside::distanceestimator);
    std::vector<COMPLEX> buf;
    // c = 20 escapes at once: z_1 = 20, derivative 1, estimate 2 ln 20 * 20.
    const Orbit o = run(f, 20, 0, buf);
    ASSERT_EQ(o.n, 1);
    const double dist = 2 * std::log(20.0) * 20.0;
    f.distmaxout = 2 * dist;
    EXPECT_CH(outsidecolor(f, o), entry(129));  // half the range: 128 + n
    f.distmaxout = dist;
    EXPECT_CH(outsidecolor(f, o), entry(1));  // 256 + 1 wraps to 1
    f.distmaxout = 0;                         // nothing to scale by: the band of n
    EXPECT_CH(outsidecolor(f, o), entry(1));
    f.distmaxout = 2 * dist;
    f.delta = dist * 1.01;  // below the threshold: the band of n
    EXPECT_CH(outsidecolor(f, o), entry(1));
}

TEST(DistanceEstimator, DerivativeOverflowKeepsTheBand) {
    // Near the boundary at -2 the derivative passes 500000 long before escape.
    Frame f = testframe(outside::distanceestimator);
    f.maxiter = 1000;
    f.distmaxout = 1.0;
    std::vector<COMPLEX> buf;
    const Orbit o = run(f, -2.0000001, 0, buf);
    ASSERT_TRUE(escaped(f, o));
    ASSERT_GT(o.n, 10);
    EXPECT_CH(outsidecolor(f, o), pal(f, o.n));
    // The orbit is kept with z_0 = 0.
    EXPECT_EQ(buf[0].x, 0.0);
    EXPECT_EQ(buf[1].x, -2.0000001);
}

TEST(OrbitMode, AlternatingGreens) {
    const Frame f = testframe(outside::orbittracing);
    const double half = std::pow(16.0, std::sqrt(2.0));  // fx = 1/2
    EXPECT_CH(outsidecolor(f, orbit(3, 1, 0, half)), (Channels{12, 96, 160}));
    EXPECT_CH(outsidecolor(f, orbit(3, 1, 0, 16.0000001)), (Channels{12, 80, 160}));
    EXPECT_CH(outsidecolor(f, orbit(4, 1, 0, 16.0000001)), (Channels{12, 111, 160}));
}

TEST(Overflow, RunawayOrbitsEscapeAndGetTheirColor) {
    // z^17 of a far point overflows to infinity (and then NaN) in one step.
    for (int tiaflag : {tiaalgorithm::kx, tiaalgorithm::damienjones, tiaalgorithm::kerrymitchell}) {
        Frame f = testframe(outside::levelsets);
        f.exponent = 17;
        f.maxsize = 1e30;
        f.tiaflag = tiaflag;
        f.distmaxout = 1;
        const double far = tiaflag == tiaalgorithm::kx ? 1e29 : 1e14;
        std::vector<COMPLEX> buf;
        const Orbit o = run(f, far, far, buf);
        ASSERT_EQ(o.n, 2) << tiaflag;
        ASSERT_FALSE(std::isfinite(o.size)) << tiaflag;
        ASSERT_TRUE(escaped(f, o)) << tiaflag;
        EXPECT_CH(outsidecolor(f, o), entry(3));
        f.outside = outside::smoothing;  // as far out as can be: entry k itself
        EXPECT_CH(outsidecolor(f, o), entry(3));
        f.outside = outside::distanceestimator;  // no estimate: the boundary band of n
        EXPECT_CH(outsidecolor(f, run(f, far, far, buf)), entry(2));
    }
}

}  // namespace
}  // namespace vantrel
