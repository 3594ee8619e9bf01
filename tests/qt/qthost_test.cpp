#include "platform/qt/qthost.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include "platform/qt/widgets.h"
#include "shell/loop.h"
#include "shell/shell.h"
#include "ui/mainwindow.h"
#include "ui/navigate.h"

namespace vantrel {
namespace {

void application() {
    static int argc = 1;
    static char name[] = "qt-tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own statics may already be gone at exit.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

class QtWindow : public ::testing::Test {
  protected:
    QtWindow() { application(); }

    void start() {
        host.attach(app.window);
        host.drive([this] { return ProgramTurn(app); });
        ASSERT_EQ(InitWindowClass(app, MainWindowProc), 0);
        app.s.oksplash1 = app.s.oksplash2 = 0;  // four seconds of nothing to test
        ASSERT_EQ(CreateMainWindow(app), 0);
    }
    bool idle() const {
        return !app.s.okfirstimage && !app.s.okfractal && app.posted.empty() && host.waiting() == 0;
    }
    // Window-system events and turns until nothing is left; false once it ended.
    bool settle() {
        for (int n = 0; n < 2000000; ++n) {
            QCoreApplication::processEvents();
            if (!host.tick()) return false;
            if (idle()) {
                QCoreApplication::processEvents();
                if (idle()) return true;
            }
        }
        ADD_FAILURE() << "never came to rest";
        return true;
    }
    QWidget* view() const { return host.view(); }
    void key(int qtkey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, qtkey, mods);
        QCoreApplication::sendEvent(view(), &e);
    }
    void mouse(QEvent::Type t, int x, int y, Qt::MouseButton b, Qt::MouseButtons held) {
        const QPointF p(x, y);
        QMouseEvent e(t, p, view()->mapToGlobal(p), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &e);
    }
    // What the screen shows of the client area.
    QImage shown() const { return view()->grab().toImage(); }
    bool showsimage() const {
        const QImage on = shown();
        for (int y = 0; y < app.s.yres; y += 7)
            for (int x = 0; x < app.s.xres; x += 7)
                if ((on.pixel(x, y) | 0xFF000000u) != app.g_vhdc.getpixel(x, y)) return false;
        return true;
    }
    std::string status(int part) const { return host.statuspart(part)->text().toStdString(); }

    QtHost host;
    App app{host};
};

TEST_F(QtWindow, StartsWithItsMenusAndStatusBarAndDrawsTheDefaultImage) {
    start();
    QMainWindow* w = host.mainwindow();
    EXPECT_EQ(w->windowTitle(), "KX Korvantis");
    EXPECT_EQ(w->pos(), QPoint(0, 0));
    QStringList bar;
    for (QAction* a : w->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"File   ", "Plot Fractal (F1)   ", "Options   ", "Help"}));
    QMenu* options = w->menuBar()->actions()[2]->menu();
    ASSERT_NE(options, nullptr);
    QStringList items;
    for (QAction* a : options->actions()) items << a->text();
    EXPECT_EQ(items, (QStringList{"Fractal Type (F4)   ", "Parameters (F5)   ", "Palette",
                                  "Coloring", "External Rays (F9)", "Anti-aliasing"}));
    // A choice of one: 1 checked at the start, a click checks another alone.
    QMenu* aa = options->actions()[5]->menu();
    ASSERT_NE(aa, nullptr);
    QStringList counts, checked;
    for (QAction* a : aa->actions()) {
        counts << a->text();
        if (a->isChecked()) checked << a->text();
    }
    EXPECT_EQ(counts, (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(checked, QStringList{"1"});
    aa->actions()[2]->trigger();
    EXPECT_FALSE(aa->actions()[0]->isChecked());
    EXPECT_TRUE(aa->actions()[2]->isChecked());
    aa->actions()[0]->trigger();
    EXPECT_EQ(host.statuspart(0)->width(), app.s.xscreen / 6);
    EXPECT_EQ(status(1), "      current M-set: 1 / 1");

    ASSERT_TRUE(settle());
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_TRUE(showsimage());
    // The image sits above the status bar.
    EXPECT_LE(app.s.ClientRes.bottom, view()->height());
}

TEST_F(QtWindow, KeysMouseAndMenusBecomeMessages) {
    start();
    ASSERT_TRUE(settle());
    Message m;
    key(Qt::Key_M, Qt::AltModifier);
    key(Qt::Key_M);
    key(Qt::Key_Backspace);
    key(Qt::Key_Pause);
    key(Qt::Key_F9);
    mouse(QEvent::MouseButtonPress, 12, 34, Qt::RightButton, Qt::RightButton);
    host.mainwindow()->menuBar()->actions()[1]->trigger();  // "Plot Fractal (F1)   "
    const std::vector<std::pair<MessageType, int>> want = {
        {MessageType::key, 'M'},          {MessageType::key, 'M'},
        {MessageType::key, key::back},    {MessageType::key, key::pause},
        {MessageType::key, key::f9},      {MessageType::rbuttondown, 0},
        {MessageType::command, cmd::plot}};
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(host.getmessage(m)) << i;
        EXPECT_EQ(m.type, want[i].first) << i;
        EXPECT_EQ(m.id, want[i].second) << i;
        EXPECT_EQ(m.alt, i == 0) << i;
    }
    EXPECT_EQ(m.type, MessageType::command);
    EXPECT_FALSE(host.getmessage(m));

    // A disabled main window gets no input, and its menus do not open.
    host.enablewindow(false);
    key(Qt::Key_Space);
    EXPECT_FALSE(host.getmessage(m));
    EXPECT_FALSE(host.mainwindow()->menuBar()->isEnabled());
    host.enablewindow(true);
}

TEST_F(QtWindow, ABoxZoomsAndTheHistoryKeysMoveThroughTheViews) {
    start();
    ASSERT_TRUE(settle());
    mouse(QEvent::MouseButtonPress, 40, 50, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, 140, 150, Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_EQ(status(1), "     aspect ratio:  1.000000");
    // The frame is on the screen, not in the image.
    EXPECT_EQ(shown().pixel(90, 50) | 0xFF000000u, white);
    EXPECT_NE(app.g_vhdc.getpixel(90, 50), white);
    mouse(QEvent::MouseButtonRelease, 140, 150, Qt::LeftButton, Qt::NoButton);
    key(Qt::Key_Z);
    ASSERT_TRUE(settle());
    EXPECT_EQ(status(1), "      current M-set: 2 / 2");
    EXPECT_DOUBLE_EQ(app.s.xmin, -2.25 + 40.0 / (app.s.xres - 1) * 3.0);
    EXPECT_TRUE(showsimage());
    key(Qt::Key_Backspace);
    ASSERT_TRUE(settle());
    EXPECT_EQ(status(1), "      current M-set: 1 / 2");
    EXPECT_EQ(app.s.xmin, -2.25);
    EXPECT_TRUE(showsimage());
}

TEST_F(QtWindow, TheWheelTheMiddleButtonAndPlusAndMinusBecomeMessages) {
    start();
    ASSERT_TRUE(settle());
    const auto wheel = [this](int x, int y, QPoint pixels, QPoint angle, quint64 time) {
        const QPointF p(x, y);
        QWheelEvent e(p, view()->mapToGlobal(p), pixels, angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        e.setTimestamp(time);
        QCoreApplication::sendEvent(view(), &e);
    };
    wheel(30, 40, QPoint(), QPoint(0, 120), 1234);
    wheel(31, 41, QPoint(0, -15), QPoint(), 1250);  // a trackpad that reports pixels only
    wheel(31, 41, QPoint(), QPoint(25, 0), 1260);   // sideways: nothing
    mouse(QEvent::MouseButtonPress, 12, 34, Qt::MiddleButton, Qt::MiddleButton);
    mouse(QEvent::MouseButtonRelease, 52, 74, Qt::MiddleButton, Qt::NoButton);
    key(Qt::Key_Plus);
    key(Qt::Key_Equal);
    key(Qt::Key_Minus, Qt::KeypadModifier);
    key(Qt::Key_Left);
    struct Want {
        MessageType type;
        int x, y, delta, id;
        long long time;
    };
    const Want want[] = {
        {MessageType::wheel, 30, 40, 120, 0, 1234},  {MessageType::wheel, 31, 41, -15, 0, 1250},
        {MessageType::mbuttondown, 12, 34, 0, 0, 0}, {MessageType::mbuttonup, 52, 74, 0, 0, 0},
        {MessageType::key, 0, 0, 0, key::plus, 0},   {MessageType::key, 0, 0, 0, key::plus, 0},
        {MessageType::key, 0, 0, 0, key::minus, 0},  {MessageType::key, 0, 0, 0, key::left, 0}};
    Message m;
    for (const Want& w : want) {
        ASSERT_TRUE(host.getmessage(m));
        EXPECT_EQ(m.type, w.type);
        EXPECT_EQ(m.id, w.id);
        if (w.type == MessageType::key) continue;
        EXPECT_EQ(m.x, w.x);
        EXPECT_EQ(m.y, w.y);
        EXPECT_EQ(m.delta, w.delta);
        EXPECT_EQ(m.time, w.time);
    }
    EXPECT_FALSE(host.getmessage(m));

    // A notch away from the user zooms in around the pointer, and the screen ends
    // with the exact image of the new view.
    const View before{app.s.xmin, app.s.xmax, app.s.ymin, app.s.ymax};
    wheel(30, 40, QPoint(), QPoint(0, 120), 5000);
    ASSERT_TRUE(settle());
    EXPECT_EQ((View{app.s.xmin, app.s.xmax, app.s.ymin, app.s.ymax}),
              wheelview(before, app.s.xres, app.s.yres, 30, 40, 0.5));
    EXPECT_EQ(status(1), "      current M-set: 2 / 2");
    EXPECT_TRUE(showsimage());
}

TEST_F(QtWindow, NoTurnRunsWhileAMessageBoxIsOpen) {
    start();
    ASSERT_TRUE(settle());
    key(Qt::Key_F1);  // a new image starts
    host.tick();
    ASSERT_EQ(app.s.okfractal, 1);
    const int row = app.s.j;
    int during = -1;
    QTimer::singleShot(50, [&] {
        for (int n = 0; n < 10; ++n) host.tick();
        during = app.s.j;
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    host.messagebox("text", "title", Icon::information, false, Buttons::ok);
    EXPECT_EQ(during, row);
    host.tick();
    EXPECT_EQ(app.s.j, row + 1);
}

TEST_F(QtWindow, TheCloseBoxEndsTheProgram) {
    start();
    ASSERT_TRUE(settle());
    QCloseEvent e;
    QCoreApplication::sendEvent(host.mainwindow(), &e);
    EXPECT_FALSE(e.isAccepted());  // the program closes it, after its own steps
    EXPECT_FALSE(settle());
    EXPECT_EQ(app.exitcode, 0);
    EXPECT_FALSE(host.mainwindow()->isVisible());
}

TEST(QtHelp, TheBuiltInDocumentLoads) {
    application();
    QtHost host;
    EXPECT_TRUE(host.showhelp(host.helpfile()));
    host.closehelp();
    EXPECT_FALSE(host.showhelp(":/help/none.html"));
}

}  // namespace
}  // namespace vantrel
