#include "shell/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/loop.h"
#include "shell/splash.h"
#include "slowreference.h"
#include "state/history.h"
#include "ui/explorer.h"

namespace vantrel {
namespace {

// Position of `word` in the log after `from`, or -1.
int find(const std::vector<std::string>& log, const std::string& word, int from = 0) {
    for (int i = from; i < static_cast<int>(log.size()); ++i)
        if (log[i] == word) return i;
    return -1;
}

TEST(Startup, TheImageIsSquareFromTheScreenHeight) {
    // Screens too small for the rule get the smallest image, which is drawn to
    // its end like any other: then the loop is idle.
    for (auto [height, size] :
         {std::pair{768, 600}, {700, 572}, {1080, 600}, {161, 33}, {160, 32}, {100, 32}, {0, 32}}) {
        Explorer e(height);
        ASSERT_EQ(e.start(), 0);
        EXPECT_EQ(e.app.s.xres, size) << height;
        EXPECT_EQ(e.app.s.yres, size) << height;
        EXPECT_EQ(e.app.g_vhdc.width(), size);
        if (height < 200) {
            EXPECT_TRUE(e.settle()) << height;
        }
    }
}

TEST(Startup, WindowStatusBarAndItsFirstText) {
    Explorer e(1080);
    ASSERT_EQ(e.start(), 0);
    const FakeHost& h = e.host;
    EXPECT_EQ(h.caption, "KX Korvantis");
    EXPECT_EQ(h.frame, (Rect{0, 0, 1920, 1042}));
    EXPECT_EQ(h.statusedges, (std::pair{320, 1920}));
    EXPECT_EQ(e.app.s.statusdim.bottom, 20);
    ASSERT_FALSE(h.status.empty());
    EXPECT_EQ(h.status.front().part, 1);
    EXPECT_EQ(h.status.front().text, "      current M-set: 1 / 1");
    EXPECT_EQ(h.shown, std::vector<bool>{true});
    // The kinds of window, in the order the program asks for them.
    EXPECT_EQ(h.registered, (std::vector<std::string>{"KXWindow", "KXAboutWindow"}));
    // The window is created and filled in before it is shown.
    EXPECT_LT(find(h.log, "create"), find(h.log, "statusbar"));
    EXPECT_LT(find(h.log, "statusbar"), find(h.log, "show"));
}

TEST(Startup, EachFailureShowsItsMessageAndEndsWithZero) {
    struct Case {
        const char* what;
        void (*spoil)(FakeHost&);
        const char* text;
    };
    const Case cases[] = {
        {"16-bit display", [](FakeHost& h) { h.depth = 16; }, "Couldn't initialize graphics."},
        {"no window", [](FakeHost& h) { h.cancreate = false; }, "Couldn't create window."},
        {"no main class", [](FakeHost& h) { h.unregistrable.insert("KXWindow"); },
         "Couldn't register window class."},
        {"no About class", [](FakeHost& h) { h.unregistrable.insert("KXAboutWindow"); },
         "Couldn't register window class."},
    };
    for (const Case& c : cases) {
        Explorer e;
        c.spoil(e.host);
        EXPECT_EQ(WinMain(e.app, "", MainWindowProc), 0) << c.what;
        ASSERT_EQ(e.host.boxes.size(), 1u) << c.what;
        EXPECT_EQ(e.host.boxes[0].text, c.text);
        EXPECT_EQ(e.host.boxes[0].title, "Error");
        EXPECT_EQ(e.host.boxes[0].icon, Icon::exclamation);
        EXPECT_FALSE(e.host.boxes[0].owned);
        EXPECT_TRUE(e.host.shown.empty()) << c.what;  // never shown
        EXPECT_EQ(e.host.turns, 0) << c.what;         // and the loop never ran
    }
    // On a display of too few colors the window did exist: it was made, not shown.
    Explorer e;
    e.host.depth = 16;
    WinMain(e.app, "", MainWindowProc);
    EXPECT_NE(find(e.host.log, "create"), -1);
    EXPECT_FALSE(e.app.g_vhdc.empty());
}

TEST(Splash, CentredForTwoSecondsAtStartAndEnd) {
    Explorer e(1080, true);
    e.host.input.push_back(Message::key(key::escape));
    EXPECT_EQ(WinMain(e.app, "", MainWindowProc), 0);
    const FakeHost& h = e.host;
    ASSERT_EQ(h.popups.size(), 2u);
    EXPECT_EQ(h.popups.at(1).frame, (Rect{780, 360, 1140, 720}));
    EXPECT_EQ(h.popups.at(2).frame, (Rect{740, 380, 1180, 700}));
    EXPECT_EQ(h.popups.at(1).picture.width(), 360);
    EXPECT_EQ(h.popups.at(1).picture.height(), 360);
    EXPECT_EQ(h.popups.at(2).picture.width(), 440);
    EXPECT_EQ(h.popups.at(2).picture.height(), 320);
    EXPECT_EQ(h.openpopups(), 0);
    EXPECT_EQ(h.cursorcount, 0);  // the pointer is visible again
    EXPECT_EQ(std::count(h.letters.begin(), h.letters.end(), "Vantrel"), 2);

    // The start splash: while the window is being made, before it is shown.
    const std::vector<std::string> first = {"open 1",     "enable 0", "cursor off", "draw 1",
                                            "pause 2000", "close 1",  "cursor on",  "enable 1"};
    int at = find(h.log, "open 1");
    ASSERT_GT(at, find(h.log, "create"));
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(h.log[at + i], first[i]);
    EXPECT_LT(at, find(h.log, "show"));

    // The closing splash: after the window is hidden; the window stays disabled.
    const std::vector<std::string> last = {"open 2",     "enable 0", "cursor off", "draw 2",
                                           "pause 2000", "close 2",  "cursor on"};
    at = find(h.log, "open 2");
    ASSERT_GT(at, find(h.log, "hide"));
    for (std::size_t i = 0; i < last.size(); ++i) EXPECT_EQ(h.log[at + i], last[i]);
    EXPECT_EQ(find(h.log, "enable 1", at), -1);
}

TEST(Splash, WithoutTheirWindowsTheProgramStartsAndEndsAtOnce) {
    Explorer e(1080, false);
    e.host.input.push_back(Message::key(key::escape));
    EXPECT_EQ(WinMain(e.app, "", MainWindowProc), 0);
    EXPECT_TRUE(e.host.popups.empty());
    EXPECT_EQ(std::count(e.host.pauses.begin(), e.host.pauses.end(), 2000), 0);
    EXPECT_EQ(e.app.s.oksplash1 + e.app.s.oksplash2, 0);
}

TEST(About, CentredUntilAKeyOrAButtonInIt) {
    for (MessageType closer :
         {MessageType::key, MessageType::lbuttondown, MessageType::rbuttondown}) {
        Explorer e(1080);
        ASSERT_EQ(e.start(), 0);
        e.app.posted.clear();
        e.key(key::f3);
        const FakeHost& h = e.host;
        ASSERT_EQ(h.popups.size(), 1u);
        EXPECT_EQ(h.popups.at(1).frame, (Rect{720, 420, 1200, 660}));
        EXPECT_EQ(h.popups.at(1).picture.width(), 480);
        EXPECT_EQ(h.popups.at(1).picture.height(), 240);
        EXPECT_EQ(h.enabled.back(), false);
        EXPECT_EQ(e.app.g_hAboutwnd, 1);

        // Moving it draws it again; what the main window would get changes nothing.
        e.send({MessageType::move, 1});
        EXPECT_EQ(h.popups.at(1).draws, 2);
        EXPECT_TRUE(h.popups.at(1).open);

        e.send({closer, 1});
        EXPECT_FALSE(h.popups.at(1).open);
        EXPECT_EQ(h.enabled.back(), true);
        EXPECT_EQ(e.app.g_hAboutwnd, 0);
        EXPECT_TRUE(e.app.g_vabouthdc.empty());
        // Later messages for the closed window go nowhere.
        e.send({MessageType::key, 1});
        EXPECT_EQ(h.enabled.size(), 2u);
    }
}

TEST(About, AWindowThatCannotBeMadeLeavesTheMainWindowUsable) {
    Explorer e(1080);
    ASSERT_EQ(e.start(), 0);
    e.app.posted.clear();
    e.host.canpopup = false;
    e.command(cmd::about);
    EXPECT_TRUE(e.host.enabled.empty() || e.host.enabled.back());
    EXPECT_EQ(e.app.g_hAboutwnd, 0);
}

TEST(Loop, PostedMessagesFirstThenInputOneRowAfterEach) {
    Explorer e;
    ASSERT_EQ(e.start(), 0);
    App& app = e.app;
    app.posted.clear();
    app.post(Message::key('D'));
    app.post(Message::key('G'));
    e.host.input.push_back(Message::key('M', true));
    for (int n = 0; n < 3; ++n) EXPECT_EQ(ProgramTurn(app), n < 1 ? Turn::busy : Turn::idle);
    ASSERT_EQ(e.host.boxes.size(), 3u);
    EXPECT_EQ(e.host.boxes[0].title, "Default Palette");
    EXPECT_EQ(e.host.boxes[1].title, "Greyscale");
    EXPECT_EQ(e.host.boxes[2].title, "Preview");

    // Drawing goes on without input, one row a turn, and says it is busy.
    e.host.input.push_back(Message::key(key::f1));
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(ProgramTurn(app), Turn::busy);
        EXPECT_EQ(app.s.j, n);
    }
    // An idle loop says so; the quit message ends it with its code.
    app.s.okfractal = 0;
    EXPECT_EQ(ProgramTurn(app), Turn::idle);
    app.post(Message::quitcode(7));
    EXPECT_EQ(ProgramDriver(app), 7);
}

// Pausing an image whose reference orbit is still being computed puts the status
// bar's text back in place of the orbit's progress.
TEST(Loop, APausedImageShowsNoProgressOfItsReferenceOrbit) {
    Explorer e;
    ASSERT_EQ(e.start(), 0);
    App& app = e.app;
    app.posted.clear();
    State& s = app.s;
    slowreferenceview(app);
    showhistory(app);
    const std::string history = e.host.laststatus(1);
    s.j = 0;
    s.okfractal = 1;
    const auto progress = [&] {
        return e.host.laststatus(1).find("reference orbit") != std::string::npos;
    };
    for (int n = 0; n < 1000000 && s.okfractal && !progress(); ++n) ProgramTurn(app);
    ASSERT_TRUE(progress());
    e.host.input.push_back(Message::key(key::pause));
    ProgramTurn(app);
    EXPECT_EQ(s.okfractal, 0);
    EXPECT_EQ(e.host.laststatus(1), history);
}

TEST(Loop, ASessionFromStartToEscape) {
    Explorer e(429);
    // The first image is drawn while the window has nothing else to do...
    ASSERT_EQ(e.start(), 0);
    e.settle();
    EXPECT_EQ(e.app.s.okzoom, 1);
    EXPECT_EQ(e.app.s.okjulia, juliapreview::available);
    EXPECT_TRUE(samepixels(e.app.window, e.app.g_vhdc, {0, 0, 301, 301}));
    EXPECT_EQ(e.host.pointer.back(), (std::pair{100, 100}));
    // ...and Esc afterwards ends the loop with 0.
    e.host.input = {Message::key(key::escape)};
    EXPECT_EQ(ProgramDriver(e.app), 0);
    EXPECT_EQ(e.host.shown.back(), false);
}

}  // namespace
}  // namespace vantrel
