#pragma once

#include <string>

#include "platform/rect.h"

namespace vantrel {

enum class Cursor { arrow, wait, cross };

enum class Icon { none, information, exclamation, question };
enum class Buttons { ok, yesno };
// Answers of a message box, with their Win32 values.
constexpr int IDOK = 1, IDYES = 6, IDNO = 7;

// What the program needs from the window system. The Qt host does it for real,
// the batch renderer quietly, and the tests record every call.
class Host {
public:
    virtual ~Host() = default;

    // Text of status-bar part 0 (pointer position) or 1 (history, modes).
    virtual void statustext(int part, const std::string& text) = 0;
    // Shows the cursor and returns the one it replaces.
    virtual Cursor setcursor(Cursor c) = 0;
    // Moves the mouse pointer to a screen position, where the platform allows it.
    virtual void setpointer(int x, int y) = 0;
    // The rectangle of the window surface has changed and should be shown.
    virtual void present(const Rect& r) = 0;
    // While disabled, no mouse or keyboard input reaches the main window.
    virtual void enablewindow(bool on) = 0;
    // Shows everything drawn so far, then waits.
    virtual void pause(int milliseconds) = 0;
    // A modal message box; `owned` boxes belong to the main window (or the dialog).
    // Returns IDOK, IDYES or IDNO.
    virtual int messagebox(const std::string& text, const std::string& title, Icon icon,
                           bool owned, Buttons buttons = Buttons::ok) = 0;
};

// A host without a window: it keeps the cursor it was given and nothing else.
class QuietHost : public Host {
public:
    void statustext(int, const std::string&) override {}
    Cursor setcursor(Cursor c) override {
        Cursor old = cursor_;
        cursor_ = c;
        return old;
    }
    void setpointer(int, int) override {}
    void present(const Rect&) override {}
    void enablewindow(bool) override {}
    void pause(int) override {}
    int messagebox(const std::string&, const std::string&, Icon, bool, Buttons) override {
        return IDOK;
    }

private:
    Cursor cursor_ = Cursor::arrow;
};

}  // namespace vantrel
