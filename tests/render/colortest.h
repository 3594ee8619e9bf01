#pragma once

// Shared set-up of the coloring tests: a palette whose entries tell each other
// apart, a frame with the start values, and one orbit run through the iteration.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/coloring.h"
#include "render/escape.h"

namespace vantrel::colortest {

inline Palette testpalette() {
    Palette p{};
    for (int k = 0; k < 256; ++k)
        p[k] = {static_cast<unsigned char>(k), static_cast<unsigned char>(255 - k),
                static_cast<unsigned char>((k * 37) & 255)};
    return p;
}

inline Channels entry(int k) {
    return {k, 255 - k, (k * 37) & 255};
}

inline Frame testframe(int outside, int inside = inside::solidcolor) {
    Frame f;
    f.xres = f.yres = 64;
    f.maxiter = 256;
    f.maxsize = 16;
    f.bailout = 16;
    f.outside = outside;
    f.inside = inside;
    f.slope = 275;
    f.period = 15;
    f.demscale = 8;
    f.factor = 256;
    f.delta = 0.001;
    f.il = 1.0 / std::log(2.0);
    f.lpsm = std::log(std::log(f.maxsize));
    f.lptia = std::log(0.5 * std::log(f.bailout));
    f.palette = testpalette();
    return f;
}

// A hand-made finished orbit of n steps whose last iterate is z.
inline Orbit orbit(int n, double zx, double zy, double size) {
    Orbit o;
    o.n = n;
    o.z = {zx, zy};
    o.size = size;
    return o;
}

// The orbit of the point (x, y) through the real iteration: c for a Mandelbrot
// frame, the starting point for a Julia frame. The stored orbit stays in `buf`.
inline Orbit run(const Frame& f, double x, double y, std::vector<COMPLEX>& buf) {
    Frame one = f;  // a view whose every pixel is (x, y)
    one.xmin = x;
    one.xside = 0;
    one.ymin = y;
    one.yside = 0;
    Orbit o = startpixel(one, 0, y);
    buf.assign(static_cast<std::size_t>(f.maxiter) + 1, COMPLEX{7.0, 7.0});
    iterate(one, o, buf.data());
    return o;
}
inline Orbit run(const Frame& f, double x, double y) {
    std::vector<COMPLEX> buf;
    Orbit o = run(f, x, y, buf);
    o.orbit = nullptr;
    return o;
}

}  // namespace vantrel::colortest

namespace vantrel::colortest {

inline ::testing::AssertionResult samech(const Channels& got, const Channels& want) {
    if (got.r == want.r && got.g == want.g && got.b == want.b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << ", " << got.g << ", " << got.b << "), want (" << want.r << ", "
           << want.g << ", " << want.b << ")";
}

}  // namespace vantrel::colortest

#define EXPECT_CH(got, want) EXPECT_TRUE(::vantrel::colortest::samech((got), (want)))
