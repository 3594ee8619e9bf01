#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <tuple>

#include "dialogs/dialogs.h"
#include "dialogs/fields.h"

namespace vantrel {
namespace {

// The dialog as it opens on `s`, with some fields then typed over.
DialogFields opened(const State& s) {
    DialogFields f;
    ParamDialogProc.init(s, f);
    return f;
}

DialogCheck press(State& s, const DialogFields& f) {
    return ParamDialogProc.ok(s, f);
}

State viewstate() {
    State s;
    s.xmin = -2.25, s.xmax = 0.75, s.ymin = -1.5, s.ymax = 1.5;
    return s;
}

TEST(Fields, RealsShowAsFixedFifteenDecimals) {
    for (double v :
         {0.0, -0.0, 0.32, -2.25, 16.0, 275.0, 1.0e30, 1.0e-20, 0.1 + 0.2, -63.999999999999996}) {
        char want[400];
        std::snprintf(want, sizeof want, "%.15f", v);
        EXPECT_EQ(showreal(v), want) << v;
    }
    EXPECT_EQ(showint(-17), "-17");
    EXPECT_EQ(showint(9600), "9600");
}

TEST(Fields, OnlyWholeFiniteNumbersAreRead) {
    EXPECT_EQ(readreal("0.5"), 0.5);
    EXPECT_EQ(readreal(" -1.25e2 "), -125.0);
    EXPECT_EQ(readreal("+3"), 3.0);
    EXPECT_EQ(readreal(".5"), 0.5);
    for (const char* bad : {"", "   ", "12abc", "abc", "1e999", "-1e999", "nan", "inf", "-inf",
                            "1,5", "0x10", "+-1", "++1", "1 2", "--1"})
        EXPECT_FALSE(readreal(bad)) << bad;

    EXPECT_EQ(readint("600"), 600);
    EXPECT_EQ(readint(" +32\t"), 32);
    EXPECT_EQ(readint("-5"), -5);
    for (const char* bad : {"", "12abc", "12.0", "1e3", "99999999999", "abc", "0x20", "+-3"})
        EXPECT_FALSE(readint(bad)) << bad;
}

TEST(ParamDialog, OpensOnTheWorkingViewAndTheParameters) {
    State s = viewstate();
    s.mxmin = 7;  // remembered bounds are not what the dialog shows
    const DialogFields f = opened(s);
    EXPECT_EQ(f.gettext(paramfield::xmin), "-2.250000000000000");
    EXPECT_EQ(f.gettext(paramfield::xmax), "0.750000000000000");
    EXPECT_EQ(f.gettext(paramfield::xres), "600");
    EXPECT_EQ(f.gettext(paramfield::maxiter), "256");
    EXPECT_EQ(f.gettext(paramfield::maxsize), "16.000000000000000");
    EXPECT_EQ(f.gettext(paramfield::jcx), "0.320000000000000");
    EXPECT_EQ(f.gettext(paramfield::jcy), "0.043000000000000");
    EXPECT_EQ(f.gettext(paramfield::exponent), "2");
    EXPECT_EQ(f.gettext(paramfield::slope), "275.000000000000000");
    EXPECT_EQ(f.gettext(paramfield::period), "15");
    EXPECT_EQ(f.gettext(paramfield::demscale), "8");
}

TEST(ParamDialog, UntouchedFieldsKeepValuesFifteenDecimalsCannotSpell) {
    State s = viewstate();
    s.xmin = -0.7436438870371587;
    s.xmax = -0.7436438670371583;
    s.ymin = 0.1318259042053;
    s.ymax = 0.13182592420600001;
    s.maxsize = 1.0e30;  // its text is far longer than any fixed read limit
    s.bailout = 9.87654321e29;
    s.jcx = 0.1 + 0.2;
    const State before = s;
    EXPECT_TRUE(press(s, opened(s)).accepted());
    EXPECT_EQ(s.xmin, before.xmin);
    EXPECT_EQ(s.xmax, before.xmax);
    EXPECT_EQ(s.ymax, before.ymax);
    EXPECT_EQ(s.maxsize, 1.0e30);
    EXPECT_EQ(s.bailout, before.bailout);
    EXPECT_EQ(s.jcx, before.jcx);
    EXPECT_EQ(s.newminmax, 0);
    EXPECT_EQ(s.newc, 0);
    EXPECT_EQ(s.newdimensions, 0);
}

TEST(ParamDialog, LongTypedNumbersAreReadInFull) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[paramfield::maxsize] = "1000000000000000019884624838656.000000000000000";
    f.text[paramfield::slope] = "0000000000000000000000000000000100.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxsize, 1.0e30);
    EXPECT_EQ(s.slope, 100.5);
}

TEST(ParamDialog, ViewBoundsAreOrderedClampedAndKeptApart) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[paramfield::xmin] = "1";
    f.text[paramfield::xmax] = "-1";
    f.text[paramfield::ymin] = "-100";
    f.text[paramfield::ymax] = "100";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.xmin, -1.0);
    EXPECT_EQ(s.xmax, 1.0);
    EXPECT_EQ(s.ymin, -64.0);
    EXPECT_EQ(s.ymax, 64.0);
    EXPECT_EQ(s.newminmax, 1);
    // Mandelbrot set: its own current view follows.
    EXPECT_EQ(s.mxmin, -1.0);
    EXPECT_EQ(s.mymax, 64.0);
    EXPECT_EQ(s.jxmin, -2.25);
    // Julia set: its view follows instead.
    s.ftype = settype::julia;
    f = opened(s);
    f.text[paramfield::xmin] = "-1.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jxmin, -1.5);
    EXPECT_EQ(s.jymax, 64.0);
    EXPECT_EQ(s.mxmin, -1.0);

    State t = viewstate();
    DialogFields g = opened(t);
    g.text[paramfield::xmin] = "0.5";
    g.text[paramfield::xmax] = "0.500000005";
    const DialogCheck c = press(t, g);
    EXPECT_EQ(c.error, 0);
    EXPECT_EQ(c.message, "xmax must be greater than xmin\nby at least 0.00000001");
    EXPECT_EQ(c.focus, paramfield::xmin);
    EXPECT_EQ(t.xmin, -2.25);

    // Both beyond one edge collapse onto it and are refused.
    State u = viewstate();
    DialogFields h = opened(u);
    h.text[paramfield::ymin] = "100";
    h.text[paramfield::ymax] = "200";
    EXPECT_EQ(press(u, h).error, 1);
    EXPECT_EQ(u.xmin, -2.25);  // x passed and was stored, unchanged
}

