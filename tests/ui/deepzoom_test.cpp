// Zooming with boxes from the home view far past the reach of doubles, and back.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "explorer.h"
#include "render/deepimage.h"
#include "render/driver.h"

namespace vantrel {
namespace {

// The current view as centre and width, however it is held.
struct Shown {
    BigFloat re{512}, im{512}, width{512};
};

Shown shown(const State& s) {
    Shown v;
    if (deepactive(s)) {
        mpfr_set(v.re.get(), s.deep.re.get(), MPFR_RNDN);
        mpfr_set(v.im.get(), s.deep.im.get(), MPFR_RNDN);
        mpfr_set(v.width.get(), s.deep.width.get(), MPFR_RNDN);
    } else {
        mpfr_set_d(v.re.get(), s.xmin, MPFR_RNDN);
        mpfr_add_d(v.re.get(), v.re.get(), s.xmax, MPFR_RNDN);
        mpfr_div_2ui(v.re.get(), v.re.get(), 1, MPFR_RNDN);
        mpfr_set_d(v.im.get(), s.ymin, MPFR_RNDN);
        mpfr_add_d(v.im.get(), v.im.get(), s.ymax, MPFR_RNDN);
        mpfr_div_2ui(v.im.get(), v.im.get(), 1, MPFR_RNDN);
        mpfr_set_d(v.width.get(), s.xmax, MPFR_RNDN);
        mpfr_sub_d(v.width.get(), v.width.get(), s.xmin, MPFR_RNDN);
    }
    return v;
}

// |a - b| in units of `unit`.
double apart(const BigFloat& a, const BigFloat& b, const BigFloat& unit) {
    BigFloat d(512);
    mpfr_sub(d.get(), a.get(), b.get(), MPFR_RNDN);
    mpfr_div(d.get(), d.get(), unit.get(), MPFR_RNDN);
    return std::fabs(d.todouble());
}

// The state's view drawn by the driver in an App of its own, as the batch
// renderer draws it.
Surface drawnalone(const State& s) {
    FakeHost h;
    App a(h);
    a.s = s;
    a.driver.threads = 0;
    a.g_vhdc = Surface(s.xres, s.yres);
    a.s.j = 0;
    a.s.okfractal = 1;
    while (a.s.okfractal) fractaldriver(a);
    return a.g_vhdc;
}

// Sharp: many colors, and no column or row the copy of its neighbour, as whole
// runs of them would be where the pixels' coordinates ran out of bits.
void expectsharp(const Surface& img, int step) {
    std::set<Rgb> colors;
    int samecolumns = 0, samerows = 0;
    for (int i = 0; i < img.width(); ++i) {
        bool same = i > 0;
        for (int r = 0; r < img.height(); ++r) {
            colors.insert(img.getpixel(i, r));
            same = same && img.getpixel(i, r) == img.getpixel(i - 1, r);
        }
        samecolumns += same;
    }
    for (int r = 1; r < img.height(); ++r) {
        bool same = true;
        for (int i = 0; i < img.width(); ++i)
            same = same && img.getpixel(i, r) == img.getpixel(i, r - 1);
        samerows += same;
    }
    EXPECT_GE(colors.size(), 12u) << "step " << step;
    EXPECT_LE(samecolumns + samerows, 2) << "step " << step;
}

TEST(DeepZoom, BoxesFromHomePastDoublesAndBack) {
    Explorer e(228);  // a 100 x 100 image
    e.openplain();
    State& s = e.app.s;
    ASSERT_EQ(s.xres, 100);
    const Surface home = e.app.g_vhdc;
    s.maxiter = 1000;
    s.outside = outside::smoothing;  // colors that change from pixel to pixel
    // c = i, a boundary point whose neighbourhood is as rich at every depth.
    BigFloat target_re(0.0, 512), target_im(1.0, 512);
    std::vector<Surface> images{home};
    std::vector<double> depths;
    int step = 0;
    bool crossed = false;
    for (;; ++step) {
        const Shown before = shown(s);
        BigFloat spacing(512);
        mpfr_div_ui(spacing.get(), before.width.get(), 99, MPFR_RNDN);
        // The pixel nearest the target, in the test's own reading of the grid.
        BigFloat t(512);
        mpfr_sub(t.get(), target_re.get(), before.re.get(), MPFR_RNDN);
        mpfr_div(t.get(), t.get(), spacing.get(), MPFR_RNDN);
        const int px = static_cast<int>(std::lround(t.todouble() + 49.5));
        mpfr_sub(t.get(), before.im.get(), target_im.get(), MPFR_RNDN);
        mpfr_div(t.get(), t.get(), spacing.get(), MPFR_RNDN);
        const int py = static_cast<int>(std::lround(t.todouble() + 49.5));
        ASSERT_TRUE(px >= 2 && px <= 97 && py >= 2 && py <= 97) << "step " << step;
        const std::size_t boxesbefore = e.host.boxes.size();
        e.drag(px - 2, py - 2, px + 2, py + 2);
        ASSERT_TRUE(e.key('Z'));
        EXPECT_EQ(e.host.boxes.size(), boxesbefore) << "no message on the way down";

        // The new view: the box's middle pixel in the middle, four pixels wide.
        const Shown after = shown(s);
        BigFloat x(512), y(512), w(512);
        mpfr_mul_si(x.get(), spacing.get(), 2L * px - 99, MPFR_RNDN);
        mpfr_div_2ui(x.get(), x.get(), 1, MPFR_RNDN);
        mpfr_add(x.get(), x.get(), before.re.get(), MPFR_RNDN);
        mpfr_mul_si(y.get(), spacing.get(), 99 - 2L * py, MPFR_RNDN);
        mpfr_div_2ui(y.get(), y.get(), 1, MPFR_RNDN);
        mpfr_add(y.get(), y.get(), before.im.get(), MPFR_RNDN);
        mpfr_mul_ui(w.get(), spacing.get(), 4, MPFR_RNDN);
        BigFloat newspacing(512);
        mpfr_div_ui(newspacing.get(), after.width.get(), 99, MPFR_RNDN);
        EXPECT_LT(apart(after.re, x, newspacing), 0.05) << "step " << step;
        EXPECT_LT(apart(after.im, y, newspacing), 0.05) << "step " << step;
        EXPECT_LT(apart(after.width, w, newspacing), 0.05) << "step " << step;

        // What the window drew is the view drawn on its own, and sharp.
        EXPECT_TRUE(samepixels(e.app.g_vhdc, drawnalone(s), {0, 0, 100, 100})) << "step " << step;
        expectsharp(e.app.g_vhdc, step);
        images.push_back(e.app.g_vhdc);
        crossed = crossed || deepactive(s);
        if (mpfr_cmp_d(after.width.get(), 1e-32) < 0) break;
        ASSERT_LT(step, 40);
    }
    EXPECT_TRUE(crossed);
    EXPECT_TRUE(deepactive(s));
    EXPECT_NE(e.host.laststatus(1).find("zoom "), std::string::npos);

    // Backspace walks back up through the very same images.
    for (int k = static_cast<int>(images.size()) - 2; k >= 0; --k) {
        ASSERT_TRUE(e.key(key::back));
        EXPECT_TRUE(samepixels(e.app.g_vhdc, images[k], {0, 0, 100, 100})) << "back to " << k;
    }
    EXPECT_FALSE(deepactive(s));
    // And Space forward again to the deepest.
    for (std::size_t k = 1; k < images.size(); ++k) ASSERT_TRUE(e.key(key::space));
    EXPECT_TRUE(samepixels(e.app.g_vhdc, images.back(), {0, 0, 100, 100}));
}

}  // namespace
}  // namespace vantrel
