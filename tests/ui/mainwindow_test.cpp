#include "ui/mainwindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "files/vtl.h"
#include "render/complex.h"
#include "special/julia.h"
#include "ui/explorer.h"

namespace vantrel {
namespace {

const std::string history11 = "      current M-set: 1 / 1";

bool blank(const Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.getpixel(x, y) != black) return false;
    return true;
}

class Window : public ::testing::Test, public Explorer {};

// ---- the window's own life -------------------------------------------------------

TEST_F(Window, EverythingIsBlackUntilTheFirstImageDraws) {
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(app.g_vhdc.width(), 301);
    EXPECT_EQ(app.g_vhdc.height(), 301);
    EXPECT_EQ(app.g_jhdc.width(), 150);
    EXPECT_EQ(app.g_phdc.width(), 262);
    EXPECT_EQ(app.g_phdc.height(), 362);
    // The client area less the status bar of the fake host.
    EXPECT_EQ(app.s.ClientRes, (Rect{0, 0, 1904, 970}));
    EXPECT_EQ(app.window.width(), 1904);
    EXPECT_EQ(app.window.height(), 970);
    for (const Surface* s : {&app.g_vhdc, &app.g_jhdc, &app.g_phdc, &app.window})
        EXPECT_TRUE(blank(*s));
    EXPECT_EQ(host.laststatus(1), history11);
    ASSERT_EQ(app.posted.size(), 1u);
    EXPECT_EQ(app.posted.front().id, cmd::firstimage);
}

TEST_F(Window, PaintCopiesTheImageButNeverOverTheStatusBar) {
    openplain();
    app.window = Surface(1904, 970, white);
    host.presented.clear();
    Message paint = Message::of(MessageType::paint);
    paint.rect = {100, 900, 400, 990};  // reaches into the status bar
    deliver(paint);
    ASSERT_EQ(host.presented.size(), 1u);
    EXPECT_EQ(host.presented[0], (Rect{100, 900, 400, 970}));
    // Beyond the image nothing comes from it; the window keeps what it had.
    EXPECT_EQ(app.window.getpixel(150, 950), white);
    paint.rect = {0, 0, 301, 301};
    deliver(paint);
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 301, 301}));
}

TEST_F(Window, ASmallerWindowShowsTheTopLeftOfTheImage) {
    openplain();
    host.client = {0, 0, 200, 120};  // 100 for the image, 20 for the status bar
    deliver(Message::of(MessageType::size));
    EXPECT_EQ(app.s.ClientRes, (Rect{0, 0, 200, 100}));
    EXPECT_EQ(app.window.width(), 200);
    EXPECT_EQ(app.window.height(), 100);
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 200, 100}));
    // A pointer below the visible part is not over the image.
    host.status.clear();
    move(50, 150);
    EXPECT_TRUE(host.status.empty());
    // The next image copies only the rows that show.
    host.presented.clear();
    command(cmd::plot);
    for (const Rect& r : host.presented) EXPECT_LE(r.bottom, 100);
}

