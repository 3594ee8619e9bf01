// Whole images through the render driver, every pixel checked against a plain
// re-computation of the coloring written out here once more.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "fakehost.h"
#include "reference.h"
#include "render/driver.h"
#include "state/history.h"

namespace vantrel {
namespace {

struct Point {
    double cx, cy, zx, zy;  // parameter and starting point
    double jzx, jzy;        // the pixel's own point
};

struct Result {
    int n = 0;
    double zx = 0, zy = 0, px = 0, py = 0, size = 0;
    double sum = 0, sum2 = 0;              // TIA
    double sx = 1e10, sy = 0, sz = 0;      // species
    double zyn = 0;                        // bands
    double infsize = 0, ninfsize = 0;      // BOF
    std::vector<double> ox{0.0}, oy{0.0};  // z_0 = 0, z_1 .. z_n
};

class Image : public ::testing::Test {
  protected:
    Image() {
        seedhistory(app.s);
        app.s.xres = app.s.yres = 64;
        app.s.ClientRes = {0, 0, 64, 64};
        app.window = Surface(64, 64);
        app.g_vhdc = Surface(64, 64);
        // A palette whose entries tell each other apart.
        for (int k = 0; k < 256; ++k)
            app.s.palette[k] = {static_cast<unsigned char>(k), static_cast<unsigned char>(255 - k),
                                static_cast<unsigned char>((k * 37) & 255)};
    }

    void render() {
        app.s.j = 0;
        app.s.okfractal = 1;
        while (app.s.okfractal) fractaldriver(app);
    }

    Point point(int i, int row) const {
        const State& s = app.s;
        const double x = i * (s.xmax - s.xmin) / (s.xres - 1) + s.xmin;
        const double y = (s.yres - row - 1) * (s.ymax - s.ymin) / (s.yres - 1) + s.ymin;
        Point p{x, y, 0, 0, x, y};
        if (s.ftype != settype::mandelbrot) p = {s.jcx, s.jcy, x, y, x, y};
        return p;
    }

    Result iterate(const Point& p) const {
        const State& s = app.s;
        Result r;
        r.zx = p.zx;
        r.zy = p.zy;
        r.infsize = s.maxsize;
        const double csize = std::sqrt(p.cx * p.cx + p.cy * p.cy);
        const bool squared =
            s.tiaflag == tiaalgorithm::damienjones || s.tiaflag == tiaalgorithm::kerrymitchell;
        while (r.size <= s.maxsize && r.n < s.maxiter) {
            r.px = r.zx;
            r.py = r.zy;
            double x = r.zx, y = r.zy;
            reference::power(x, y, s.exponent);
            r.zx = x + p.cx;
            r.zy = y + p.cy;
            r.size = squared ? r.zx * r.zx + r.zy * r.zy : std::sqrt(r.zx * r.zx + r.zy * r.zy);
            if (r.n == 5) r.zyn = r.zy;
            r.n += 1;
            r.ox.push_back(r.zx);
            r.oy.push_back(r.zy);
            if ((s.outside >= outside::tia && s.outside <= outside::potentialtia) ||
                s.inside == inside::tia) {
                r.sum2 = r.sum;
                double lo, hi, top;
                const double ex = r.zx - p.cx, ey = r.zy - p.cy;
                if (s.tiaflag == tiaalgorithm::kx) {
                    lo = std::fabs(std::fabs(ex) - std::fabs(ey));
                    hi = std::fabs(ex) + std::fabs(ey);
                    top = std::sqrt(ex * ex + ey * ey);
                } else if (s.tiaflag == tiaalgorithm::damienjones) {
                    lo = std::fabs(std::sqrt(r.size) - csize);
                    hi = std::fabs(std::sqrt(r.size) + csize);
                    top = std::sqrt(ex * ex + ey * ey);
                } else {
                    const double u = std::fabs((r.px + r.py) * (r.px - r.py));
                    const double v = std::fabs(2 * r.px * r.py);
                    const double m = std::sqrt(u * u + v * v);
                    lo = std::fabs(m - csize);
                    hi = m + csize;
                    top = std::sqrt(r.size);
                }
                r.sum += lo == hi ? 0.5 : (top - lo) / (hi - lo);
            } else if (s.outside == outside::speciesoforigin) {
                r.sz = std::sqrt(r.sx * r.sx + r.sy * r.sy);
                if (r.size < r.sz) {
                    r.sx = r.zx;
                    r.sy = r.zy;
                }
            }
            if ((s.inside == inside::bof33 || s.inside == inside::bof34) && r.size < r.infsize) {
                r.infsize = r.size;
                r.ninfsize = r.n;
            }
        }
        return r;
    }

