#pragma once

#include <QImage>
#include <QMainWindow>
#include <QTextBrowser>
#include <QWidget>

#include "platform/message.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace vantrel {

class QtHost;

// Our key code for a Qt key, 0 for a key the program has no use for.
int keycode(const QKeyEvent* e);
// A key event as a message for `window`.
Message keymessage(const QKeyEvent* e, int window);
// A wheel event as a message: the vertical turn in wheel units (120 a notch).
Message wheelmessage(const QWheelEvent* e, double ratio);

// The client area above the status bar: shows the window surface pixel for pixel
// and reports the mouse in device pixels.
class ImageView : public QWidget {
  public:
    explicit ImageView(QtHost& host);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // Tab and Backtab would move the focus instead of reaching the program.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    Message mouse(MessageType t, const QMouseEvent* e) const;
    QtHost& host_;
};

// The main window: the close box and moves become messages.
class MainFrame : public QMainWindow {
  public:
    explicit MainFrame(QtHost& host);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QtHost& host_;
};

// A frameless window showing one picture; its key and button presses become
// messages for its id.
class PictureWindow : public QWidget {
  public:
    PictureWindow(QtHost& host, int id);
    void setpicture(const QImage& picture);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    QtHost& host_;
    int id_;
    QImage picture_;
};

// The help document in a window of its own.
class HelpWindow : public QTextBrowser {
  public:
    HelpWindow();
};

}  // namespace vantrel