TEST_F(Window, AParameterFileOnTheCommandLineIsDrawnAndHeldAfterHome) {
    // Other builds may run this test at the same time.
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("vantrel-window-" + std::to_string(std::random_device{}()) + ".vtl");
    {
        FakeHost h;
        App saver(h);
        saver.s.mxmin = -0.75;
        saver.s.mxmax = -0.25;
        saver.s.mymin = 0.0;
        saver.s.mymax = 0.5;
        saver.s.outside = outside::smoothing;
        for (int i = 0; i < 256; ++i)
            saver.s.palette[i] = {static_cast<unsigned char>(255 - i), 0,
                                  static_cast<unsigned char>(i)};
        saver.s.svtlfile = file.string();
        ASSERT_EQ(writevtl(saver, 0), 0);
    }
    app.s.ovtltemp = "\"" + file.string() + "\"";
    open();
    // The opening animation ran over the file's view, to its end (the pause after
    // its rays), and then the file's own image was drawn without a key pressed.
    EXPECT_EQ(app.firstimg.pass.xmin, -0.75);
    EXPECT_EQ(app.firstimg.pass.ymax, 0.5);
    EXPECT_NE(std::find(host.pauses.begin(), host.pauses.end(), 1000), host.pauses.end());
    const Surface drawn = app.g_vhdc;
    command(cmd::plot);
    EXPECT_TRUE(samepixels(drawn, app.g_vhdc, {0, 0, 301, 301}));
    EXPECT_EQ(app.s.zct[0], 1);
    EXPECT_EQ(app.s.zctmax[0], 1);
    EXPECT_EQ(app.s.z[0][0].xmin, -2.25);
    EXPECT_EQ(app.s.z[0][1].xmin, -0.75);
    EXPECT_EQ(app.s.xmin, -0.75);
    EXPECT_EQ(app.s.ymax, 0.5);
    EXPECT_EQ(app.s.okfractal, 0);
    // A file that cannot be read leaves the start state, unreported.
    Explorer other;
    other.app.s.ovtltemp = "\"/nonexistent/none.vtl\"";
    other.openplain();
    EXPECT_EQ(other.app.s.zctmax[0], 0);
    EXPECT_EQ(other.boxes(), 0);

    // A file saved in orbit tracing mode opens in it, with the surface it needs.
    {
        FakeHost h;
        App saver(h);
        saver.s.okorbits = 1;
        saver.s.svtlfile = file.string();
        ASSERT_EQ(writevtl(saver, 0), 0);
    }
    Explorer orbits;
    orbits.app.s.ovtltemp = "\"" + file.string() + "\"";
    ASSERT_EQ(orbits.start(), 0);
    EXPECT_EQ(orbits.app.s.okorbits, 1);
    EXPECT_EQ(orbits.app.g_ohdc.width(), 301);
    EXPECT_EQ(orbits.app.g_ohdc.height(), 301);
    std::filesystem::remove(file);
}

// ---- commands and keys while an image is drawn --------------------------------------

TEST_F(Window, WhileDrawingOnlyPauseActsAndPlotResumesAtTheRow) {
    openplain();
    Explorer plain;
    plain.openplain();  // the same image, drawn without interruption

    command(cmd::greypalette);  // changes the colors of the next image
    plain.command(cmd::greypalette);
    plain.command(cmd::plot);
    const int before = boxes();
    ASSERT_EQ(turn(Message::key(key::f1)), Turn::busy);
    for (int n = 0; n < 40; ++n) turn(Message::of(MessageType::wake));
    const int row = app.s.j;
    ASSERT_GT(row, 0);

    // Commands, accelerators, Exit and the mode and history keys are all ignored.
    for (const Message& m :
         {Message::key('D'), Message::key(key::escape), Message::command(cmd::exit),
          Message::key('O'), Message::key('E'), Message::key('I'), Message::key(key::back),
          Message::key('M', true), Message::command(cmd::help), Message::command(cmd::about)})
        turn(m);
    EXPECT_EQ(boxes(), before);
    EXPECT_EQ(app.s.okorbits + app.s.okescher + app.s.okinvert, 0);
    EXPECT_TRUE(host.helpshown.empty());
    EXPECT_TRUE(host.popups.empty());
    EXPECT_EQ(app.s.j, row + 10);  // rendering went on, one row per message

    // Pause stops after the current row; nothing moves while paused.
    turn(Message::key(key::pause));
    EXPECT_EQ(app.s.okfractal, 0);
    const int stopped = app.s.j;
    for (int n = 0; n < 5; ++n) turn(Message::of(MessageType::wake));
    EXPECT_EQ(app.s.j, stopped);
    EXPECT_TRUE(app.posted.empty());

    // F1 resumes where it stopped: the finished image equals one never paused.
    turn(Message::key(key::f1));
    EXPECT_EQ(app.s.j, stopped + 1);
    settle();
    EXPECT_EQ(app.g_vhdc, plain.app.g_vhdc);
}