    static int lvl(long long v) { return static_cast<int>(v % 255) + 1; }
    Rgb entry(long long k) const {
        const auto& e = app.s.palette[static_cast<std::size_t>(((k % 256) + 256) % 256)];
        return rgb(e[0], e[1], e[2]);
    }
    void channels(long long k, long long& r, long long& g, long long& b) const {
        const auto& e = app.s.palette[static_cast<std::size_t>(((k % 256) + 256) % 256)];
        r = e[0], g = e[1], b = e[2];
    }

    double derivativedist(const Result& r, bool test, bool& over) const {
        double dx = 0, dy = 0;
        over = false;
        for (int m = 0; m < r.n; ++m) {
            const double nx = 2 * (r.ox[m] * dx - r.oy[m] * dy) + 1;
            const double ny = 2 * (r.ox[m] * dy + r.oy[m] * dx);
            dx = nx;
            dy = ny;
            if (test && std::max(std::fabs(dx), std::fabs(dy)) > 500000.0) {
                over = true;
                return 0;
            }
        }
        return 2 * std::log(r.size) * r.size / std::sqrt(dx * dx + dy * dy);
    }

    Rgb expected(int i, int row, double distout, double distin) const {
        const State& s = app.s;
        const Point p = point(i, row);
        const Result r = iterate(p);
        const double il = 1 / std::log(2.0);
        long long red = 0, green = 0, blue = 0;
        if (r.size > s.maxsize) {
            if (s.outside == outside::smoothing || s.outside == outside::smoothingtia) {
                const int k = lvl(r.n);
                long long r1, g1, b1;
                channels(k, red, green, blue);
                channels(k == 255 ? 255 : k + 1, r1, g1, b1);
                double fx =
                    (il * std::log(std::log(s.maxsize)) + 1) - il * std::log(std::log(r.size));
                fx = std::min(1.0, std::max(0.0, fx));
                red = static_cast<long long>((r1 - red) * fx + red);
                green = static_cast<long long>((g1 - green) * fx + green);
                blue = static_cast<long long>((b1 - blue) * fx + blue);
            }
            if (s.outside == outside::continuouspotential) {
                long double pot = r.n + 2;
                const long double d =
                    std::log(static_cast<long double>(r.size)) / std::pow(2.0L, pot);
                pot = d > 1.17549435e-38 ? d : 0;
                pot = pot > 0 ? 256 - std::sqrt(pot) * s.slope - 1 : 255;
                long long k = static_cast<long long>(pot);
                channels(k == 0 ? 1 : k, red, green, blue);
            }
            if (s.outside == outside::binarydecomposition) {
                int k = lvl(2 * r.n);
                if (r.zy < 0) k = lvl(k + 128);
                channels(k, red, green, blue);
            }
            if (s.outside == outside::peitgenbands) {
                double zyn = r.zyn, x = r.zx, y = r.zy;
                for (int m = r.n; m < 6; ++m) {
                    const double nx = (x + y) * (x - y) + p.cx;
                    y = 2 * x * y + p.cy;
                    x = nx;
                    zyn = y;
                }
                const int band[3][3] = {{0, 128, 255}, {0, 240, 80}, {255, 255, 255}};
                const int k = r.n > 7 ? 2 : zyn < 0 ? 1 : 0;
                const int grey = 16 * r.n % 256;
                red = (band[k][0] + grey) / 2;
                green = (band[k][1] + grey) / 2;
                blue = (band[k][2] + grey) / 2;
            }
            if (s.outside == outside::tia || s.outside == outside::smoothingtia) {
                const double a = r.sum / r.n, a2 = r.n > 1 ? r.sum2 / (r.n - 1) : a;
                double fx = (il * std::log(0.5 * std::log(s.bailout)) + 1) -
                            il * std::log(std::log(std::sqrt(r.size)));
                if (fx < 0) fx = 0;
                long long k = static_cast<long long>((a2 + (a - a2) * fx) * 256);
                if (s.tiaflag == tiaalgorithm::kx) k = lvl(4 * (k - 128));
                if (s.outside == outside::tia) {
                    channels(k, red, green, blue);
                } else {
                    red = std::floor((red + k) / 2.0);
                    green = std::floor((green + k) / 2.0);
                    blue = std::floor((blue + k) / 2.0);
                }
            }
            if (s.outside == outside::speciesoforigin) {
                long long k = 0;
                if (r.sz <= 2.0) {
                    double angle = std::atan2(r.sy, r.sx);
                    if (angle <= 0) angle += 6.283185307179586;
                    const long double cf = 0.5 * angle * 0.3183098861837907L;
                    k = lvl(static_cast<long long>(256 * cf));
                }
                channels(k, red, green, blue);
            }
            if (s.outside == outside::nplusrealz)
                channels(lvl(static_cast<long long>(r.zx) + r.n), red, green, blue);
            if (s.outside == outside::distanceestimator) {
                bool over;
                const double dist = derivativedist(r, true, over);
                long long k = r.n;
                if (!over && dist >= s.delta)
                    k = static_cast<long long>(dist / distout * 256) + r.n;
                channels(k, red, green, blue);
            }
        } else {
            switch (s.inside) {
                case inside::solidcolor:
                    red = s.rin, green = s.gin, blue = s.bin;
                    break;
                case inside::bof34:
                    channels(lvl(static_cast<long long>(s.factor * r.ninfsize * 7.0)), red, green,
                             blue);
                    break;
                case inside::angulardecomposition: {
                    double zx = r.zx;
                    if (zx >= 0 && zx < 1e-32) zx = 1e-32;
                    if (zx < 0 && zx > -1e-32) zx = -1e-32;
                    double angle = std::atan2(r.zy, zx);
                    if (angle < 0) angle += 6.283185307179586;
                    channels(lvl(static_cast<long long>(angle * 256.0 * 0.15915494309189535L)), red,
                             green, blue);
                    break;
                }
                case inside::distanceestimator: {
                    bool over;
                    const double dist = derivativedist(r, false, over);
                    long long k = r.n;
                    if (dist < 0)
                        k = static_cast<long long>(dist / distin * s.demscale * 256.0) + r.n;
                    channels(std::clamp(k, 1LL, 255LL), red, green, blue);
                    break;
                }
                case inside::peitgenblack:
                    break;
            }
        }
        if (s.method == coloringmethod::heightfield)
            red = green = blue = (red * 30 / 100 + green * 59 / 100 + blue * 11 / 100) % 256;
        return rgb(static_cast<int>(red & 255), static_cast<int>(green & 255),
                   static_cast<int>(blue & 255));
    }

