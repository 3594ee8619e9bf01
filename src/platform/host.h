#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/message.h"
#include "platform/rect.h"
#include "platform/surface.h"

namespace vantrel {

enum class Cursor { arrow, wait, cross };

enum class Icon { none, information, exclamation, question };
enum class Buttons { ok, yesno };
// Answers of a message box, with their Win32 values.
constexpr int IDOK = 1, IDYES = 6, IDNO = 7;

// What one turn of the program's loop left behind: more to do at once (a message
// waiting or an image being drawn), nothing until the next input, or the end.
enum class Turn { busy, idle, quit };

// One file dialog: what it lists and how it starts, and what the user chose.
struct FileChoice {
    struct Filter {
        std::string name;     // "Targa files (*.tga)"
        std::string pattern;  // "*.tga"
    };
    std::string title;
    std::vector<Filter> filters;  // the first one is selected as the dialog opens
    std::string defext;           // added to a typed name without extension ("tga", no dot);
                                  // another filter, once selected, brings its own
    // Where the dialog starts: a directory and a pattern ("/home/me/*.map") lists
    // that directory, a full path starts beside that file with its name filled in,
    // an empty text starts wherever the host likes. On OK the chosen full path.
    std::string path;
    std::string name;  // on OK: the chosen file's name without its directory
};

// What the program needs from the window system. The Qt host does it for real,
// the batch renderer quietly, and the tests record every call.
//
// Coordinates are device pixels throughout: one image pixel is one screen pixel.
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
    // Shows everything drawn so far, then waits. No input is handled meanwhile.
    virtual void pause(int milliseconds) = 0;
    // A modal message box; `owned` boxes belong to the main window (or the dialog).
    // Returns IDOK, IDYES or IDNO.
    virtual int messagebox(const std::string& text, const std::string& title, Icon icon, bool owned,
                           Buttons buttons = Buttons::ok) = 0;

    // A modal dialog built from `d.table` and filled from `d.fields`. OK copies
    // the controls back into `d.fields` and asks `d.ok`: a refusal is shown in an
    // exclamation box owned by the dialog, titled with the table's `errortitle`,
    // and the dialog stays open with the focus on the refused field; an accepted
    // OK shows its notices in information boxes without owner and closes the
    // dialog. Returns `dialogok`, or `dialogcancel` for Cancel and the close box.
    virtual int rundialog(BoundDialog& d) = 0;
    // The open dialog (the file must exist) and the save dialog (its folder must
    // exist; replacing a file is confirmed first). True with `path` and `name`
    // filled in, false when the user cancelled, and then `f` is unchanged.
    virtual bool openfile(FileChoice& f) = 0;
    virtual bool savefile(FileChoice& f) = 0;

    // The loop. `getmessage` takes the next input message if one is waiting.
    // `runloop` calls `turn` between input events, never while a message box or a
    // modal dialog is open, and returns once a turn answers Turn::quit.
    virtual bool getmessage(Message& m) = 0;
    virtual void runloop(const std::function<Turn()>& turn) = 0;

    // The screen, read once at start-up.
    virtual int screenwidth() = 0;
    virtual int screenheight() = 0;
    virtual int colordepth() = 0;  // bits per pixel

    // The main window. A kind of window the host cannot make is refused at
    // registration; `frame` is the outer rectangle on the screen. The client area
    // is everything below the menu bar, the status bar included.
    virtual bool registerclass(const std::string& name) = 0;
    virtual bool createmainwindow(const std::string& caption, const Rect& frame) = 0;
    virtual Rect clientrect() = 0;
    // A status bar of two parts with these right edges; returns its client rectangle.
    virtual Rect createstatusbar(int right0, int right1) = 0;
    virtual void showmainwindow(bool on) = 0;
    // Hides or shows the mouse pointer; calls nest like a counter.
    virtual void showcursor(bool on) = 0;

    // Frameless picture windows above the main window (splash, About). `openpopup`
    // returns the window's id, 0 when it cannot be made; the window's own input
    // comes back as messages with that id.
    virtual int openpopup(const Rect& frame) = 0;
    // Copies the picture to the popup's top-left corner.
    virtual void drawpopup(int id, const Surface& picture) = 0;
    virtual void closepopup(int id) = 0;
    // Letters `text` centred in `box` of a surface, `pixels` high, in a plain
    // typeface with a soft shadow. A host without fonts leaves the surface alone.
    virtual void lettering(Surface& s, const std::string& text, const Rect& box, int pixels,
                           Rgb color) = 0;

    // The help document: where it is, show its contents page (false when it cannot
    // be loaded or shown), and close its window when the program ends.
    virtual std::string helpfile() = 0;
    virtual bool showhelp(const std::string& path) = 0;
    virtual void closehelp() = 0;
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
    // Nobody to ask: every dialog is cancelled.
    int rundialog(BoundDialog&) override { return dialogcancel; }
    bool openfile(FileChoice&) override { return false; }
    bool savefile(FileChoice&) override { return false; }
    bool getmessage(Message&) override { return false; }
    // Without input, turning on past the last busy turn would never end.
    void runloop(const std::function<Turn()>& turn) override {
        while (turn() == Turn::busy) {
        }
    }
    int screenwidth() override { return 0; }
    int screenheight() override { return 0; }
    int colordepth() override { return 24; }
    bool registerclass(const std::string&) override { return true; }
    bool createmainwindow(const std::string&, const Rect&) override { return true; }
    Rect clientrect() override { return {}; }
    Rect createstatusbar(int, int) override { return {}; }
    void showmainwindow(bool) override {}
    void showcursor(bool) override {}
    int openpopup(const Rect&) override { return 0; }
    void drawpopup(int, const Surface&) override {}
    void closepopup(int) override {}
    void lettering(Surface&, const std::string&, const Rect&, int, Rgb) override {}
    std::string helpfile() override { return {}; }
    bool showhelp(const std::string&) override { return false; }
    void closehelp() override {}

  private:
    Cursor cursor_ = Cursor::arrow;
};

}  // namespace vantrel