TEST_F(Window, MouseIsIgnoredWhileDrawingAndAPressStartsNoDrag) {
    openplain();
    turn(Message::key(key::f1));
    host.status.clear();
    turn(Message::mouse(MessageType::mousemove, 50, 50));
    turn(Message::mouse(MessageType::lbuttondown, 50, 50));
    turn(Message::mouse(MessageType::rbuttondown, 50, 50));
    EXPECT_TRUE(host.status.empty());
    EXPECT_EQ(app.s.drawbox, 0);
    EXPECT_EQ(app.s.okjulia, juliapreview::available);
    settle();
    // The release after the image is done finds no drag to end.
    release(200, 200);
    EXPECT_EQ(app.s.zooming, 0);
    EXPECT_EQ(app.s.okzoom, 1);
}

// ---- palette, help, exit ---------------------------------------------------------------

TEST_F(Window, PaletteCommandsSayWhatTheyDidAndRedrawNothing) {
    openplain();
    const Surface image = app.g_vhdc;
    key('G');
    EXPECT_EQ(lastbox().text, "Greyscale palette loaded.");
    EXPECT_EQ(lastbox().title, "Greyscale");
    EXPECT_EQ(lastbox().icon, Icon::information);
    EXPECT_FALSE(lastbox().owned);
    for (int i : {0, 1, 128, 255})
        EXPECT_EQ(app.s.palette[i], (std::array<unsigned char, 3>{static_cast<unsigned char>(i),
                                                                  static_cast<unsigned char>(i),
                                                                  static_cast<unsigned char>(i)}));
    key('D');
    EXPECT_EQ(lastbox().text, "Default palette loaded.");
    EXPECT_EQ(lastbox().title, "Default Palette");
    EXPECT_EQ(app.s.palette, defpalette());
    EXPECT_EQ(app.s.okfractal, 0);
    EXPECT_EQ(app.g_vhdc, image);
}

TEST_F(Window, HelpShowsTheDocumentOrTheReasonItCannot) {
    openplain();
    key(key::f2);
    ASSERT_EQ(host.helpshown.size(), 1u);
    EXPECT_EQ(host.helpshown[0], "help/vantrel.html");
    EXPECT_EQ(boxes(), 0);

    host.helpworks = false;
    command(cmd::help);
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(lastbox().title, "KX Tessamor");
    EXPECT_EQ(lastbox().icon, Icon::information);
    EXPECT_FALSE(lastbox().owned);
    EXPECT_EQ(lastbox().text.rfind("Unable to open the help file:\n\n      Vantrel.hlp\n\n", 0),
              0u);
    EXPECT_NE(lastbox().text.find("   at the Microsoft Web site."), std::string::npos);
}

TEST_F(Window, EscapeEndsTheProgramThroughTheDestroyMessage) {
    openplain();
    EXPECT_FALSE(key(key::escape));  // the loop has ended
    EXPECT_EQ(app.exitcode, 0);
    EXPECT_EQ(host.shown.back(), false);
    EXPECT_EQ(host.helpclosed, 1);
    EXPECT_TRUE(app.g_vhdc.empty());
    EXPECT_TRUE(app.g_jhdc.empty());
    EXPECT_TRUE(app.g_phdc.empty());
}

TEST_F(Window, TheCloseBoxEndsTheProgramEvenWhileDrawing) {
    openplain();
    turn(Message::key(key::f1));
    EXPECT_FALSE(send(Message::of(MessageType::close)));
    EXPECT_EQ(app.exitcode, 0);
}

// ---- the zoom box ------------------------------------------------------------------