TEST(ParamDialog, RangesAreInclusiveAndRefusedOutside) {
    struct Case {
        int id;
        const char* text;
        int error;  // -1 accepted
    };
    const Case cases[] = {
        {paramfield::xres, "32", -1},      {paramfield::xres, "9600", -1},
        {paramfield::xres, "31", 2},       {paramfield::xres, "9601", 2},
        {paramfield::yres, "32", -1},      {paramfield::yres, "9601", 3},
        {paramfield::maxiter, "1", -1},    {paramfield::maxiter, "16384", -1},
        {paramfield::maxiter, "16385", 4}, {paramfield::maxiter, "0", 4},
        {paramfield::maxsize, "2.0", -1},  {paramfield::maxsize, "1.9", 5},
        {paramfield::maxsize, "1e31", 5},  {paramfield::exponent, "1", 13},
        {paramfield::exponent, "17", -1},  {paramfield::exponent, "18", 13},
        {paramfield::slope, "50", -1},     {paramfield::slope, "49.99", 6},
        {paramfield::slope, "5000", -1},   {paramfield::slope, "5000.01", 6},
        {paramfield::bailout, "8", -1},    {paramfield::bailout, "7.9", 7},
        {paramfield::bailout, "1e30", -1}, {paramfield::period, "64", -1},
        {paramfield::period, "65", 9},     {paramfield::period, "0", 9},
        {paramfield::demscale, "0", 14},   {paramfield::demscale, "256", -1},
        {paramfield::demscale, "257", 14},
    };
    for (const Case& c : cases) {
        State s = viewstate();
        DialogFields f = opened(s);
        f.text[c.id] = c.text;
        const DialogCheck r = press(s, f);
        EXPECT_EQ(r.error, c.error) << c.id << " " << c.text;
        if (c.error >= 0) {
            EXPECT_EQ(r.message, paramerror[c.error]);
            EXPECT_EQ(r.focus, c.id);
        }
    }
}

TEST(ParamDialog, TextThatIsNoNumberIsRefusedWithItsFieldsMessage) {
    const struct {
        int id;
        const char* text;
        int error;
    } cases[] = {
        {paramfield::xmin, "nan", 0},           {paramfield::xmax, "abc", 0},
        {paramfield::ymax, "inf", 1},           {paramfield::xres, "12abc", 2},
        {paramfield::xres, "abc", 2},           {paramfield::yres, "", 3},
        {paramfield::maxiter, "1e3", 4},        {paramfield::maxsize, "1e999", 5},
        {paramfield::exponent, "2.5", 13},      {paramfield::slope, "inf", 6},
        {paramfield::bailout, "8x", 7},         {paramfield::period, "15,", 9},
        {paramfield::demscale, "-", 14},        {paramfield::jcx, "abc", juliacxerror},
        {paramfield::jcy, "nan", juliacyerror},
    };
    for (const auto& c : cases) {
        State s = viewstate();
        DialogFields f = opened(s);
        f.text[c.id] = c.text;
        const DialogCheck r = press(s, f);
        EXPECT_EQ(r.error, c.error) << c.id << " " << c.text;
        EXPECT_EQ(r.focus, c.id);
        EXPECT_EQ(r.message, errortext(c.error));
    }
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[paramfield::jcx] = "1e999";
    EXPECT_EQ(press(s, f).message, "cx (Julia) must be a number");
    EXPECT_EQ(s.jcx, 0.32);
}

