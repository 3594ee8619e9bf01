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

DialogCheck press(State& s, const DialogFields& f) { return ParamDialogProc.ok(s, f); }

State viewstate() {
    State s;
    s.xmin = -2.25, s.xmax = 0.75, s.ymin = -1.5, s.ymax = 1.5;
    return s;
}

TEST(Fields, RealsShowAsFixedFifteenDecimals) {
    for (double v : {0.0, -0.0, 0.32, -2.25, 16.0, 275.0, 1.0e30, 1.0e-20, 0.1 + 0.2, -63.999999999999996}) {
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
    for (const char* bad : {"", "   ", "12abc", "abc", "1e999", "-1e999", "nan", "inf", "-inf", "1,5",
                            "0x10", "+-1", "++1", "1 2", "--1"})
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
    EXPECT_EQ(f.gettext(305), "-2.250000000000000");
    EXPECT_EQ(f.gettext(310), "0.750000000000000");
    EXPECT_EQ(f.gettext(325), "600");
    EXPECT_EQ(f.gettext(335), "256");
    EXPECT_EQ(f.gettext(340), "16.000000000000000");
    EXPECT_EQ(f.gettext(345), "0.320000000000000");
    EXPECT_EQ(f.gettext(350), "0.043000000000000");
    EXPECT_EQ(f.gettext(355), "2");
    EXPECT_EQ(f.gettext(360), "275.000000000000000");
    EXPECT_EQ(f.gettext(370), "15");
    EXPECT_EQ(f.gettext(375), "8");
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
    f.text[340] = "1000000000000000019884624838656.000000000000000";
    f.text[360] = "0000000000000000000000000000000100.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxsize, 1.0e30);
    EXPECT_EQ(s.slope, 100.5);
}

TEST(ParamDialog, ViewBoundsAreOrderedClampedAndKeptApart) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[305] = "1";
    f.text[310] = "-1";
    f.text[315] = "-100";
    f.text[320] = "100";
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
    f.text[305] = "-1.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jxmin, -1.5);
    EXPECT_EQ(s.jymax, 64.0);
    EXPECT_EQ(s.mxmin, -1.0);

    State t = viewstate();
    DialogFields g = opened(t);
    g.text[305] = "0.5";
    g.text[310] = "0.500000005";
    const DialogCheck c = press(t, g);
    EXPECT_EQ(c.error, 0);
    EXPECT_EQ(c.message, "xmax must be greater than xmin\nby at least 0.00000001");
    EXPECT_EQ(c.focus, 305);
    EXPECT_EQ(t.xmin, -2.25);

    // Both beyond one edge collapse onto it and are refused.
    State u = viewstate();
    DialogFields h = opened(u);
    h.text[315] = "100";
    h.text[320] = "200";
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
        {325, "32", -1},    {325, "9600", -1},  {325, "31", 2},    {325, "9601", 2},
        {330, "32", -1},    {330, "9601", 3},   {335, "1", -1},    {335, "16384", -1},
        {335, "16385", 4},  {335, "0", 4},      {340, "2.0", -1},  {340, "1.9", 5},
        {340, "1e31", 5},   {355, "1", 13},     {355, "17", -1},   {355, "18", 13},
        {360, "50", -1},    {360, "49.99", 6},  {360, "5000", -1}, {360, "5000.01", 6},
        {365, "8", -1},     {365, "7.9", 7},    {365, "1e30", -1}, {370, "64", -1},
        {370, "65", 9},     {370, "0", 9},      {375, "0", 14},    {375, "256", -1},
        {375, "257", 14},
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
        {305, "nan", 0},  {310, "abc", 0},   {320, "inf", 1},     {325, "12abc", 2},
        {325, "abc", 2},  {330, "", 3},      {335, "1e3", 4},     {340, "1e999", 5},
        {355, "2.5", 13}, {360, "inf", 6},   {365, "8x", 7},      {370, "15,", 9},
        {375, "-", 14},   {345, "abc", juliacxerror}, {350, "nan", juliacyerror},
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
    f.text[345] = "1e999";
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
        f.text[340] = "4.0";
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
    f.text[340] = "whatever";
    EXPECT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxsize, 16.0);
}

TEST(ParamDialog, JuliaConstantIsClampedNeverRefused) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[345] = "25";
    f.text[350] = "-1e300";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jcx, 20.0);
    EXPECT_EQ(s.jcy, -20.0);
    EXPECT_EQ(s.newc, 1);

    // A value typed again as it was raises nothing.
    State t = viewstate();
    DialogFields g = opened(t);
    g.text[345] = "0.32";
    ASSERT_TRUE(press(t, g).accepted());
    EXPECT_EQ(t.newc, 0);
}

TEST(ParamDialog, FieldsPassedBeforeARefusalStayStored) {
    State s = viewstate();
    DialogFields f = opened(s);
    f.text[305] = "-1";
    f.text[325] = "800";
    f.text[330] = "20";
    f.text[335] = "5000";  // after the refusal: never reached
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
    h.text[355] = "5";
    h.text[360] = "100";
    h.text[365] = "7";
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
    DialogFields f = garbage(s, {325, 330, 335});
    f.text[335] = "40";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.maxiter, 40);
    EXPECT_EQ(s.xmin, -2.25);
    EXPECT_EQ(s.jcx, 0.32);
    EXPECT_EQ(s.newminmax, 0);
}

TEST(ParamDialog, EscherJuliaReadsOnlySizeAndConstant) {
    State s = viewstate();
    s.okescher = 1;
    DialogFields f = garbage(s, {325, 330, 345, 350});
    f.text[345] = "-0.5";
    ASSERT_TRUE(press(s, f).accepted());
    EXPECT_EQ(s.jcx, -0.5);
    EXPECT_EQ(s.newc, 0);  // the Escher-Julia image has no history to push into
    EXPECT_EQ(s.maxiter, 256);
}

}  // namespace
}  // namespace vantrel