TEST_F(Window, ABoxDraggedBackwardsIsNormalisedAndFramedOnTheWindowOnly) {
    openplain();
    const Surface image = app.g_vhdc;
    press(120, 90);
    move(60, 40);
    EXPECT_EQ(app.mainwin.zoombox, (Rect{60, 40, 120, 90}));
    EXPECT_EQ(host.laststatus(1), "     aspect ratio:  1.200000");
    // A white outline over the box's pixel edges, inclusive.
    for (int x = 60; x <= 120; ++x) {
        EXPECT_EQ(app.window.getpixel(x, 40), white);
        EXPECT_EQ(app.window.getpixel(x, 90), white);
    }
    for (int y = 40; y <= 90; ++y) {
        EXPECT_EQ(app.window.getpixel(60, y), white);
        EXPECT_EQ(app.window.getpixel(120, y), white);
    }
    EXPECT_EQ(app.g_vhdc, image);

    // The next move erases the last frame first.
    move(100, 80);
    EXPECT_EQ(app.window.getpixel(60, 40), image.getpixel(60, 40));
    EXPECT_EQ(app.window.getpixel(70, 90), image.getpixel(70, 90));
    EXPECT_EQ(app.mainwin.zoombox, (Rect{100, 80, 120, 90}));
    EXPECT_EQ(host.laststatus(1), "     aspect ratio:  2.000000");

    release(100, 80);
    EXPECT_EQ(app.s.zooming, 1);
    EXPECT_EQ(app.s.okzoom, 0);
    EXPECT_EQ(app.s.drawbox, 0);
    // No second box while one waits.
    press(10, 10);
    EXPECT_EQ(app.s.drawbox, 0);

    // X takes the frame away and the history text comes back.
    key('X');
    EXPECT_EQ(app.s.zooming, 0);
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_TRUE(samepixels(app.window, image, {0, 0, 301, 301}));
    EXPECT_EQ(host.laststatus(1), history11);
}

TEST_F(Window, ClicksAndThinBoxesAreCancelledATwoByTwoBoxZooms) {
    openplain();
    // An earlier box must not be taken for a plain click's.
    drag(10, 10, 200, 200);
    key('X');
    press(50, 50);
    release(50, 50);
    EXPECT_EQ(app.s.zooming, 0);
    EXPECT_EQ(app.s.okzoom, 1);

    drag(50, 50, 51, 150);  // one pixel wide
    EXPECT_EQ(app.s.zooming, 0);
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_EQ(app.s.drawbox, 0);

    drag(50, 50, 52, 52);
    ASSERT_EQ(app.s.zooming, 1);
    deliver(Message::key('Z'));
    EXPECT_DOUBLE_EQ(app.s.xmin, -2.25 + 50 * 0.01);
    EXPECT_DOUBLE_EQ(app.s.xmax, -2.25 + 52 * 0.01);
    EXPECT_DOUBLE_EQ(app.s.ymax, 1.5 - 50 * 0.01);
    EXPECT_DOUBLE_EQ(app.s.ymin, 1.5 - 52 * 0.01);
}

TEST_F(Window, ZoomingIntoTheLeftHalfMapsTheBoxEdgesExactly) {
    openplain();
    // The home view at 600 x 600.
    State& s = app.s;
    s.xres = s.yres = 600;
    app.g_vhdc = Surface(600, 600);
    drag(299, 599, 0, 0);
    ASSERT_EQ(s.zooming, 1);
    deliver(Message::key('Z'));
    EXPECT_EQ(s.xmin, -2.25);
    EXPECT_EQ(s.xmax, -2.25 + 299.0 / 599 * 3.0);
    EXPECT_EQ(s.ymin, -1.5);
    EXPECT_EQ(s.ymax, 1.5);
    EXPECT_EQ(s.mxmax, s.xmax);
    EXPECT_EQ(s.z[0][1].xmax, s.xmax);
    EXPECT_EQ(s.z[0][1].ymin, -1.5);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    EXPECT_EQ(s.j, 0);
    EXPECT_EQ(s.okfractal, 1);
    EXPECT_EQ(s.okzoom, 0);  // until the new image is complete
}

TEST_F(Window, PointerCoordinatesAndTheirInversion) {
    openplain();
    move(225, 150);
    EXPECT_EQ(host.laststatus(0), "      x:  0.000000      y:  0.000000");
    move(275, 100);  // 0.5 + 0.5i
    EXPECT_EQ(host.laststatus(0), "      x:  0.500000      y:  0.500000");
    key('I');
    settle();
    move(275, 150);  // 0.5, whose inverse in the unit circle is 2
    EXPECT_EQ(host.laststatus(0), "      x:  2.000000      y:  0.000000");
    // The box still works on pixels.
    drag(10, 10, 30, 20);
    EXPECT_EQ(app.s.zooming, 1);
    EXPECT_EQ(app.mainwin.zoombox, (Rect{10, 10, 30, 20}));
}

