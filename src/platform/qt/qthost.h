#pragma once

#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/host.h"

class QLabel;
class QMainWindow;

namespace vantrel {

class ImageView;
class MainFrame;
class PictureWindow;
class HelpWindow;

// The host on a Qt desktop. Input events become messages in a queue; the loop's
// turns run from a zero-time timer while there is something to do, so the program
// draws between events and sleeps when idle. Needs a QApplication.
class QtHost : public Host {
  public:
    QtHost();
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // The window surface: what the client area above the status bar shows.
    void attach(const Surface& window) { surface_ = &window; }
    const Surface* surface() const { return surface_; }

    void statustext(int part, const std::string& text) override;
    Cursor setcursor(Cursor c) override;
    void setpointer(int x, int y) override;
    void present(const Rect& r) override;
    void enablewindow(bool on) override;
    void pause(int milliseconds) override;
    int messagebox(const std::string& text, const std::string& title, Icon icon, bool owned,
                   Buttons buttons) override;
    int rundialog(BoundDialog& d) override;
    bool openfile(FileChoice& f) override;
    bool savefile(FileChoice& f) override;
    bool getmessage(Message& m) override;
    void runloop(const std::function<Turn()>& turn) override;
    int screenwidth() override;
    int screenheight() override;
    int colordepth() override;
    bool registerclass(const std::string& name) override;
    bool createmainwindow(const std::string& caption, const Rect& frame) override;
    Rect clientrect() override;
    Rect createstatusbar(int right0, int right1) override;
    void showmainwindow(bool on) override;
    void showcursor(bool on) override;
    int openpopup(const Rect& frame) override;
    void drawpopup(int id, const Surface& picture) override;
    void closepopup(int id) override;
    void lettering(Surface& s, const std::string& text, const Rect& box, int pixels,
                   Rgb color) override;
    std::string helpfile() override;
    bool showhelp(const std::string& path) override;
    void closehelp() override;

    // From the widgets: an event of the window system, as a message. Input for a
    // disabled main window is dropped, as the window system would.
    void input(const Message& m);
    // Device pixels per logical pixel of the main window's screen.
    double ratio() const;
    // For tests: the widgets.
    QMainWindow* mainwindow() const;
    ImageView* view() const { return view_; }
    QLabel* statuspart(int part) const { return part == 0 ? part0_ : part1_; }
    std::size_t waiting() const { return queue_.size(); }
    // The turn the timer runs, and one run of it as the timer makes it: nothing
    // while a turn or a modal box is under way. False once a turn ended the loop.
    void drive(const std::function<Turn()>& turn) { turn_ = turn; }
    bool tick();

  private:
    void wake();
    // Runs a modal window's own event loop with the turns held off: that loop
    // would otherwise run them, and an image would advance behind the window.
    int modal(const std::function<int()>& run);
    // The owner of dialogs: the main window once it is on the screen.
    QWidget* owner() const;

    const Surface* surface_ = nullptr;
    std::deque<Message> queue_;
    std::function<Turn()> turn_;
    QTimer timer_;
    bool running_ = false;
    bool inturn_ = false;
    int modal_ = 0;
    bool enabled_ = true;
    bool ended_ = false;
    int hidden_ = 0;  // the pointer is hidden while this is below 0
    Cursor cursor_ = Cursor::cross;
    Rect frame_{};  // the main window's outer rectangle, as asked for

    QPointer<MainFrame> main_;
    ImageView* view_ = nullptr;
    QLabel* part0_ = nullptr;
    QLabel* part1_ = nullptr;
    int part0width_ = 0;  // the first part's own width, which longer texts widen
    std::map<int, QPointer<PictureWindow>> popups_;
    int nextpopup_ = 1;
    QPointer<HelpWindow> help_;
};

}  // namespace vantrel
