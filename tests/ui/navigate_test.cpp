#include "ui/navigate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "render/reference.h"
#include "ui/explorer.h"
#include "ui/window.h"

namespace vantrel {
namespace {

// On the 301 x 301 home view -2.25..0.75 x -1.5..1.5 each pixel is 0.01 wide.
constexpr View home{-2.25, 0.75, -1.5, 1.5};

View viewof(const State& s) {
    return {s.xmin, s.xmax, s.ymin, s.ymax};
}

// The zoom around the point under pixel (i, r), worked out again from the plane
// point of the pixel and the distances of the edges from it.
View zoomedat(const View& v, int i, int r, double f) {
    const double px = v.xmin + i * (v.xmax - v.xmin) / 300;
    const double py = v.ymin + (300 - r) * (v.ymax - v.ymin) / 300;
    return {px - (px - v.xmin) * f, px + (v.xmax - px) * f, py - (py - v.ymin) * f,
            py + (v.ymax - py) * f};
}

View shiftedby(const View& v, int dx, int dy) {
    const double w = dx * (v.xmax - v.xmin) / 300, h = dy * (v.ymax - v.ymin) / 300;
    return {v.xmin - w, v.xmax - w, v.ymin + h, v.ymax + h};
}

// The image of a view, pixel by pixel with the independent reference loop.
Surface reference(const State& s, const View& v) {
    Surface out(s.xres, s.yres);
    for (int r = 0; r < s.yres; ++r)
        for (int i = 0; i < s.xres; ++i)
            out.setpixel(i, r, reference::pixel(s, v.xmin, v.xmax, v.ymin, v.ymax, i, r));
    return out;
}

std::string pointertext(double x, double y) {
    char text[80];
    std::snprintf(text, sizeof text, "      x:  %.6f      y:  %.6f", x, y);
    return text;
}

class Navigate : public ::testing::Test, public Explorer {
  public:
    void notch(int x, int y, int delta, long long time) {
        deliver(Message::wheel(x, y, delta, time));
    }
    void middledrag(int x0, int y0, int x1, int y1) {
        deliver(Message::mouse(MessageType::mbuttondown, x0, y0));
        deliver(Message::mouse(MessageType::mousemove, x1, y1));
        deliver(Message::mouse(MessageType::mbuttonup, x1, y1));
    }
    std::string historytext() const {
        const State& s = app.s;
        return "      current M-set: " + std::to_string(s.zct[0] + 1) + " / " +
               std::to_string(s.zctmax[0] + 1);
    }
};

// Three notches in at a point near the boundary and one out: each view is the
// zoom around the point under the pointer, and each finished image is exactly the
// image of that view, whatever the preview showed before it.
TEST_F(Navigate, WheelZoomsAroundThePointerAndEveryImageIsExact) {
    openplain();
    State& s = app.s;
    View v = home;
    const struct {
        int x, y, delta;
    } steps[] = {{150, 100, 120}, {151, 103, 120}, {37, 260, 120}, {200, 20, -120}};
    long long time = 0;
    for (const auto& n : steps) {
        host.pointer.clear();
        notch(n.x, n.y, n.delta, time += 100);
        v = zoomedat(v, n.x, n.y, n.delta > 0 ? 0.5 : 2.0);
        EXPECT_EQ(viewof(s), v);
        EXPECT_EQ(s.mxmin, v.xmin);
        EXPECT_EQ(s.mymax, v.ymax);
        EXPECT_EQ(s.okfractal, 1);
        EXPECT_EQ(s.j, 0);
        // The pointer's coordinates are those of the new view at once.
        EXPECT_EQ(host.laststatus(0), pointertext(planex(s, n.x), planey(s, n.y)));
        settle();
        ASSERT_EQ(s.okzoom, 1);
        EXPECT_TRUE(host.pointer.empty());  // the pointer stays on the point it zooms at
        EXPECT_EQ(app.g_vhdc, reference(s, v)) << n.x << "," << n.y;
        EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 301, 301}));
    }
    // The first notch, worked out by hand: -0.75 + 0.5i stays under pixel (150, 100).
    EXPECT_EQ(zoomedat(home, 150, 100, 0.5), (View{-1.5, 0.0, -0.5, 1.0}));
    EXPECT_EQ(wheelview(home, 301, 301, 150, 100, 0.5), (View{-1.5, 0.0, -0.5, 1.0}));
}