// ---- the history ---------------------------------------------------------------------

TEST_F(Window, BackAndForwardStopAtTheEnds) {
    openplain();
    const State& s = app.s;
    key(key::back);  // at home: nothing
    EXPECT_EQ(s.okfractal, 0);
    EXPECT_EQ(host.laststatus(1), history11);

    drag(0, 0, 150, 150);
    key('Z');
    const double zoomed = s.xmax;
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    key(key::space);  // at the newest: nothing
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");

    host.input.push_back(Message::key(key::back));
    ProgramTurn(app);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 1 / 2");
    EXPECT_EQ(s.xmax, 0.75);
    EXPECT_EQ(s.okfractal, 1);
    settle();
    EXPECT_EQ(s.mxmax, 0.75);
    key(key::space);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    EXPECT_EQ(s.xmax, zoomed);
}

TEST_F(Window, ResetKeepsTheHomeAndTheCurrentView) {
    openplain();
    key('R');  // at home
    EXPECT_EQ(boxes(), 0);
    for (int n = 0; n < 3; ++n) {
        drag(0, 0, 200, 200);
        key('Z');
    }
    key(key::back);  // position 3 of 4
    const double current = app.s.xmax;
    key('R');
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(lastbox().text, "Resetting Mandelbrot set history");
    EXPECT_EQ(lastbox().title, "Reset");
    EXPECT_FALSE(lastbox().owned);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    EXPECT_EQ(app.s.z[0][1].xmax, current);
    EXPECT_EQ(app.s.z[0][0].xmax, 0.75);
    EXPECT_EQ(app.s.okfractal, 0);  // nothing is redrawn
    EXPECT_EQ(app.s.j, 0);
}

// ---- the Julia preview -------------------------------------------------------------

TEST_F(Window, PreviewOfZeroIsTheBlackUnitDiscAndTheSecondClickRestores) {
    openplain();
    const Surface image = app.g_vhdc;
    const Surface shown = app.window;
    rightclick(225, 150);
    EXPECT_EQ(app.s.okjulia, juliapreview::shown);
    EXPECT_EQ(app.s.tjcx, 0.0);
    EXPECT_EQ(app.s.tjcy, 0.0);
    EXPECT_EQ(host.laststatus(1), "      cx:  0.000000      cy:  0.000000");
    EXPECT_TRUE(samepixels(app.g_jhdc, shown, {0, 0, 150, 150}));

    for (int j = 1; j < 149; ++j) {
        for (int i = 1; i < 149; ++i) {
            const double x = -2.0 + 4.0 * i / 149, y = -2.0 + 4.0 * (149 - j) / 149;
            const double r = std::sqrt(x * x + y * y);
            if (r < 0.98) {
                EXPECT_EQ(app.g_vhdc.getpixel(i, j), black) << i << "," << j;
            } else if (r > 1.02) {
                EXPECT_NE(app.g_vhdc.getpixel(i, j), black) << i << "," << j;
            }
        }
    }
    // Top, right and bottom of the frame; the left side and (0, 149) stay.
    for (int k = 0; k < 150; ++k) EXPECT_EQ(app.g_vhdc.getpixel(k, 0), white);
    for (int k = 0; k < 149; ++k) EXPECT_EQ(app.g_vhdc.getpixel(149, k), white);
    for (int k = 1; k < 150; ++k) EXPECT_EQ(app.g_vhdc.getpixel(k, 149), white);
    for (int k = 1; k < 150; ++k) EXPECT_EQ(app.g_vhdc.getpixel(0, k), image.getpixel(0, k));
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 150, 150}));

    rightclick(10, 10);
    EXPECT_EQ(app.s.okjulia, juliapreview::available);
    EXPECT_EQ(app.g_vhdc, image);
    EXPECT_TRUE(samepixels(app.window, shown, {0, 0, 301, 301}));
    EXPECT_EQ(host.laststatus(1), history11);
}

