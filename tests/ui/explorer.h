#pragma once

// The whole program on a FakeHost: started as the shell starts it, driven by
// messages through the loop's own turn.

#include <gtest/gtest.h>

#include "fakehost.h"
#include "shell/loop.h"
#include "shell/shell.h"
#include "ui/mainwindow.h"

namespace vantrel {

class Explorer {
  public:
    // A screen 429 pixels high makes the image 301 x 301, whose pixel grid has
    // exact points: on the home view pixel (225, 150) is c = 0, and each pixel is
    // 0.01 wide.
    explicit Explorer(int yscreen = 429, bool splashes = false) {
        host.yscreen = yscreen;
        if (!splashes) host.unregistrable = {"KXSplash1Window", "KXSplash2Window"};
    }

    int start() {
        const int code = InitWindowClass(app, MainWindowProc);
        return code != 0 ? code : CreateMainWindow(app);
    }
    // Starts and draws the opening image to its end.
    void open() {
        ASSERT_EQ(start(), 0);
        settle();
        ASSERT_EQ(app.s.okzoom, 1);
    }
    // Starts, then draws the home view with the plain renderer instead of the
    // opening animation: quicker, and the same view.
    void openplain() {
        ASSERT_EQ(start(), 0);
        app.posted.clear();
        command(cmd::plot);
        ASSERT_EQ(app.s.okzoom, 1);
        ASSERT_EQ(app.s.okjulia, juliapreview::available);
    }

    // Turns until nothing is drawn and nothing waits; false once the program ended.
    bool settle() {
        for (int n = 0; n < 10000000; ++n) {
            const Turn t = ProgramTurn(app);
            if (t == Turn::quit) return false;
            if (t == Turn::idle && host.input.empty()) return true;
        }
        ADD_FAILURE() << "the loop never came to rest";
        return true;
    }
    // One message through the loop, then everything it started.
    bool send(const Message& m) {
        host.input.push_back(m);
        return settle();
    }
    // One message through the loop and its one render step, no more.
    Turn turn(const Message& m) {
        host.input.push_back(m);
        return ProgramTurn(app);
    }
    // One message as the loop hands it over, without the render step after it.
    void deliver(Message m) {
        translateaccelerator(m);
        DispatchMessage(app, m);
    }
    bool key(int code, bool alt = false) { return send(Message::key(code, alt)); }
    bool command(int id) { return send(Message::command(id)); }

    void press(int x, int y) { deliver(Message::mouse(MessageType::lbuttondown, x, y)); }
    void move(int x, int y) { deliver(Message::mouse(MessageType::mousemove, x, y)); }
    // Button up, and the message it may post to itself.
    void release(int x, int y) {
        deliver(Message::mouse(MessageType::lbuttonup, x, y));
        while (!app.posted.empty()) {
            const Message m = app.posted.front();
            app.posted.pop_front();
            deliver(m);
        }
    }
    void drag(int x0, int y0, int x1, int y1) {
        press(x0, y0);
        move(x1, y1);
        release(x1, y1);
    }
    void rightclick(int x, int y) { deliver(Message::mouse(MessageType::rbuttondown, x, y)); }

    int boxes() const { return static_cast<int>(host.boxes.size()); }
    const FakeHost::Box& lastbox() const { return host.boxes.back(); }

    FakeHost host;
    App app{host};
};

// Pixels of the rectangle equal in two surfaces.
inline bool samepixels(const Surface& a, const Surface& b, const Rect& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (a.getpixel(x, y) != b.getpixel(x, y)) return false;
    return true;
}

}  // namespace vantrel