// The moment the view changes the window shows the old image moved to the new
// view; the set-up of the new image keeps it, and rows replace it one by one.
TEST_F(Navigate, ThePreviewIsTheOldImageMovedAndRowsReplaceIt) {
    openplain();
    const State& s = app.s;
    const Surface old = app.g_vhdc;
    const auto expectmoved = [&](const Surface& shown, auto source, int fromrow) {
        for (int r = fromrow; r < 301; ++r)
            for (int i = 0; i < 301; ++i) {
                const auto [x, y] = source(i, r);
                const bool covered = x >= 0 && x < 301 && y >= 0 && y < 301;
                ASSERT_EQ(shown.getpixel(i, r), covered ? old.getpixel(x, y) : grey)
                    << i << "," << r;
            }
    };
    const auto halved = [](int i, int r) {
        return std::pair{150 + 2 * (i - 150), 150 + 2 * (r - 150)};
    };

    // Out by 2 around the middle: the old image shrinks to the middle half.
    notch(150, 150, -120, 0);
    expectmoved(app.window, halved, 0);
    expectmoved(app.g_vhdc, halved, 0);
    EXPECT_EQ(app.window.getpixel(310, 10), black);  // beyond the image
    ASSERT_EQ(ProgramTurn(app), Turn::busy);         // the set-up and the first row
    EXPECT_EQ(s.j, 1);
    expectmoved(app.window, halved, 1);
    for (int i = 0; i < 301; ++i)
        ASSERT_EQ(app.window.getpixel(i, 0),
                  reference::pixel(s, s.xmin, s.xmax, s.ymin, s.ymax, i, 0));
    settle();
    EXPECT_EQ(app.g_vhdc, reference(s, viewof(s)));

    // A middle drag moves the picture with the pointer, pixel for pixel, and lands
    // as the preview of the dragged view.
    const Surface before = app.g_vhdc;
    const View start = viewof(s);
    deliver(Message::mouse(MessageType::mbuttondown, 100, 120));
    deliver(Message::mouse(MessageType::mousemove, 80, 150));
    EXPECT_EQ(viewof(s), start);  // nothing changes until the button is up
    for (int r = 0; r < 301; ++r)
        for (int i = 0; i < 301; ++i) {
            const int x = i + 20, y = r - 30;
            ASSERT_EQ(app.window.getpixel(i, r), x < 301 && y >= 0 ? before.getpixel(x, y) : grey);
        }
    deliver(Message::mouse(MessageType::mousemove, 130, 100));
    deliver(Message::mouse(MessageType::mbuttonup, 130, 100));
    EXPECT_EQ(viewof(s), shiftedby(start, 30, -20));
    // The point dragged is under the pointer again, and the status bar says so.
    EXPECT_EQ(host.laststatus(0), pointertext(planex(s, 130), planey(s, 100)));
    for (int r = 0; r < 301; ++r)
        for (int i = 0; i < 301; ++i) {
            const int x = i - 30, y = r + 20;
            ASSERT_EQ(app.g_vhdc.getpixel(i, r), x >= 0 && y < 301 ? before.getpixel(x, y) : grey);
        }
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 301, 301}));
    settle();
    EXPECT_EQ(app.g_vhdc, reference(s, viewof(s)));

    // The distance estimator's range pass shows its own picture at the set-up; the
    // preview comes back over it.
    app.s.outside = outside::distanceestimator;
    command(cmd::plot);
    host.pauses.clear();
    notch(150, 150, 120, 0);
    const Surface preview = app.g_vhdc;
    ProgramTurn(app);
    ASSERT_FALSE(host.pauses.empty());  // the range pass ran
    EXPECT_TRUE(samepixels(app.window, preview, {0, 1, 301, 301}));
    settle();

    // An image begun any other way starts on the grey window, as ever, and its end
    // moves the pointer aside.
    host.pointer.clear();
    ASSERT_EQ(turn(Message::key(key::f1)), Turn::busy);
    for (int r = 1; r < 301; r += 7)
        for (int i = 0; i < 301; i += 7) ASSERT_EQ(app.window.getpixel(i, r), grey);
    settle();
    EXPECT_EQ(host.pointer, (std::vector<std::pair<int, int>>{{100, 100}}));
}

