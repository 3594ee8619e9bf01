#include "platform/surface.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(Surface, ColorsKeepTheirChannels) {
    const Rgb c = rgb(1, 2, 3);
    EXPECT_EQ(red(c), 1);
    EXPECT_EQ(green(c), 2);
    EXPECT_EQ(blue(c), 3);
    // Channels are cut to their low 8 bits.
    EXPECT_EQ(rgb(256, -1, 300), rgb(0, 255, 44));
    EXPECT_EQ(grey, rgb(128, 128, 128));
}

TEST(Surface, PixelsOutsideTheGridAreIgnored) {
    Surface s(4, 3, white);
    s.setpixel(-1, 0, black);
    s.setpixel(4, 0, black);
    s.setpixel(0, 3, black);
    EXPECT_EQ(s, Surface(4, 3, white));
    EXPECT_EQ(s.getpixel(10, 10), black);
    s.setpixel(3, 2, grey);
    EXPECT_EQ(s.getpixel(3, 2), grey);
    EXPECT_EQ(s.row(2)[3], grey);
}

TEST(Surface, FillClipsToTheGrid) {
    Surface s(4, 4);
    s.fill({-5, 1, 2, 100}, white);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(s.getpixel(x, y), (y >= 1 && x < 2) ? white : black) << x << "," << y;
}

TEST(Surface, CopyClipsSourceAndTarget) {
    Surface src(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) src.setpixel(x, y, rgb(x, y, 7));
    Surface dst(4, 4, white);
    dst.copy(src, {0, 0, 3, 3}, 2, -1);  // only columns 0..1 of source rows 1..2 fit
    EXPECT_EQ(dst.getpixel(2, 0), rgb(0, 1, 7));
    EXPECT_EQ(dst.getpixel(3, 1), rgb(1, 2, 7));
    EXPECT_EQ(dst.getpixel(2, 2), white);
    EXPECT_EQ(dst.getpixel(1, 0), white);
    // A source rectangle reaching past its surface copies only what is there.
    Surface d2(5, 5, white);
    d2.copy(src, {1, 1, 10, 10}, 0, 0);
    EXPECT_EQ(d2.getpixel(1, 1), rgb(2, 2, 7));
    EXPECT_EQ(d2.getpixel(2, 2), white);
}

TEST(Surface, CopyWithinOneSurfaceOverlapping) {
    Surface s(5, 1);
    for (int x = 0; x < 5; ++x) s.setpixel(x, 0, rgb(x, 0, 0));
    s.copy(s, {0, 0, 4, 1}, 1, 0);
    for (int x = 1; x < 5; ++x) EXPECT_EQ(s.getpixel(x, 0), rgb(x - 1, 0, 0));
}

TEST(Surface, LinesLeaveOutTheirEndPoint) {
    Surface s(5, 5);
    s.line(0, 0, 4, 0, white);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.getpixel(x, 0), white);
    EXPECT_EQ(s.getpixel(4, 0), black);
    Surface d(5, 5);
    d.line(0, 0, 3, 3, white);
    EXPECT_EQ(d.getpixel(2, 2), white);
    EXPECT_EQ(d.getpixel(3, 3), black);
    // A polyline's joints are drawn once, by the segment that starts there; only the
    // last point stays empty.
    Surface p(5, 5);
    p.polyline({{0, 0}, {2, 0}, {2, 2}}, white);
    EXPECT_EQ(p.getpixel(2, 0), white);
    EXPECT_EQ(p.getpixel(2, 1), white);
    EXPECT_EQ(p.getpixel(2, 2), black);
}

TEST(Surface, FrameIsOnePixelInsideTheRectangle) {
    Surface s(6, 6);
    s.frame({1, 1, 5, 4}, white);
    EXPECT_EQ(s.getpixel(1, 1), white);
    EXPECT_EQ(s.getpixel(4, 3), white);
    EXPECT_EQ(s.getpixel(2, 2), black);
    EXPECT_EQ(s.getpixel(5, 1), black);
    EXPECT_EQ(s.getpixel(1, 4), black);
}

}  // namespace
}  // namespace vantrel
