#include "render/engine.h"

#include <gtest/gtest.h>

#include "render/reference.h"
#include "render/rows.h"

namespace vantrel {
namespace {

using std::chrono::milliseconds;

Frame frame(int xres, int yres, int maxiter) {
    Frame f;
    f.xmin = -2.25;
    f.ymin = -1.5;
    f.xside = 3.0;
    f.yside = 3.0;
    f.xres = xres;
    f.yres = yres;
    f.maxiter = maxiter;
    f.maxsize = 16.0;
    f.outside = outside::levelsets;
    f.palette = defpalette();
    return f;
}

std::vector<Rgb> direct(const Frame& f) {
    std::vector<Rgb> img(static_cast<std::size_t>(f.xres) * f.yres);
    for (int j = 0; j < f.yres; ++j)
        renderrow(f, j, img.data() + static_cast<std::size_t>(j) * f.xres);
    return img;
}

std::vector<Rgb> viaengine(RowEngine& e, const Frame& f, milliseconds budget) {
    std::vector<Rgb> img(static_cast<std::size_t>(f.xres) * f.yres);
    for (int j = 0; j < f.yres; ++j)
        while (!e.take(f, j, img.data() + static_cast<std::size_t>(j) * f.xres, budget)) {
        }
    return img;
}

TEST(RowEngine, SamePixelsWithAnyNumberOfWorkers) {
    const Frame f = frame(97, 61, 500);
    const auto expected = direct(f);
    for (int threads : {0, 1, 2, 5}) {
        RowEngine e(threads);
        EXPECT_EQ(viaengine(e, f, milliseconds(0)), expected) << threads;
        EXPECT_EQ(viaengine(e, f, milliseconds(5)), expected) << threads << " with a budget";
    }
}

TEST(RowEngine, ANewFrameIsNeverServedOldRows) {
    RowEngine e(2);
    Frame a = frame(64, 64, 300);
    Frame b = a;
    b.palette[5] = {1, 2, 3};  // a palette change alone changes the pixels
    b.maxiter = 301;
    std::vector<Rgb> row(64);
    for (int j = 0; j < 20; ++j) e.take(a, j, row.data(), milliseconds(0));
    const auto expected = direct(b);
    // Halfway through image a, the driver asks for b from row 20 on, then restarts b.
    for (int j = 20; j < 64; ++j) {
        e.take(b, j, row.data(), milliseconds(0));
        ASSERT_TRUE(std::equal(row.begin(), row.end(), expected.begin() + 64 * j)) << j;
    }
    EXPECT_EQ(viaengine(e, b, milliseconds(0)), expected);
}

TEST(RowEngine, ResumingAfterCancelAndRestartingKeepTheImage) {
    RowEngine e(2);
    const Frame f = frame(50, 40, 200);
    const auto expected = direct(f);
    std::vector<Rgb> img(50 * 40);
    for (int j = 0; j < 10; ++j) e.take(f, j, img.data() + 50 * j, milliseconds(0));
    e.cancel();  // paused
    for (int j = 10; j < 40; ++j) e.take(f, j, img.data() + 50 * j, milliseconds(0));
    EXPECT_EQ(img, expected);
    // A restart at row 0 of an image whose job began further down.
    for (int j = 30; j < 35; ++j) e.take(f, j, img.data() + 50 * j, milliseconds(0));
    EXPECT_EQ(viaengine(e, f, milliseconds(3)), expected);
}

TEST(RowEngine, ABudgetReturnsBeforeASlowRowIsDone) {
    RowEngine e(1);
    Frame f = frame(1200, 40, 200000);
    // A view inside the disc of period 3: every pixel runs to the iteration limit
    // (or, on an exact cycle, a good part of the way).
    f.xmin = -0.125;
    f.xside = 0.005;
    f.ymin = 0.742;
    f.yside = 0.005;
    std::vector<Rgb> row(1200);
    const auto t0 = std::chrono::steady_clock::now();
    const bool got = e.take(f, 0, row.data(), milliseconds(1));
    const auto spent = std::chrono::steady_clock::now() - t0;
    EXPECT_FALSE(got);
    EXPECT_LT(spent, milliseconds(500));
    while (!e.take(f, 0, row.data(), milliseconds(1))) {
    }
    std::vector<Rgb> expected(1200);
    renderrow(f, 0, expected.data());
    EXPECT_EQ(row, expected);
}

// Rows asked for in any order through rings smaller than the image: in order,
// jumping ahead and back, the same row twice, after a cancel, the last row (which
// lets the image go) and a whole image after it. Every row handed out is the row
// computed on its own, and the iterations counted are those of the rows handed out.
TEST(RowEngine, AnyOrderOfTakesThroughAnyRing) {
    const Frame f = frame(97, 61, 500);
    std::vector<std::vector<Rgb>> rows(f.yres, std::vector<Rgb>(f.xres));
    std::vector<long long> steps(f.yres);
    for (int j = 0; j < f.yres; ++j) steps[j] = renderrow(f, j, rows[j].data());
    std::vector<int> order;
    const auto run = [&](int from, int to) {
        for (int j = from; j < to; ++j) order.push_back(j);
    };
    run(0, 20);
    run(40, 46);          // ahead, past the ring
    run(3, 9);            // back
    run(8, 12);           // row 8 again
    order.push_back(-1);  // cancel
    run(12, 16);
    run(60, 61);  // the last row
    run(0, 61);
    for (const int threads : {0, 1, 3})
        for (const int ring : {1, 2, 5, 0})
            for (const int budget : {0, 2}) {
                RowEngine e(threads, ring);
                std::vector<Rgb> row(f.xres);
                long long expected = 0;
                for (const int j : order) {
                    if (j < 0) {
                        e.cancel();
                        continue;
                    }
                    while (!e.take(f, j, row.data(), milliseconds(budget))) {
                    }
                    ASSERT_EQ(row, rows[j]) << "row " << j << ", " << threads << " threads, ring "
                                            << ring << ", budget " << budget;
                    expected += steps[j];
                }
                EXPECT_EQ(e.iterations(), expected) << threads << " " << ring << " " << budget;
            }
}

// The steps of pixel (i, j)'s orbit, by the plain loop of the reference.
long long referencesteps(const Frame& f, int i, int j) {
    const double x = i * f.xside / (f.xres - 1) + f.xmin;
    const double y = (f.yres - j - 1) * f.yside / (f.yres - 1) + f.ymin;
    double zx = f.ftype == settype::mandelbrot ? 0.0 : x,
           zy = f.ftype == settype::mandelbrot ? 0.0 : y;
    const double cx = f.ftype == settype::mandelbrot ? x : f.jcx,
                 cy = f.ftype == settype::mandelbrot ? y : f.jcy;
    int n = 0;
    double size = 0;
    while (size <= f.maxsize && n < f.maxiter) {
        reference::power(zx, zy, f.exponent);
        zx += cx;
        zy += cy;
        size = std::sqrt(zx * zx + zy * zy);
        ++n;
    }
    return n;
}

// The iterations the engine reports are those of the orbits of the rows it handed
// out, counted again here pixel by pixel, for every split into threads and lanes.
TEST(RowEngine, CountsTheIterationsOfTheRowsHandedOut) {
    for (const int ftype : {0, 1})
        for (const int exponent : {2, 3})
            for (const int simd : {0, 1}) {
                Frame f = frame(97, 61, 500);
                f.ftype = ftype;
                f.exponent = exponent;
                f.simd = simd;
                f.jcx = -0.74;
                f.jcy = 0.11;
                long long expected = 0, firsthalf = 0;
                for (int j = 0; j < f.yres; ++j)
                    for (int i = 0; i < f.xres; ++i) {
                        expected += referencesteps(f, i, j);
                        if (j < 30) firsthalf += referencesteps(f, i, j);
                    }
                for (const int threads : {0, 2}) {
                    RowEngine e(threads);
                    std::vector<Rgb> row(97);
                    for (int j = 0; j < 30; ++j) e.take(f, j, row.data(), milliseconds(0));
                    EXPECT_EQ(e.iterations(), firsthalf);
                    for (int j = 30; j < f.yres; ++j) e.take(f, j, row.data(), milliseconds(0));
                    EXPECT_EQ(e.iterations(), expected)
                        << ftype << " " << exponent << " " << simd << " " << threads;
                }
            }
}

TEST(RowEngine, StopsWhileWorkIsAhead) {
    Frame f = frame(300, 300, 3000);
    {
        RowEngine e(2);
        std::vector<Rgb> row(300);
        e.take(f, 0, row.data(), milliseconds(0));
    }  // destroyed with most rows still to do: must not hang or touch freed memory
    SUCCEED();
}

}  // namespace
}  // namespace vantrel