TEST(JuliaPreview, AFarConstantEscapesAtOnceEverywhere) {
    FakeHost host;
    App app(host);
    app.g_vhdc = Surface(200, 200, grey);
    app.window = Surface(200, 200);
    app.s.tjcx = 9.0;
    app.s.tjcy = -9.0;  // |c| above 12
    julia(app);
    const auto& e = app.s.palette[5];
    for (int j = 1; j < 149; ++j)
        for (int i = 1; i < 149; ++i) ASSERT_EQ(app.g_vhdc.getpixel(i, j), rgb(e[0], e[1], e[2]));
    // Outside the preview nothing is touched; the window shows the corner.
    EXPECT_EQ(app.g_vhdc.getpixel(150, 150), grey);
    EXPECT_EQ(app.g_vhdc.getpixel(0, 149), grey);
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 150, 150}));
    EXPECT_EQ(app.window.getpixel(150, 150), black);
    EXPECT_EQ(app.s.okjulia, juliapreview::shown);
}

TEST(JuliaPreview, UsesTheExponentOverAFixedSquare) {
    auto preview = [](int exponent, double xmin, double xmax) {
        FakeHost host;
        App app(host);
        app.g_vhdc = Surface(150, 150);
        app.window = Surface(150, 150);
        app.s.exponent = exponent;
        app.s.xmin = xmin;
        app.s.xmax = xmax;
        julia(app);
        return app.g_vhdc;
    };
    const Surface square = preview(2, -2.25, 0.75);
    EXPECT_EQ(preview(2, 0.1, 0.1001), square);  // the main image's zoom plays no part
    // Pixel (123, 74) is z = 1.3020 + 0.0134i: under z^2 it passes 4 at the third step
    // (entry 7), under z^3 at the second (entry 6).
    const auto& e6 = defpalette()[6];
    const auto& e7 = defpalette()[7];
    EXPECT_EQ(square.getpixel(123, 74), rgb(e7[0], e7[1], e7[2]));
    EXPECT_EQ(preview(3, -2.25, 0.75).getpixel(123, 74), rgb(e6[0], e6[1], e6[2]));
}

TEST_F(Window, JTakesThePreviewToTheJuliaHomeView) {
    openplain();
    drag(0, 0, 150, 150);
    key('Z');
    rightclick(100, 80);
    const double cx = app.s.tjcx, cy = app.s.tjcy;
    host.input.push_back(Message::key('J'));
    ProgramTurn(app);
    const State& s = app.s;
    EXPECT_EQ(s.ftype, settype::julia);
    EXPECT_EQ(s.jcx, cx);
    EXPECT_EQ(s.jcy, cy);
    EXPECT_EQ(s.okjulia, juliapreview::unavailable);
    EXPECT_EQ(s.xmin, -2.25);
    EXPECT_EQ(s.jymax, 2.25);
    EXPECT_EQ(s.z[1][1].cx, cx);
    EXPECT_EQ(host.laststatus(1), "      current J-set: 2 / 2");
    settle();
    // The Mandelbrot history is untouched, and a right click on a Julia image
    // does nothing.
    EXPECT_EQ(s.zctmax[0], 1);
    const Surface image = app.g_vhdc;
    rightclick(100, 100);
    EXPECT_EQ(s.okjulia, juliapreview::unavailable);
    EXPECT_EQ(app.g_vhdc, image);
}