// Notches less than half a second apart are one gesture with one history entry,
// the view after its last notch, so that Backspace steps back gesture by gesture.
// Trackpad fractions add up to notches; drags and keys make one entry each.
TEST_F(Navigate, GesturesDragsAndKeysEachMakeOneHistoryEntry) {
    openplain();
    State& s = app.s;
    notch(150, 100, 120, 1000);
    notch(150, 100, 120, 1300);
    notch(160, 90, 240, 1790);  // two notches at once, still the same gesture
    const View gesture = viewof(s);
    EXPECT_EQ(gesture, zoomedat(zoomedat(zoomedat(zoomedat(home, 150, 100, 0.5), 150, 100, 0.5),
                                         160, 90, 0.5),
                                160, 90, 0.5));
    EXPECT_EQ(s.zct[0], 1);
    EXPECT_EQ(s.zctmax[0], 1);
    EXPECT_EQ((View{s.z[0][1].xmin, s.z[0][1].xmax, s.z[0][1].ymin, s.z[0][1].ymax}), gesture);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");

    // Half a second later: a new gesture. Trackpad steps of 40 make a notch at 120;
    // turning back drops what had gathered the other way.
    notch(100, 100, 40, 2290);
    notch(100, 100, 40, 2300);
    EXPECT_EQ(viewof(s), gesture);
    notch(100, 100, 40, 2310);
    const View second = zoomedat(gesture, 100, 100, 0.5);
    EXPECT_EQ(viewof(s), second);
    notch(100, 100, 100, 2320);
    notch(100, 100, -60, 2330);
    notch(100, 100, -60, 2340);
    const View third = zoomedat(second, 100, 100, 2.0);
    EXPECT_EQ(viewof(s), third);
    EXPECT_EQ(s.zct[0], 2);
    settle();

    // A drag and each key: one entry apiece, whatever the time.
    middledrag(10, 10, 40, 30);
    const View dragged = shiftedby(third, 30, 20);
    EXPECT_EQ(viewof(s), dragged);
    EXPECT_EQ(s.zct[0], 3);
    View v = dragged;
    const struct {
        int code, dx, dy;
        double f;
    } keys[] = {{key::left, 75, 0, 0},  {key::right, -75, 0, 0}, {key::up, 0, 75, 0},
                {key::down, 0, -75, 0}, {key::plus, 0, 0, 0.5},  {key::minus, 0, 0, 2.0}};
    int entry = 3;
    for (const auto& k : keys) {
        deliver(Message::key(k.code));  // even while the last move is being drawn
        v = k.f == 0 ? shiftedby(v, k.dx, k.dy) : zoomedat(v, 150, 150, k.f);
        EXPECT_EQ(viewof(s), v) << k.code;
        EXPECT_EQ(s.zct[0], ++entry);
        EXPECT_EQ(s.okfractal, 1);
        // The pointer, last seen where the drag ended, is over another point now.
        EXPECT_EQ(host.laststatus(0), pointertext(planex(s, 40), planey(s, 30)));
    }
    EXPECT_EQ(host.laststatus(1), historytext());
    settle();

    // Back through the keys, the drag and the gestures to the home view.
    for (int n = 0; n < 6; ++n) key(key::back);
    EXPECT_EQ(viewof(s), dragged);
    key(key::back);
    EXPECT_EQ(viewof(s), third);
    key(key::back);
    EXPECT_EQ(viewof(s), gesture);
    key(key::back);
    EXPECT_EQ(viewof(s), home);
    EXPECT_EQ(app.g_vhdc, reference(s, home));

    // In a full history the first notch of a gesture is dropped, and the later ones
    // leave the newest entry alone.
    s.zct[0] = s.zctmax[0] = historysize - 1;
    s.z[0][historysize - 1] = s.z[0][0];
    notch(150, 100, 120, 9000);
    notch(150, 100, 120, 9100);
    EXPECT_EQ(viewof(s), zoomedat(zoomedat(home, 150, 100, 0.5), 150, 100, 0.5));
    EXPECT_EQ(s.zct[0], historysize - 1);
    EXPECT_EQ(s.z[0][historysize - 1].xmin, home.xmin);
    EXPECT_EQ(s.z[0][historysize - 1].ymax, home.ymax);
}

// The wheel restarts an image being drawn and takes a Julia preview away first;
// in orbit tracing and Escher-Julia mode and with a zoom box waiting it does nothing.
TEST_F(Navigate, WhenTheWheelActs) {
    openplain();
    State& s = app.s;
    const Surface image = app.g_vhdc;

    rightclick(10, 10);
    ASSERT_EQ(s.okjulia, 2);
    notch(150, 150, -120, 0);
    EXPECT_EQ(s.okjulia, 1);
    EXPECT_EQ(s.zct[0], 1);
    // The corner the preview covered is back, moved with the rest of the image.
    EXPECT_EQ(app.g_vhdc.getpixel(76, 76), image.getpixel(2, 2));

    for (int n = 0; n < 20; ++n) ProgramTurn(app);
    ASSERT_GT(s.j, 10);
    notch(150, 150, 120, 10000);
    EXPECT_EQ(s.j, 0);
    EXPECT_EQ(s.okfractal, 1);
    EXPECT_EQ(viewof(s), home);
    settle();
    EXPECT_EQ(app.g_vhdc, image);

    drag(10, 10, 60, 60);
    ASSERT_EQ(s.zooming, 1);
    notch(150, 150, 120, 20000);
    middledrag(10, 10, 50, 50);
    key(key::left);
    EXPECT_EQ(viewof(s), home);
    key('X');

    for (const int mode : {'O', 'E'}) {
        key(mode);
        const View before = viewof(s);
        const int entries = s.zctmax[0];
        notch(150, 150, 120, 30000);
        middledrag(10, 10, 50, 50);
        key(key::minus);
        EXPECT_EQ(viewof(s), before) << static_cast<char>(mode);
        EXPECT_EQ(s.zctmax[0], entries);
        EXPECT_EQ(s.okfractal, 0);
        key(mode);
    }
}

}  // namespace
}  // namespace vantrel
