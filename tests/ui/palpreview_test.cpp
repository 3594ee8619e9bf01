#include "ui/palpreview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "fakehost.h"

namespace vantrel {
namespace {

constexpr Rgb outer = rgb(205, 215, 225);
constexpr Rgb middle = rgb(215, 225, 235);

class PalettePreview : public ::testing::Test {
  protected:
    PalettePreview() { resize(600, 500); }
    void resize(int w, int h) {
        app.window = Surface(w, h, rgb(1, 2, 3));
        app.g_vhdc = Surface(600, 600, rgb(4, 5, 6));
        app.s.ClientRes = {0, 0, w, h};
    }
    void grey() {
        for (int i = 0; i < 256; ++i)
            app.s.paltemp[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                                static_cast<unsigned char>(i)};
    }
    Rgb px(int x, int y) const { return app.window.getpixel(x, y); }

    FakeHost host;
    App app{host};
};

TEST_F(PalettePreview, FrameStripAndSeparatorStandWhereTheyBelong) {
    grey();
    showpalette(app);
    for (int k = 0; k < 3; ++k) {
        const Rgb c = k == 1 ? middle : outer;
        for (int x : {k, 100, 261 - k}) {
            EXPECT_EQ(px(x, k), c) << k;
            EXPECT_EQ(px(x, 361 - k), c) << k;
        }
        for (int y : {k, 200, 300, 361 - k}) {
            EXPECT_EQ(px(k, y), c) << k;
            EXPECT_EQ(px(261 - k, y), c) << k;
        }
    }
    // The strip runs from entry 0 at the left to entry 255 at the right, rows 261..358.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(px(i + 3, 261), rgb(i, i, i)) << i;
        EXPECT_EQ(px(i + 3, 358), rgb(i, i, i)) << i;
        // Row 258 of the separator stays on the panel: the window keeps the
        // picture's last row there.
        const int k = previewindex((i + 3) * 3.0 / 255 - 2.25, -1.5);
        EXPECT_EQ(px(i + 3, 258), rgb(k, k, k)) << i;
        EXPECT_EQ(px(i + 3, 259), middle) << i;
        EXPECT_EQ(px(i + 3, 260), outer) << i;
    }
    EXPECT_EQ(px(3, 359), outer);
    EXPECT_EQ(px(3, 300), black);
    EXPECT_EQ(px(258, 300), white);
    // Outside the panel nothing changed.
    EXPECT_EQ(px(262, 0), rgb(1, 2, 3));
    EXPECT_EQ(px(0, 362), rgb(1, 2, 3));
}

TEST_F(PalettePreview, PictureUsesEveryEntryButTheFirst) {
    grey();
    showpalette(app);
    bool sawbright = false, sawdark = false;
    for (int y = 3; y <= 258; ++y)
        for (int x = 3; x <= 258; ++x) {
            const Rgb c = px(x, y);
            ASSERT_TRUE(red(c) == green(c) && green(c) == blue(c)) << x << "," << y;
            ASSERT_NE(red(c), 0) << x << "," << y;
            sawbright |= red(c) > 200;
            sawdark |= red(c) < 10;
        }
    EXPECT_TRUE(sawbright);
    EXPECT_TRUE(sawdark);

    // Each pixel stands for its own point of the plane, top row at 1.5.
    for (auto [x, y] :
         {std::pair{3, 3}, std::pair{100, 130}, std::pair{200, 200}, std::pair{258, 257}}) {
        const int k = previewindex(x * 3.0 / 255 - 2.25, (258 - y) * 3.0 / 255 - 1.5);
        EXPECT_EQ(px(x, y), rgb(k, k, k)) << x << "," << y;
    }
    // The middle of the main cardioid never escapes.
    EXPECT_GT(previewindex(-0.25, 0.1), 0);
}

// Escape count of z^2 + c on the real axis.
int realescape(double c) {
    double z = 0;
    for (int n = 1; n <= 256; ++n) {
        z = z * z + c;
        if (std::fabs(z) > 16.0) return n;
    }
    return 0;
}

// A c on the real axis just beyond 1/4 that escapes after exactly `steps` steps.
double escapingafter(int steps) {
    double lo = 0.25, hi = 0.5;  // lo stays bounded longer, hi escapes sooner
    for (int k = 0; k < 200; ++k) {
        const double mid = (lo + hi) / 2;
        const int n = realescape(mid);
        if (n == steps) return mid;
        if (n == 0 || n > steps)
            lo = mid;
        else
            hi = mid;
    }
    ADD_FAILURE() << "no c escapes after " << steps;
    return 0;
}

TEST(PreviewIndex, EscapeCountsAndAnglesFoldIntoOneTo255) {
    EXPECT_EQ(previewindex(20, 0), 2);  // gone at the first step
    EXPECT_EQ(previewindex(0, 20), 2);
    EXPECT_EQ(previewindex(escapingafter(254), 0), 255);
    EXPECT_EQ(previewindex(escapingafter(255), 0), 1);
    EXPECT_EQ(previewindex(escapingafter(256), 0), 2);
    // Bounded with its last z on the non-negative real axis: angle 0.
    EXPECT_EQ(previewindex(0, 0), 1);
    EXPECT_EQ(previewindex(0.2, 0), 1);
    EXPECT_EQ(previewindex(-1, 0), 1);  // 0, -1, 0, ... ends at 0 after 256 steps
    // Drawn to the fixed point near -0.366: angle pi, half way round.
    EXPECT_EQ(previewindex(-0.5, 0), 129);
}

TEST_F(PalettePreview, SmallWindowShowsOnlyWhatFits) {
    resize(200, 300);
    grey();
    showpalette(app);
    EXPECT_EQ(px(0, 0), outer);
    EXPECT_EQ(px(199, 1), middle);
    EXPECT_EQ(px(1, 299), middle);
    EXPECT_EQ(px(199, 299), rgb(196, 196, 196));  // strip entry 196
    for (const Rect& r : host.presented) {
        EXPECT_LE(r.right, 200);
        EXPECT_LE(r.bottom, 300);
    }

    // A window surface larger than its client area is drawn only within the area.
    app.window = Surface(400, 400, rgb(1, 2, 3));
    showpalette(app);
    EXPECT_EQ(px(250, 10), rgb(1, 2, 3));
    EXPECT_EQ(px(10, 350), rgb(1, 2, 3));
    EXPECT_EQ(px(199, 299), rgb(196, 196, 196));
}

TEST_F(PalettePreview, TouchesNeitherPaletteNorImageAndShowsWhatItDraws) {
    grey();
    const Surface image = app.g_vhdc;
    showpalette(app);
    EXPECT_EQ(app.g_vhdc, image);
    EXPECT_EQ(app.s.palette, defpalette());
    ASSERT_FALSE(host.presented.empty());
    EXPECT_EQ(host.presented.back(), (Rect{3, 259, 262, 362}));
}

TEST_F(PalettePreview, CornerComesBackOnWindowAndImage) {
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 600; ++x) app.window.setpixel(x, y, rgb(x, y, x ^ y));
    const Surface before = app.window;
    savepreviewcorner(app);
    ASSERT_EQ(app.g_phdc.width(), 262);
    ASSERT_EQ(app.g_phdc.height(), 362);
    grey();
    showpalette(app);
    ASSERT_NE(app.window, before);
    restorepreviewcorner(app);
    EXPECT_EQ(app.window, before);
    EXPECT_EQ(app.g_vhdc.getpixel(261, 361), before.getpixel(261, 361));
    EXPECT_EQ(app.g_vhdc.getpixel(262, 0), rgb(4, 5, 6));

    // A small window: only what was saved goes back into the image.
    resize(100, 80);
    app.window.fill({0, 0, 100, 80}, rgb(7, 7, 7));
    savepreviewcorner(app);
    showpalette(app);
    restorepreviewcorner(app);
    EXPECT_EQ(app.window.getpixel(99, 79), rgb(7, 7, 7));
    EXPECT_EQ(app.g_vhdc.getpixel(99, 79), rgb(7, 7, 7));
    EXPECT_EQ(app.g_vhdc.getpixel(100, 0), rgb(4, 5, 6));
    EXPECT_EQ(app.g_vhdc.getpixel(0, 80), rgb(4, 5, 6));
}

}  // namespace
}  // namespace vantrel