TEST_F(Window, APreviewOnScreenRefusesBoxesHistoryModesAndPlot) {
    openplain();
    drag(0, 0, 150, 150);
    key('Z');
    rightclick(100, 80);
    ASSERT_EQ(app.s.okjulia, juliapreview::shown);
    const int before = boxes();
    press(20, 20);
    EXPECT_EQ(app.s.drawbox, 0);
    for (int k :
         {int(key::back), int('O'), int('E'), int('I'), int('R'), int(key::f1), int('G'), int('D')})
        key(k);
    EXPECT_EQ(boxes(), before);
    EXPECT_EQ(app.s.okfractal, 0);
    EXPECT_EQ(app.s.zct[0], 1);
    EXPECT_EQ(app.s.okorbits + app.s.okescher + app.s.okinvert, 0);
    // Help, About and Exit are never refused.
    key(key::f2);
    EXPECT_EQ(host.helpshown.size(), 1u);
}

// ---- the mode keys -----------------------------------------------------------------

TEST_F(Window, OrbitModeDrawsItsSquareAndLeavesWithTheHistoryView) {
    openplain();
    key('K');  // only in orbit mode
    EXPECT_EQ(boxes(), 0);
    drag(0, 0, 150, 150);
    key('Z');
    app.s.maxiter = 500;  // a working value the history entry does not hold
    host.input.push_back(Message::key('O'));
    ProgramTurn(app);
    const State& s = app.s;
    EXPECT_EQ(lastbox().text,
              "Press \"O\" again to exit\n   orbit tracing mode.\n\nRight-click any point\n"
              "   to trace its orbit.\n\nPress \"K\" to toggle\n   line-drawing mode");
    EXPECT_EQ(lastbox().title, "Orbit Tracing");
    EXPECT_EQ(host.laststatus(1), " ");
    EXPECT_EQ(s.okorbits, 1);
    EXPECT_EQ(s.inside, inside::orbittracing);
    EXPECT_EQ(s.outside, outside::orbittracing);
    EXPECT_EQ(s.maxiter, 32);
    EXPECT_EQ(s.maxsize, 2.0);
    EXPECT_EQ(s.mxmin, -2.25);
    EXPECT_EQ(s.mymax, 2.25);
    EXPECT_EQ(app.g_ohdc.width(), 301);
    EXPECT_EQ(s.okfractal, 1);
    settle();
    EXPECT_EQ(app.g_ohdc, app.g_vhdc);  // the clean picture orbits are drawn on
    EXPECT_EQ(s.zctmax[0], 1);          // nothing was pushed
    // A right click traces an orbit instead of a preview.
    host.pauses.clear();
    rightclick(150, 150);
    EXPECT_FALSE(host.pauses.empty());
    EXPECT_EQ(s.okjulia, juliapreview::available);

    // Refused in orbit mode: E, I, T, the palette and the coloring commands.
    app.s.outside = outside::tia;
    const int before = boxes();
    for (int k : {int('E'), int('I'), int('T'), int('G'), int('D')}) key(k);
    EXPECT_EQ(boxes(), before);
    EXPECT_EQ(s.okescher + s.okinvert, 0);

    key('K');
    EXPECT_EQ(lastbox().text, "connecting line mode off");
    EXPECT_EQ(s.oklines, 0);
    key('K');
    EXPECT_EQ(lastbox().text, "connecting line mode on");
    EXPECT_EQ(lastbox().title, "Orbit Tracing");

    host.input.push_back(Message::key('O'));
    ProgramTurn(app);
    EXPECT_EQ(s.okorbits, 0);
    EXPECT_TRUE(app.g_ohdc.empty());
    EXPECT_EQ(s.maxiter, 256);
    EXPECT_EQ(s.outside, outside::levelsets);
    EXPECT_EQ(s.inside, inside::solidcolor);
    EXPECT_EQ(s.mxmax, s.z[0][1].xmax);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    EXPECT_EQ(s.okfractal, 1);
    EXPECT_EQ(s.j, 1);  // a new image, its first row drawn
}