TEST(ParamDialog, EscapeLimitRangeFollowsTheColoring) {
    for (auto [outside, inside, error] : {std::tuple{outside::tia, inside::solidcolor, 7},
                                          std::tuple{outside::smoothingtia, inside::solidcolor, 7},
                                          std::tuple{outside::potentialtia, inside::solidcolor, 7},
                                          std::tuple{outside::integertia, inside::solidcolor, 7},
                                          std::tuple{outside::levelsets, inside::tia, 7},
                                          std::tuple{outside::levelsets, inside::solidcolor, -1},
                                          std::tuple{outside::kirlian, inside::solidcolor, -1}}) {
        State s = viewstate();
        s.outside = outside;
        s.inside = inside;
        DialogFields f = opened(s);
        f.text[paramfield::maxsize] = "4.0";
        const DialogCheck r = press(s, f);
        EXPECT_EQ(r.error, error) << outside << " " << inside;
        if (error == 7) {
            EXPECT_EQ(r.message, "TIA maxsize/bailout range: 8.0 - 1.0E30");
        } else {
            EXPECT_EQ(s.maxsize, 4.0);
        }
    }
    // Equipotential lines never read the field.
    State s = viewstate();
    s.outside = outside::equipotentiallines;
    DialogFields f = opened(s);
    f.text[paramfield::maxsize] = "whatever";
    EXPECT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxsize, 16.0);
}

TEST(ParamDialog, JuliaConstantIsClampedNeverRefused) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[paramfield::jcx] = "25";
    f.text[paramfield::jcy] = "-1e300";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jcx, 20.0);
    EXPECT_EQ(s.jcy, -20.0);
    EXPECT_EQ(s.newc, 1);

    // A value typed again as it was raises nothing.
    State t = viewstate();
    DialogFields g = opened(t);
    g.text[paramfield::jcx] = "0.32";
    ASSERT_TRUE(press(t, g).accepted());
    EXPECT_EQ(t.newc, 0);
}

TEST(ParamDialog, FieldsPassedBeforeARefusalStayStored) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[paramfield::xmin] = "-1";
    f.text[paramfield::xres] = "800";
    f.text[paramfield::yres] = "20";
    f.text[paramfield::maxiter] = "5000";  // after the refusal: never reached
    const DialogCheck r = press(s, f);
    EXPECT_EQ(r.error, 3);
    EXPECT_EQ(r.message, "yres range: 32 - 9600");
    EXPECT_EQ(s.xmin, -1.0);
    EXPECT_EQ(s.newminmax, 1);
    EXPECT_EQ(s.xres, 800);
    EXPECT_EQ(s.newdimensions, 1);
    EXPECT_EQ(s.yres, 600);
    EXPECT_EQ(s.maxiter, 256);

    // The method parameters are stored one by one, up to the first that fails.
    State u = viewstate();
    DialogFields h = opened(u);
    h.text[paramfield::exponent] = "5";
    h.text[paramfield::slope] = "100";
    h.text[paramfield::bailout] = "7";
    EXPECT_EQ(press(u, h).error, 7);
    EXPECT_EQ(u.exponent, 5);
    EXPECT_EQ(u.slope, 100.0);
    EXPECT_EQ(u.bailout, 16.0);
}

// Garbage in every field that a mode does not read.
DialogFields garbage(const State& s, std::initializer_list<int> read) {
    DialogFields f = opened(s);
    for (auto& [id, text] : f.text)
        if (std::find(read.begin(), read.end(), id) == read.end()) text = "junk";
    return f;
}

TEST(ParamDialog, OrbitTracingReadsOnlySizeAndIterations) {
    State s = viewstate();
    s.okorbits = 1;
    DialogFields f = garbage(s, {paramfield::xres, paramfield::yres, paramfield::maxiter});
    f.text[paramfield::maxiter] = "40";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxiter, 40);
    EXPECT_EQ(s.xmin, -2.25);
    EXPECT_EQ(s.jcx, 0.32);
    EXPECT_EQ(s.newminmax, 0);
}