    void expectimage(double distout = 0, double distin = 0) {
        for (int row = 0; row < app.s.yres; ++row)
            for (int i = 0; i < app.s.xres; ++i)
                ASSERT_EQ(app.g_vhdc.getpixel(i, row), expected(i, row, distout, distin))
                    << "pixel " << i << ", " << row;
    }

    FakeHost host;
    App app{host};
};

TEST_F(Image, SmoothingUnderHeightFieldCubic) {
    app.s.outside = outside::smoothing;
    app.s.exponent = 3;
    app.s.method = coloringmethod::heightfield;
    render();
    expectimage();
}

TEST_F(Image, ContinuousPotential) {
    app.s.outside = outside::continuouspotential;
    app.s.maxiter = 64;
    render();
    expectimage();
}

TEST_F(Image, BinaryDecompositionWithBOF34) {
    app.s.outside = outside::binarydecomposition;
    app.s.inside = inside::bof34;
    app.s.maxiter = 100;
    render();
    expectimage();
}

TEST_F(Image, JuliaTIAOnItsOwnView) {
    app.s.ftype = settype::julia;
    app.s.outside = outside::tia;
    app.s.exponent = 5;
    app.s.jxmin = app.s.jymin = -3;
    app.s.jxmax = app.s.jymax = 3;
    render();
    // The view was too wide for the average: it is drawn, and kept, at +-2.5 with z^2.
    EXPECT_EQ(app.s.exponent, 2);
    EXPECT_EQ(app.s.jxmin, -2.5);
    EXPECT_EQ(app.s.jymax, 2.5);
    expectimage();
}

TEST_F(Image, SmoothingTIADamienJones) {
    app.s.outside = outside::smoothingtia;
    app.s.tiaflag = tiaalgorithm::damienjones;
    app.s.maxiter = 100;
    render();
    expectimage();
}

TEST_F(Image, SpeciesOfOriginWithAngularInside) {
    app.s.outside = outside::speciesoforigin;
    app.s.inside = inside::angulardecomposition;
    app.s.maxiter = 50;
    render();
    expectimage();
}

TEST_F(Image, PeitgenBandsThenTheInsideMethodAgain) {
    app.s.outside = outside::peitgenbands;
    app.s.inside = inside::angulardecomposition;
    render();
    EXPECT_EQ(app.s.inside, inside::angulardecomposition);
    app.s.inside = inside::peitgenblack;  // what the image was drawn with
    expectimage();
    // Inside points are black.
    EXPECT_EQ(app.g_vhdc.getpixel(48, 32), black);
}

TEST_F(Image, DistanceEstimatorsBothSides) {
    app.s.outside = outside::distanceestimator;
    app.s.inside = inside::distanceestimator;
    app.s.maxiter = 60;
    app.s.demscale = 8;
    render();
    // The range pass, once more: z^2 + c as (x + y)(x - y) + cx over the same grid,
    // the estimate as 2 |z| ln |z| / |der|.
    const State& s = app.s;
    double out = 0, in = 0;
    for (int row = 0; row < s.yres; ++row)
        for (int i = 0; i < s.xres; ++i) {
            const Point p = point(i, row);
            std::vector<double> ox{0.0}, oy{0.0};
            double x = 0, y = 0;
            int n = 0;
            while (std::sqrt(x * x + y * y) <= s.maxsize && n < s.maxiter) {
                const double nx = (x + y) * (x - y) + p.cx;
                y = 2.0 * x * y + p.cy;
                x = nx;
                ++n;
                ox.push_back(x);
                oy.push_back(y);
            }
            const double modz = std::sqrt(x * x + y * y);
            const bool escaped = modz > s.maxsize;
            double dx = 0, dy = 0;
            bool over = false;
            for (int m = 0; m < n && !over; ++m) {
                const double t = 2.0 * (ox[m] * dx - oy[m] * dy) + 1.0;
                dy = 2.0 * (ox[m] * dy + oy[m] * dx);
                dx = t;
                over = escaped && std::max(std::fabs(dx), std::fabs(dy)) > 500000.0;
            }
            const double dist = 2.0 * modz * std::log(modz) / std::sqrt(dx * dx + dy * dy);
            if (over || !std::isfinite(dist)) continue;
            if (escaped)
                out = std::max(out, dist);
            else
                in = std::min(in, dist);
        }
    EXPECT_GT(out, 0);
    EXPECT_LT(in, 0);
    EXPECT_EQ(s.distmaxout, out);
    EXPECT_EQ(s.distmaxin, in);
    EXPECT_EQ(host.pauses, std::vector<int>{500});
    expectimage(out, in);
}

TEST_F(Image, DistanceEstimatorOutsideOnlyMandelbrotAndJulia) {
    // Inside points take no estimate: the derivative of the escaped ones alone.
    app.s.outside = outside::distanceestimator;
    app.s.maxiter = 200;
    render();
    EXPECT_GT(app.s.distmaxout, 0);
    expectimage(app.s.distmaxout, app.s.distmaxin);
    app.s.ftype = settype::julia;
    app.s.jcx = -0.8;
    app.s.jcy = 0.156;
    render();
    EXPECT_GT(app.s.distmaxout, 0);
    expectimage(app.s.distmaxout, app.s.distmaxin);
}

// Lanes on and off, on one thread and on several: the same image, inverted or not.
TEST_F(Image, SameImageInLanesAndWithoutInEveryMode) {
    struct Mode {
        int ftype, invert, outside, inside;
    };
    const Mode modes[] = {
        {settype::mandelbrot, 1, outside::distanceestimator, inside::solidcolor},
        {settype::mandelbrot, 0, outside::distanceestimator, inside::solidcolor},
        {settype::julia, 1, outside::distanceestimator, inside::solidcolor},
        {settype::julia, 0, outside::distanceestimator, inside::solidcolor},
        {settype::julia, 0, outside::distanceestimator, inside::bof34},
        {settype::mandelbrot, 1, outside::tia, inside::solidcolor},
        {settype::julia, 1, outside::smoothing, inside::epsiloncross},
        {settype::mandelbrot, 0, outside::smoothing, inside::solidcolor},
        {settype::mandelbrot, 0, outside::binarydecomposition, inside::bof34},
        {settype::julia, 0, outside::levelsets, inside::bof33},
        {settype::mandelbrot, 0, outside::binarydecomposition, inside::solidcolor},
        {settype::julia, 0, outside::smoothing, inside::solidcolor},
        {settype::mandelbrot, 0, outside::peitgenbands, inside::bof33},
        {settype::julia, 1, outside::fieldlines, inside::solidcolor},
        {settype::mandelbrot, 0, outside::fieldlines, inside::solidcolor},
        {settype::julia, 0, outside::fieldlines, inside::solidcolor}};
    for (const Mode& m : modes) {
        SCOPED_TRACE(::testing::Message() << "ftype " << m.ftype << " invert " << m.invert
                                          << " outside " << m.outside << " inside " << m.inside);
        std::vector<Surface> images;
        for (int simd : {0, 1})
            for (int threads : {0, 3}) {
                app.s.ftype = m.ftype;
                app.s.okinvert = m.invert;
                app.s.outside = m.outside;
                app.s.inside = m.inside;
                app.s.maxiter = 150;
                app.driver.simd = simd;
                app.driver.threads = threads;
                app.driver.engine.reset();
                render();
                images.push_back(app.g_vhdc);
            }
        for (std::size_t k = 1; k < images.size(); ++k)
            for (int row = 0; row < app.s.yres; ++row)
                for (int i = 0; i < app.s.xres; ++i)
                    ASSERT_EQ(images[k].getpixel(i, row), images[0].getpixel(i, row))
                        << k << ": " << i << ", " << row;
    }
}

TEST_F(Image, InsideDistanceEstimatorAt256IsEntry255) {
    app.s.inside = inside::distanceestimator;
    app.s.maxiter = 256;
    render();
    const Rgb last = rgb(255, 0, (255 * 37) & 255);
    int inside = 0;
    for (int row = 0; row < app.s.yres; ++row)
        for (int i = 0; i < app.s.xres; ++i) {
            const Result r = iterate(point(i, row));
            if (r.size > app.s.maxsize) continue;
            ++inside;
            ASSERT_EQ(app.g_vhdc.getpixel(i, row), last) << i << ", " << row;
        }
    EXPECT_GT(inside, 100);
}

TEST_F(Image, NPlusRealZ) {
    app.s.outside = outside::nplusrealz;
    app.s.inside = inside::angulardecomposition;
    app.s.maxiter = 40;
    render();
    expectimage();
}

}  // namespace
}  // namespace vantrel