TEST_F(Window, EscherJuliaAndInversionExcludeTheOtherModes) {
    openplain();
    const State& s = app.s;
    key('E');
    EXPECT_EQ(lastbox().text, "Press \"E\" again to exit\n   Escher-Julia mode.");
    EXPECT_EQ(lastbox().title, "Escher-Julia");
    EXPECT_EQ(s.okescher, 1);
    EXPECT_EQ(host.laststatus(1), " ");
    int before = boxes();
    key('O');
    key('I');
    EXPECT_EQ(boxes(), before);
    EXPECT_EQ(s.okorbits + s.okinvert, 0);
    drag(10, 10, 100, 100);  // no zoom box in this mode
    EXPECT_EQ(s.zooming, 0);
    key('E');
    EXPECT_EQ(s.okescher, 0);
    EXPECT_EQ(boxes(), before);  // leaving says nothing
    EXPECT_EQ(host.laststatus(1), history11);

    key('I');
    EXPECT_EQ(lastbox().text, "Press \"I\" again to exit\n   inversion mode.");
    EXPECT_EQ(lastbox().title, "Inversion Mode");
    before = boxes();
    key('O');
    key('E');
    EXPECT_EQ(boxes(), before);
    EXPECT_EQ(s.okorbits + s.okescher, 0);
    key('I');
    EXPECT_EQ(lastbox().text, "Inversion mode off.");
    EXPECT_EQ(s.okinvert, 0);
}

TEST_F(Window, TStepsTheVariantOnlyWithATriangleInequalityColoring) {
    openplain();
    State& s = app.s;
    s.outside = outside::integertia;  // Integer TIA is not one of them
    s.inside = inside::solidcolor;
    key('T');
    EXPECT_EQ(boxes(), 0);
    s.outside = outside::tia;
    for (const char* name :
         {"TIA algorithm: Damien Jones", "TIA algorithm: Kerry Mitchell", "TIA algorithm: KX"}) {
        key('T');
        EXPECT_EQ(lastbox().text, name);
        EXPECT_EQ(lastbox().title, "TIA");
    }
    EXPECT_EQ(s.tiaflag, tiaalgorithm::kx);
    s.outside = outside::levelsets;
    s.inside = inside::tia;
    key('T');
    EXPECT_EQ(s.tiaflag, tiaalgorithm::damienjones);
    EXPECT_EQ(s.okfractal, 0);  // nothing is redrawn

    key('I');
    settle();
    for (int n = 0; n < 2; ++n) {
        key('T');
        EXPECT_EQ(lastbox().text, "KX algorithm required\n   for inversion mode.");
        EXPECT_EQ(s.tiaflag, tiaalgorithm::kx);
    }
}

TEST_F(Window, AltMTogglesThePalettePreviewPlainMIsTheMapCommand) {
    openplain();
    key('M', true);
    EXPECT_EQ(app.s.palpreview, 0);
    EXPECT_EQ(lastbox().text, "Palette preview disabled.");
    EXPECT_EQ(lastbox().title, "Preview");
    key('M', true);
    EXPECT_EQ(app.s.palpreview, 1);
    EXPECT_EQ(lastbox().text, "Palette preview enabled.");
    Message m = Message::key('M');
    ASSERT_TRUE(translateaccelerator(m));
    EXPECT_EQ(m.type, MessageType::command);
    EXPECT_EQ(m.id, cmd::mapfile);
}

TEST(Accelerators, PlainKeysOnlyAndEveryMenuCommandHasOne) {
    for (const MenuItem& item : menu) {
        // The items of a choice are set in the menu, with no key.
        if (item.command == 0 || item.choice) continue;
        bool found = false;
        for (const Accelerator& a : accelerators) found = found || a.command == item.command;
        EXPECT_TRUE(found) << item.caption;
    }
    Message alt = Message::key(key::f4, true);  // ALT + F4 closes nothing
    EXPECT_FALSE(translateaccelerator(alt));
    Message ctrl = Message::key('L');
    ctrl.ctrl = true;
    EXPECT_FALSE(translateaccelerator(ctrl));
    Message z = Message::key('Z');
    EXPECT_FALSE(translateaccelerator(z));
    Message esc = Message::key(key::escape);
    ASSERT_TRUE(translateaccelerator(esc));
    EXPECT_EQ(esc.id, cmd::exit);
}

}  // namespace
}  // namespace vantrel