TEST(ParamDialog, EscherJuliaReadsOnlySizeAndConstant) {
    State s = viewstate();
    s.okescher = 1;
    DialogFields f =
        garbage(s, {paramfield::xres, paramfield::yres, paramfield::jcx, paramfield::jcy});
    f.text[paramfield::jcx] = "-0.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jcx, -0.5);
    EXPECT_EQ(s.newc, 0);  // the Escher-Julia image has no history to push into
    EXPECT_EQ(s.maxiter, 256);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(ParamDialog, DeepViewsTakeLongDecimalsAndLargerIterationLimits) {
    State s = viewstate();
    ASSERT_TRUE(readview("-1.7499576837060935036022145060706997072", "1e-38", "3.1e-30", &s.deep));
    s.deep.on = true;
    const DeepView shown = s.deep;

    // Untouched, OK keeps the view bit for bit and tells nothing changed.
    DialogFields f;
    DeepParamDialogProc.init(s, f);
    EXPECT_EQ(f.gettext(paramfield::deepwidth).substr(0, 3), "3.1");
    EXPECT_TRUE(DeepParamDialogProc.ok(s, f).accepted());
    EXPECT_TRUE(mpfr_equal_p(s.deep.re.get(), shown.re.get()));
    EXPECT_EQ(s.newminmax, 0);

    // Past the record's limit only here, up to 2,000,000,000.
    f.text[paramfield::maxiter] = "1000000";
    EXPECT_TRUE(DeepParamDialogProc.ok(s, f).accepted());
    EXPECT_EQ(s.maxiter, 1000000);
    f.text[paramfield::maxiter] = "2000000001";
    DialogCheck c = DeepParamDialogProc.ok(s, f);
    EXPECT_EQ(c.message, "iteration range: 1 - 2000000000");
    EXPECT_EQ(c.focus, paramfield::maxiter);
    State plain = viewstate();
    DialogFields g = opened(plain);
    g.text[paramfield::maxiter] = "16385";
    EXPECT_EQ(press(plain, g).message, "iteration range: 1 - 16384");
    f.text[paramfield::maxiter] = "5000";

    // Bad text is refused with its field's message, the view kept.
    for (auto [id, text, message] :
         {std::tuple{paramfield::deepre, "-1.75x", "centre x must be a decimal number"},
          std::tuple{paramfield::deepim, "", "centre y must be a decimal number"},
          std::tuple{paramfield::deepim, "nan", "centre y must be a decimal number"},
          std::tuple{paramfield::deepwidth, "0", "width must be a decimal number above 0"},
          std::tuple{paramfield::deepwidth, "-1e-40", "width must be a decimal number above 0"}}) {
        DialogFields b = f;
        b.text[id] = text;
        c = DeepParamDialogProc.ok(s, b);
        EXPECT_EQ(c.message, message) << text;
        EXPECT_EQ(c.focus, id) << text;
        EXPECT_TRUE(deepactive(s) && mpfr_equal_p(s.deep.width.get(), shown.width.get())) << text;
    }
    {
        State inverted = s;
        inverted.okinvert = 1;
        DialogFields b = f;
        b.text[paramfield::deepwidth] = "1e-31";
        EXPECT_EQ(DeepParamDialogProc.ok(inverted, b).message,
                  "inversion in the unit circle cannot be drawn at this depth");
    }
    {
        State estimated = s;
        estimated.outside = outside::distanceestimator;
        DialogFields b = f;
        b.text[paramfield::deepwidth] = "1e-400";
        EXPECT_EQ(DeepParamDialogProc.ok(estimated, b).message,
                  "the Distance Estimator cannot be drawn at this depth");
    }

    // A new centre is taken to its last digit; a width doubles hold ends the deep view.
    const std::string re = "-0.7436438870371587047521915061147745" + std::string(40, '3');
    f.text[paramfield::deepre] = re;
    f.text[paramfield::deepwidth] = "2.5e-70";
    ASSERT_TRUE(DeepParamDialogProc.ok(s, f).accepted());
    EXPECT_EQ(s.newminmax, 1);
    DeepView want;
    ASSERT_TRUE(readview(re, f.gettext(paramfield::deepim), "2.5e-70", &want));
    EXPECT_TRUE(deepactive(s) && mpfr_equal_p(s.deep.re.get(), want.re.get()));
    EXPECT_EQ(s.maxiter, 5000);
    f.text[paramfield::deepwidth] = "0.01";
    ASSERT_TRUE(DeepParamDialogProc.ok(s, f).accepted());
    EXPECT_FALSE(deepactive(s));
    EXPECT_NEAR(s.xmax - s.xmin, 0.01, 1e-15);
    EXPECT_NEAR((s.xmax + s.xmin) / 2, -0.7436438870371587, 1e-15);
}

}  // namespace
}  // namespace vantrel
