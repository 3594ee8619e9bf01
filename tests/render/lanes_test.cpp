#include "render/lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "render/coloring.h"
#include "render/reference.h"
#include "render/rows.h"
#include "render/tialanes.h"

namespace vantrel {
namespace {

bool samebits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

Frame plainframe(int exponent, int tiaflag, double maxsize, int maxiter) {
    Frame f;
    f.xres = f.yres = 64;
    f.exponent = exponent;
    f.tiaflag = tiaflag;
    f.maxsize = maxsize;
    f.maxiter = maxiter;
    f.outside = outside::levelsets;
    f.inside = inside::solidcolor;
    return f;
}

// The frame whose coloring asks the lanes for `work`.
Frame workframe(LaneWork work, double maxsize, int maxiter) {
    Frame f = plainframe(2, tiaalgorithm::kx, maxsize, maxiter);
    switch (work) {
        case LaneWork::plain:
            break;
        case LaneWork::bof:
        case LaneWork::bofsettles:
            f.inside = inside::bof34;
            break;
        case LaneWork::epsilon:
            f.inside = inside::epsiloncross;
            break;
        case LaneWork::tia0:
            f.outside = outside::tia;
            break;
        case LaneWork::tia1:
            f.outside = outside::tia, f.tiaflag = tiaalgorithm::damienjones;
            break;
        case LaneWork::tia2:
            f.outside = outside::smoothingtia, f.tiaflag = tiaalgorithm::kerrymitchell;
            break;
        case LaneWork::derivative:
            f.outside = outside::distanceestimator;
            break;
        case LaneWork::estimate:
            break;  // the distance pass's own; no coloring asks for it
    }
    return f;
}

bool same(double a, double b) {
    return samebits(a, b) || (std::isnan(a) && std::isnan(b));
}

// An orbit the lanes leave must equal, bit for bit, the scalar loop's, with what
// the work gathered on the way. TIA's sums of a row the lanes start, under a blend
// that reads them only through the palette step, may be rough (roughtiasums): then
// the step must be the scalar loop's, and where the lanes gave none, the sums exact
// (the sums of orbits that stay are read by no such coloring).
void expectorbit(const Frame& f, LaneWork work, const Orbit& a, const Orbit& b, std::size_t k,
                 bool rough = false) {
    ASSERT_EQ(a.n, b.n) << k;
    ASSERT_TRUE(samebits(a.z.x, b.z.x) && samebits(a.z.y, b.z.y)) << k;
    ASSERT_TRUE(samebits(a.x, b.x) && samebits(a.y, b.y)) << k;
    ASSERT_TRUE(samebits(a.c.x, b.c.x) && samebits(a.c.y, b.c.y)) << k;
    ASSERT_TRUE(same(a.size, b.size)) << k;
    if (work == LaneWork::bof) {
        ASSERT_TRUE(same(a.infsize, b.infsize) && same(a.ninfsize, b.ninfsize)) << k;
    }
    if (work == LaneWork::tia0 || work == LaneWork::tia1 || work == LaneWork::tia2) {
        if (rough && escaped(f, a)) {
            ASSERT_EQ(tiapalettestep(f, a), tiapalettestep(f, b)) << k;
        }
        if (!rough || (escaped(f, a) && std::isnan(a.tiastep))) {
            ASSERT_TRUE(same(a.sum, b.sum) && same(a.sum2, b.sum2)) << k;
        }
    }
    if (work == LaneWork::derivative) {
        for (bool test : {true, false}) {
            const Derivative da = derivative(a, test, State::overflow);
            const Derivative db = derivative(b, test, State::overflow);
            ASSERT_EQ(da.overflowed, db.overflowed) << k;
            // The lanes' derivative may differ in the sign of a zero, which no size
            // sees.
            if (!da.overflowed) {
                ASSERT_TRUE(same(std::abs(da.x), std::abs(db.x)) &&
                            same(std::abs(da.y), std::abs(db.y)))
                    << k;
            }
        }
    }
}

void expectsame(const Frame& f, LaneWork work, std::vector<Orbit> start) {
    for (Orbit& o : start) {
        o.csize = std::sqrt(o.c.x * o.c.x + o.c.y * o.c.y);
        o.infsize = f.maxsize;
    }
    std::vector<Orbit> lanes = start;
    ASSERT_TRUE(iteratelanes(f, work, lanes.data(), static_cast<int>(lanes.size())));
    std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
    for (std::size_t k = 0; k < start.size(); ++k) {
        Orbit b = start[k];
        iterate(f, b, scratch.data());
        expectorbit(f, work, lanes[k], b, k);
    }
}

void expectsame(const Frame& f, const std::vector<Orbit>& start) {
    expectsame(f, LaneWork::plain, start);
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
        for (int tia : {tiaalgorithm::kx, tiaalgorithm::damienjones}) {
            SCOPED_TRACE(::testing::Message() << "exponent " << e << " tiaflag " << tia);
            expectsame(plainframe(e, tia, 16.0, 400), orbits(333, 2.0, false, 7u * e + tia));
            expectsame(plainframe(e, tia, 4.0, 1000), orbits(101, 1.5, true, 11u * e + tia));
        }
}

TEST(Lanes, FewerOrbitsThanLanesAndOneStep) {
    expectsame(plainframe(2, tiaalgorithm::kx, 16.0, 256), orbits(1, 2.0, false, 1));
    expectsame(plainframe(2, tiaalgorithm::kx, 16.0, 256), orbits(3, 2.0, false, 2));
    expectsame(plainframe(2, tiaalgorithm::kx, 2.0, 1), orbits(50, 2.0, false, 3));
    expectsame(plainframe(2, tiaalgorithm::kx, 16.0, 256), {});
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
    for (int e : {2, 5, 16}) expectsame(plainframe(e, tiaalgorithm::kx, 1e30, 300), big);
    expectsame(plainframe(2, tiaalgorithm::kerrymitchell, 1e16, 300), big);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Zeros of both signs in c and in a Julia set's starting point, and an orbit that
// stays at 0: the products by zero the square leaves out must not show.
std::vector<Orbit> withzeros(std::vector<Orbit> v) {
    for (double x : {0.0, -0.0})
        for (double y : {0.0, -0.0}) {
            Orbit o;
            o.c = {x, y};
            v.push_back(o);
            Orbit j;
            j.z = {x, y};
            j.c = {-0.5, -0.0};
            v.push_back(j);
        }
    return v;
}

TEST(Lanes, EveryWorkGathersWhatTheScalarLoopDoes) {
    for (LaneWork w : {LaneWork::bof, LaneWork::epsilon, LaneWork::tia0, LaneWork::tia1,
                       LaneWork::tia2, LaneWork::derivative}) {
        SCOPED_TRACE(::testing::Message() << "work " << static_cast<int>(w));
        expectsame(workframe(w, 4.0, 300), w, withzeros(orbits(257, 2.0, false, 5)));
        expectsame(workframe(w, 2.0, 1000), w, withzeros(orbits(99, 1.5, true, 6)));
        // Overflow within a step or two, and one lane per orbit at most.
        expectsame(workframe(w, 1e30, 50), w, orbits(40, 1e200, false, 8));
        expectsame(workframe(w, 4.0, 256), w, orbits(3, 2.0, false, 9));
    }
    // Julia sets whose attracting fixed point has a multiplier near the positive
    // reals: the orbits close in on it with ever smaller sizes, until squares a unit
    // in the last place apart share their square root (a new square but no new size).
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<Orbit> closing(1000);
    for (Orbit& o : closing) {
        const double r = 0.5 * std::fabs(u(rng)), a = 0.05 * u(rng);
        o.c = {0.5 * r * std::cos(a) - 0.25 * r * r * std::cos(2 * a),
               0.5 * r * std::sin(a) - 0.25 * r * r * std::sin(2 * a)};
        o.z = {0.5 * u(rng), 0.5 * u(rng)};
    }
    expectsame(workframe(LaneWork::bof, 16.0, 1000), LaneWork::bof, closing);
    // Only the plain loop runs in lanes for other exponents.
    Frame f = workframe(LaneWork::bof, 4.0, 10);
    f.exponent = 3;
    std::vector<Orbit> v = orbits(5, 2.0, false, 10);
    EXPECT_FALSE(iteratelanes(f, LaneWork::bof, v.data(), 5));
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Under a TIA blend the lanes add up rough terms, off the divider: each orbit's
// palette step is still the scalar loop's, and an orbit whose step they cannot be
// sure of is made again exactly. A limit just past 1 leaves many escaped orbits
// whose overshoot is too small for a sure step.
TEST(Lanes, RoughTiaSumsAreMadeAgainWhereTheStepIsNotSure) {
    for (LaneWork w : {LaneWork::tia0, LaneWork::tia1, LaneWork::tia2}) {
        SCOPED_TRACE(static_cast<int>(w));
        Frame f = workframe(w, 1.1, 500);
        f.xres = 203;
        f.xmin = -2.25;
        f.xside = 3.0;
        ASSERT_TRUE(roughtiasums(f));
        std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
        int unsure = 0;
        for (double y : {0.05, 0.3, 0.61}) {
            std::vector<Orbit> row(static_cast<std::size_t>(f.xres));
            ASSERT_TRUE(iteratelanes(f, w, row.data(), f.xres, &y));
            for (int i = 0; i < f.xres; ++i) {
                Orbit b = startpixel(f, i, y);
                iterate(f, b, scratch.data());
                expectorbit(f, w, row[i], b, i, true);
                unsure += escaped(f, row[i]) && std::isnan(row[i].tiastep);
            }
        }
        EXPECT_GE(unsure, 20);
    }
}

// The lanes start a row's pixels themselves: from orbits left over from anything
// else they must reach the very ends the row's pixels reach in the scalar loop,
// Mandelbrot and Julia, inverted or not, on rows whose y is a zero of either sign
// and rows that do not fill the last vector.
TEST(Lanes, ARowStartedInTheLanes) {
    Orbit junk;
    junk.c = junk.z = {7.0, -7.0};
    junk.jzx = junk.jzy = 9.0;
    junk.n = 99;
    junk.lanederivative = true;
    for (int ftype : {settype::mandelbrot, settype::julia})
        for (int invert : {0, 1})
            for (int xres : {37, 601})
                for (LaneWork w :
                     {LaneWork::plain, LaneWork::bof, LaneWork::tia1, LaneWork::derivative}) {
                    SCOPED_TRACE(::testing::Message()
                                 << "ftype " << ftype << " invert " << invert << " xres " << xres
                                 << " work " << static_cast<int>(w));
                    Frame f = workframe(w, 4.0, 300);
                    f.ftype = ftype;
                    f.okinvert = invert;
                    f.xres = xres;
                    f.xmin = ftype == settype::julia ? -1.7 : -2.25;
                    f.xside = ftype == settype::julia ? 3.4 : 3.0;
                    f.jcx = -0.8;
                    f.jcy = 0.156;
                    std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
                    for (double y : {0.3, 0.0, -0.0}) {
                        std::vector<Orbit> row(static_cast<std::size_t>(xres), junk);
                        ASSERT_TRUE(iteratelanes(f, w, row.data(), xres, &y));
                        // How the plain orbits ended, alone: only where the lanes
                        // make the starts.
                        std::vector<LaneCount> counts(static_cast<std::size_t>(xres), {-5, true});
                        const bool counted =
                            w == LaneWork::plain && lanecounts(f, &y, 1, counts.data());
                        ASSERT_EQ(counted, w == LaneWork::plain && !invert);
                        for (int i = 0; i < xres; ++i) {
                            Orbit b = startpixel(f, i, y);
                            iterate(f, b, scratch.data());
                            expectorbit(f, w, row[i], b, i, roughtiasums(f) && !invert);
                            if (ftype == settype::julia) {
                                ASSERT_TRUE(samebits(row[i].jzx, b.jzx) &&
                                            samebits(row[i].jzy, b.jzy))
                                    << i;
                            }
                            if (counted) {
                                ASSERT_EQ(counts[i].n, b.n) << i;
                                ASSERT_EQ(counts[i].escaped, escaped(f, b)) << i;
                            }
                        }
                    }
                }
}

// The step at which the orbit of z -> z^e + c from z first comes back bit for bit to
// an iterate it had before, or -1 if it escapes or does not within maxiter steps: a
// plain record of every iterate, looked up at each step.
int exactreturn(int e, double zx, double zy, double cx, double cy, int maxiter) {
    std::set<std::pair<double, double>> seen{{zx + 0.0, zy + 0.0}};  // -0 as 0
    for (int n = 1; n <= maxiter; ++n) {
        double x = zx, y = zy;
        reference::power(x, y, e);
        zx = x + cx;
        zy = y + cy;
        if (!(zx * zx + zy * zy <= 256.0)) return -1;
        if (!seen.insert({zx + 0.0, zy + 0.0}).second) return n;
    }
    return -1;
}

// Row j of the frame as the row engine draws it (in lanes, where the frame has them)
// has the scalar row's colors and steps.
::testing::AssertionResult sameasscalarrow(const Frame& f, int j) {
    std::vector<Rgb> drawn(static_cast<std::size_t>(f.xres)), scalar(drawn.size());
    const long long drawnsteps = renderrow(f, j, drawn.data());
    const long long scalarsteps = scalarrow(f, j, scalar.data());
    if (drawn != scalar) return ::testing::AssertionFailure() << "row " << j << ": colors differ";
    if (drawnsteps != scalarsteps)
        return ::testing::AssertionFailure()
               << "row " << j << ": " << drawnsteps << " steps against " << scalarsteps;
    return ::testing::AssertionSuccess();
}

// The rows colored by count, by the distance estimator's entry or by Binary
// Decomposition's keep the colors
// they made for the next rows: a row after another palette, method, inside color
// or iteration limit, on the same thread, takes that one's colors.
TEST(Lanes, RowsTakeEachFramesColors) {
    Frame f = plainframe(2, tiaalgorithm::kx, 16.0, 100);
    f.xres = 97;
    f.yres = 61;
    f.xmin = -2.25;
    f.ymin = -1.5;
    f.xside = f.yside = 3.0;
    f.simd = 1;
    f.delta = f.xside / f.xres * 0.2;
    f.distmaxout = 0.05;
    Palette shifted = defpalette();
    std::rotate(shifted.begin(), shifted.begin() + 7, shifted.end());
    for (const int outside :
         {outside::levelsets, outside::distanceestimator, outside::binarydecomposition}) {
        f.outside = outside;
        // One of the four changes at a time, in a Gray code's order.
        for (int k = 0; k < 16; ++k) {
            const int g = k ^ (k >> 1);
            f.palette = g & 1 ? shifted : defpalette();
            f.method = g & 2 ? coloringmethod::heightfield : coloringmethod::image;
            f.rin = g & 4 ? 200 : 0;
            f.maxiter = g & 8 ? 101 : 100;
            for (int j = 20; j < f.yres; j += 7) ASSERT_TRUE(sameasscalarrow(f, j)) << k;
        }
    }
}

// Views mostly inside the set at high iteration limits, where the lanes end orbits
// that came back to an earlier iterate: every image equals the scalar loop's pixel
// for pixel, with the same iterations counted. The orbits settle on exact cycles,
// some only after thousands of steps (checked on the way, so that the views go on
// testing what they are meant to), others (on the cardioid's cusp) never do.
TEST(Lanes, OrbitsThatComeBackEndAsTheScalarLoopEndsThem) {
    struct View {
        const char* name;
        int ftype, exponent;
        double xmin, ymin, side;
        int maxiter;
        double jcx = 0, jcy = 0;
    };
    const View views[] = {
        {"main cardioid and its cusp", settype::mandelbrot, 2, -0.6, -0.45, 0.9, 20000},
        {"period-2 bulb", settype::mandelbrot, 2, -1.3, -0.3, 0.6, 20000},
        {"period-3 minibrot", settype::mandelbrot, 2, -1.7611, -0.006, 0.012, 20000},
        {"seahorse valley", settype::mandelbrot, 2, -0.76, 0.10, 0.02, 16384},
        {"rabbit Julia set", settype::julia, 2, -1.5, -1.5, 3.0, 20000, -0.123, 0.745},
        {"cubic Mandelbrot", settype::mandelbrot, 3, -1.0, -1.1, 2.2, 20000},
        {"cubic Julia set", settype::julia, 3, -1.2, -1.2, 2.4, 20000, 0.4, 0.1},
    };
    int late = 0;  // orbits that settle after more than 1000 steps
    for (const View& v : views) {
        SCOPED_TRACE(v.name);
        Frame f = plainframe(v.exponent, tiaalgorithm::kx, 16.0, v.maxiter);
        f.xres = 61;
        f.yres = 47;
        f.ftype = v.ftype;
        f.xmin = v.xmin;
        f.ymin = v.ymin;
        f.xside = f.yside = v.side;
        f.jcx = v.jcx;
        f.jcy = v.jcy;
        f.palette = defpalette();
        int cycles = 0, viewlate = 0;
        for (int j = 0; j < f.yres; ++j) {
            f.simd = 1;
            ASSERT_TRUE(sameasscalarrow(f, j));
            if (j % 4 != 0) continue;
            for (int i = 0; i < f.xres; i += 4) {
                const Orbit o = startpixel(f, i, rowy(f, j));
                const int back = exactreturn(v.exponent, o.z.x, o.z.y, o.c.x, o.c.y, f.maxiter);
                cycles += back > 0;
                viewlate += back > 1000;
            }
        }
        EXPECT_GE(cycles, 5);
        late += viewlate;
    }
    EXPECT_GE(late, 10);
}

// Points well inside the main cardioid and the disc of period 2 are counted as
// running to maxiter without a step, and left uniterated under colorings with a
// solid inside: along the edges of both (where the pull of the cycle fades and
// nearby points outside escape only after thousands of steps), at the cusp and where
// the two meet, each count and each row's colors are the scalar loop's, squared size
// or not.
TEST(Lanes, CountsAlongTheEdgesOfTheBigDiscsAsTheScalarLoop) {
    struct View {
        const char* name;
        double xmin, ymin, side;
    };
    const View views[] = {
        {"edge of the cardioid", -0.0451, 0.6433, 1e-3},
        {"cusp", 0.2495, -0.0005, 1e-3},
        {"where cardioid and disc meet", -0.7505, -0.0005, 1e-3},
        {"edge of the disc", -0.8655, 0.2099, 1e-3},
        {"both, whole", -1.3, -0.7, 1.6},
    };
    for (const View& v : views)
        for (int tia : {tiaalgorithm::kx, tiaalgorithm::damienjones}) {
            SCOPED_TRACE(::testing::Message() << v.name << " tia " << tia);
            Frame f = plainframe(2, tia, 16.0, 20000);
            f.xres = 41;
            f.yres = 41;
            f.xmin = v.xmin;
            f.ymin = v.ymin;
            f.xside = f.yside = v.side;
            std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
            for (int j = 0; j < f.yres; j += 3) {
                const double y = rowy(f, j);
                std::vector<LaneCount> counts(static_cast<std::size_t>(f.xres), {-5, true});
                ASSERT_TRUE(lanecounts(f, &y, 1, counts.data()));
                for (int i = 0; i < f.xres; ++i) {
                    Orbit b = startpixel(f, i, y);
                    iterate(f, b, scratch.data());
                    ASSERT_EQ(counts[i].n, b.n) << "row " << j << " column " << i;
                    ASSERT_EQ(counts[i].escaped, escaped(f, b)) << "row " << j << " column " << i;
                }
                Frame g = f;
                g.palette = defpalette();
                g.simd = 1;
                for (int outside : {outside::smoothing, outside::tia, outside::fieldlines,
                                    outside::binarydecomposition, outside::distanceestimator}) {
                    g.outside = outside;
                    ASSERT_TRUE(sameasscalarrow(g, j)) << "outside " << outside;
                }
                // The field lines' palette entries the lanes settle, both mappings.
                g.outside = outside::fieldlines;
                for (const int mapping : {fieldmapping::radial, fieldmapping::radialreflected}) {
                    g.mapping = mapping;
                    g.period = mapping == fieldmapping::radial ? 15 : 7;
                    ASSERT_TRUE(sameasscalarrow(g, j)) << "mapping " << mapping;
                }
                g.mapping = f.mapping;
                g.period = f.period;
                // BOF's orbits inside settle on their cycles in the lanes.
                g.outside = outside::levelsets;
                g.factor = g.maxiter;
                for (int inside : {inside::bof33, inside::bof34}) {
                    g.inside = inside;
                    ASSERT_TRUE(sameasscalarrow(g, j)) << "inside " << inside;
                }
                g.inside = inside::solidcolor;
            }
        }
}

// Julia sets whose attracting fixed point pulls along a line (a multiplier near the
// positive reals): orbits that close in on it from outside make a smaller size at
// every step, and must not settle while they do. BOF's rows against the scalar rows.
TEST(Lanes, BofOrbitsSettleOnlyWhereTheyComeNoCloser) {
    for (const double angle : {0.0, 0.05, -0.3}) {
        Frame f = plainframe(2, tiaalgorithm::kx, 16.0, 3000);
        f.ftype = settype::julia;
        // c = w/2 - w^2/4 for a multiplier w of 0.6 at the angle.
        const double wx = 0.6 * std::cos(angle), wy = 0.6 * std::sin(angle);
        f.jcx = wx / 2 - (wx * wx - wy * wy) / 4;
        f.jcy = wy / 2 - wx * wy / 2;
        f.xres = f.yres = 101;
        f.xmin = f.ymin = -1.2;
        f.xside = f.yside = 2.4;
        f.palette = defpalette();
        f.simd = 1;
        f.factor = f.maxiter;  // as the driver sets it: BOF's colors scale by it
        for (int inside : {inside::bof33, inside::bof34}) {
            f.inside = inside;
            for (int j = 0; j < f.yres; j += 4)
                ASSERT_TRUE(sameasscalarrow(f, j)) << angle << " inside " << inside;
        }
    }
}

// Orbits that linger by a cycle that barely repels, just outside the set where the
// cardioid meets the disc of period 2 and the disc of period 2 that of period 4 (rows a
// little above the real axis), and past the cusp of the cardioid (rows on it and near
// it): each step moves z by less than 10^-6 for thousands of steps, and the product of
// 2 z over a period is near 1, yet they escape after up to some 10^6 steps. Counted in
// a band of rows and one row at a time, every count is the scalar loop's.
TEST(Lanes, OrbitsThatLingerByACycleAndEscapeLateAreCountedAsTheScalarLoop) {
    struct Rows {
        const char* name;
        double xmin, side;
        double ys[4];
        int maxiter;
    };
    const Rows views[] = {
        {"cusp", 0.25, 2e-12, {0.0, 1e-13, -0.0, 3e-13}, 4000000},
        {"cardioid and disc of period 2", -0.75 - 1e-6, 2e-6, {1e-4, 3e-4, -2e-4, 1e-3}, 200000},
        {"discs of periods 2 and 4", -1.25 - 1e-6, 2e-6, {1e-4, 3e-4, -2e-4, 1e-3}, 200000}};
    for (const Rows& v : views) {
        SCOPED_TRACE(v.name);
        Frame f = plainframe(2, tiaalgorithm::kx, 16.0, v.maxiter);
        f.xres = 17;
        f.xmin = v.xmin;
        f.xside = v.side;
        const auto& ys = v.ys;
        std::vector<COMPLEX> scratch(static_cast<std::size_t>(f.maxiter) + 1);
        std::vector<LaneCount> band(std::size(ys) * static_cast<std::size_t>(f.xres));
        ASSERT_TRUE(lanecounts(f, ys, std::ssize(ys), band.data()));
        int late = 0;
        for (std::size_t r = 0; r < std::size(ys); ++r) {
            std::vector<LaneCount> row(static_cast<std::size_t>(f.xres));
            ASSERT_TRUE(lanecounts(f, &ys[r], 1, row.data()));
            for (int i = 0; i < f.xres; ++i) {
                Orbit b = startpixel(f, i, ys[r]);
                iterate(f, b, scratch.data());
                const LaneCount& c = band[r * static_cast<std::size_t>(f.xres) + i];
                ASSERT_EQ(c.n, b.n) << "row " << r << " column " << i;
                ASSERT_EQ(c.escaped, escaped(f, b)) << "row " << r << " column " << i;
                ASSERT_EQ(row[static_cast<std::size_t>(i)].n, b.n)
                    << "row " << r << " column " << i;
                late += escaped(f, b) && b.n > f.maxiter / 32;
            }
        }
        EXPECT_GE(late, 8);
    }
}

}  // namespace
}  // namespace vantrel
