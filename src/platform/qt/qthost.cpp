#include "platform/qt/qthost.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "platform/qt/dialogrunner.h"
#include "platform/qt/widgets.h"

namespace vantrel {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

QScreen* screen() {
    return QGuiApplication::primaryScreen();
}

// Device pixels to logical ones, covering every device pixel of the rectangle.
QRect logical(const Rect& r, double k) {
    return QRectF(r.left / k, r.top / k, r.width() / k, r.height() / k).toAlignedRect();
}

const char* const helpresource = ":/help/vantrel.html";

}  // namespace

QtHost::QtHost() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

QtHost::~QtHost() {
    for (auto& [id, w] : popups_) delete w.data();
    delete help_.data();
    delete main_.data();
}

double QtHost::ratio() const {
    if (main_) return main_->devicePixelRatioF();
    return screen() ? screen()->devicePixelRatio() : 1.0;
}

QMainWindow* QtHost::mainwindow() const {
    return main_.data();
}

void QtHost::statustext(int part, const std::string& text) {
    QLabel* l = statuspart(part);
    if (!l) return;
    l->setText(QString::fromStdString(text));
    // Coordinates deep in the plane run long: the first part grows to show them
    // whole, and goes back to its width for short ones.
    if (part == 0) {
        const int need = l->fontMetrics().horizontalAdvance(l->text()) + 4 * l->frameWidth() + 8;
        l->setFixedWidth(std::max(part0width_, need));
    }
}

Cursor QtHost::setcursor(Cursor c) {
    const Cursor old = cursor_;
    cursor_ = c;
    if (view_) {
        view_->setCursor(c == Cursor::wait    ? Qt::WaitCursor
                         : c == Cursor::cross ? Qt::CrossCursor
                                              : Qt::ArrowCursor);
    }
    return old;
}

void QtHost::setpointer(int x, int y) {
    // Only X11 lets a program move the pointer; elsewhere it stays with the user.
    if (QGuiApplication::platformName() != "xcb" || !main_ || !main_->isVisible()) return;
    const double k = ratio();
    QCursor::setPos(screen(), static_cast<int>(x / k), static_cast<int>(y / k));
}

void QtHost::present(const Rect& r) {
    if (view_ && !r.empty()) view_->update(logical(r, ratio()));
}

void QtHost::enablewindow(bool on) {
    enabled_ = on;
    if (main_) main_->menuBar()->setEnabled(on);
}

void QtHost::pause(int milliseconds) {
    // Paint what is pending, then wait; input stays queued in the window system.
    QDeadlineTimer deadline(milliseconds);
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const qint64 left = deadline.remainingTime();
        if (left > 0) QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 10)));
    } while (!deadline.hasExpired());
}

int QtHost::messagebox(const std::string& text, const std::string& title, Icon icon, bool owned,
                       Buttons buttons) {
    QMessageBox box(
        icon == Icon::information   ? QMessageBox::Information
        : icon == Icon::exclamation ? QMessageBox::Warning
        : icon == Icon::question    ? QMessageBox::Question
                                    : QMessageBox::NoIcon,
        QString::fromStdString(title), QString::fromStdString(text),
        buttons == Buttons::yesno ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        owned && main_ && main_->isVisible() ? main_.data() : nullptr);
    box.setTextFormat(Qt::PlainText);
    const int answer = modal([&box] { return box.exec(); });
    if (answer == QMessageBox::Yes) return IDYES;
    if (answer == QMessageBox::No) return IDNO;
    return IDOK;
}

int QtHost::modal(const std::function<int()>& run) {
    ++modal_;
    const bool active = timer_.isActive();
    timer_.stop();
    const int result = run();
    --modal_;
    if (active) timer_.start();
    return result;
}

QWidget* QtHost::owner() const {
    return main_ && main_->isVisible() ? main_.data() : nullptr;
}

int QtHost::rundialog(BoundDialog& d) {
    return modal([&] { return vantrel::rundialog(d, owner()); });
}

bool QtHost::openfile(FileChoice& f) {
    return modal([&] { return runfiledialog(f, false, owner()) ? 1 : 0; }) != 0;
}

bool QtHost::savefile(FileChoice& f) {
    return modal([&] { return runfiledialog(f, true, owner()) ? 1 : 0; }) != 0;
}

bool QtHost::getmessage(Message& m) {
    if (queue_.empty()) return false;
    m = queue_.front();
    queue_.pop_front();
    return true;
}

void QtHost::input(const Message& m) {
    if (ended_) return;
    const bool userinput = m.type == MessageType::key || m.type == MessageType::command ||
                           m.type == MessageType::close || m.type == MessageType::mousemove ||
                           m.type == MessageType::lbuttondown || m.type == MessageType::lbuttonup ||
                           m.type == MessageType::rbuttondown ||
                           m.type == MessageType::mbuttondown || m.type == MessageType::mbuttonup ||
                           m.type == MessageType::wheel;
    if (m.window == 0 && userinput && !enabled_) return;
    queue_.push_back(m);
    wake();
}

void QtHost::wake() {
    if (running_ && !timer_.isActive() && modal_ == 0) timer_.start();
}

bool QtHost::tick() {
    if (inturn_ || modal_ > 0 || !turn_) return true;
    inturn_ = true;
    const Turn t = turn_();
    inturn_ = false;
    if (t == Turn::quit) {
        ended_ = true;
        timer_.stop();
        if (running_) QCoreApplication::exit(0);
        return false;
    }
    if (t == Turn::idle && queue_.empty())
        timer_.stop();
    else
        wake();
    return true;
}

void QtHost::runloop(const std::function<Turn()>& turn) {
    drive(turn);
    running_ = true;
    timer_.start();
    QCoreApplication::exec();
    running_ = false;
    turn_ = nullptr;
}

int QtHost::screenwidth() {
    return screen() ? static_cast<int>(
                          std::lround(screen()->geometry().width() * screen()->devicePixelRatio()))
                    : 0;
}

int QtHost::screenheight() {
    return screen() ? static_cast<int>(
                          std::lround(screen()->geometry().height() * screen()->devicePixelRatio()))
                    : 0;
}

int QtHost::colordepth() {
    return screen() ? screen()->depth() : 0;
}

bool QtHost::registerclass(const std::string&) {
    return true;
}

bool QtHost::createmainwindow(const std::string& caption, const Rect& frame) {
    main_ = new MainFrame(*this);
    if (!main_) return false;
    main_->setWindowTitle(QString::fromStdString(caption));
    QGuiApplication::setWindowIcon(QIcon(":/icons/vantrel.png"));
    view_ = new ImageView(*this);
    main_->setCentralWidget(view_);

    // The menu bar from its table: the bar, its popups, and their popups.
    QMenuBar* bar = main_->menuBar();
    QMenu* popup = nullptr;
    QMenu* subpopup = nullptr;
    QActionGroup* choice = nullptr;
    for (const MenuItem& item : menu) {
        if (!item.choice) choice = nullptr;
        const QString text = qs(item.caption);
        if (item.level == 0) {
            subpopup = nullptr;
            if (item.command == 0) {
                popup = bar->addMenu(text);
                continue;
            }
            popup = nullptr;
            QAction* a = bar->addAction(text);
            const int id = item.command;
            QObject::connect(a, &QAction::triggered, [this, id] { input(Message::command(id)); });
            continue;
        }
        QMenu* into = item.level == 1 ? popup : subpopup;
        if (into == nullptr) continue;
        if (item.command == 0) {
            subpopup = into->addMenu(text);
            continue;
        }
        QAction* a = into->addAction(text);
        if (item.choice) {
            a->setCheckable(true);
            if (!choice) {
                choice = new QActionGroup(into);
                a->setChecked(true);
            }
            choice->addAction(a);
        }
        const int id = item.command;
        QObject::connect(a, &QAction::triggered, [this, id] { input(Message::command(id)); });
    }

    frame_ = frame;
    const double k = ratio();
    main_->move(static_cast<int>(frame.left / k), static_cast<int>(frame.top / k));
    main_->resize(static_cast<int>(frame.width() / k), static_cast<int>(frame.height() / k));
    main_->layout()->activate();
    return true;
}

Rect QtHost::clientrect() {
    if (!main_ || !view_) return {};
    main_->layout()->activate();
    const double k = ratio();
    int h = view_->height();
    if (part0_) h += main_->statusBar()->height();
    return {0, 0, static_cast<int>(std::lround(view_->width() * k)),
            static_cast<int>(std::lround(h * k))};
}

Rect QtHost::createstatusbar(int right0, int right1) {
    if (!main_) return {};
    const double k = ratio();
    QStatusBar* bar = main_->statusBar();
    bar->setSizeGripEnabled(false);
    part0_ = new QLabel;
    part1_ = new QLabel;
    for (QLabel* l : {part0_, part1_}) {
        l->setTextFormat(Qt::PlainText);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setMinimumWidth(1);
    }
    part0width_ = static_cast<int>(right0 / k);
    part0_->setFixedWidth(part0width_);
    part1_->setMaximumWidth(static_cast<int>(std::max(0, right1 - right0) / k));
    bar->addWidget(part0_);
    bar->addWidget(part1_, 1);
    bar->show();
    main_->layout()->activate();
    return {0, 0, static_cast<int>(std::lround(bar->width() * k)),
            static_cast<int>(std::lround(bar->sizeHint().height() * k))};
}

void QtHost::showmainwindow(bool on) {
    if (!main_) return;
    if (on) {
        main_->show();
        main_->raise();
        main_->activateWindow();
        view_->setFocus();
        // The frame asked for is the outer one; a window manager's decorations are
        // known only once it has framed the window.
        QTimer::singleShot(200, main_.data(), [this] {
            const QSize outer = main_->frameGeometry().size(), inner = main_->size();
            if (outer == inner) return;
            const double k = ratio();
            main_->resize(
                static_cast<int>(frame_.width() / k) - (outer.width() - inner.width()),
                static_cast<int>(frame_.height() / k) - (outer.height() - inner.height()));
        });
    } else {
        main_->hide();
    }
}

void QtHost::showcursor(bool on) {
    const int before = hidden_;
    hidden_ += on ? 1 : -1;
    if (before >= 0 && hidden_ < 0) QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    if (before < 0 && hidden_ >= 0) QGuiApplication::restoreOverrideCursor();
}

int QtHost::openpopup(const Rect& frame) {
    const int id = nextpopup_++;
    auto* w = new PictureWindow(*this, id);
    const double k = ratio();
    w->setGeometry(logical(frame, k));
    w->setFixedSize(w->size());
    w->show();
    w->raise();
    w->activateWindow();
    popups_[id] = w;
    return id;
}

void QtHost::drawpopup(int id, const Surface& picture) {
    auto it = popups_.find(id);
    if (it == popups_.end() || !it->second || picture.empty()) return;
    const QImage image(reinterpret_cast<const uchar*>(picture.row(0)), picture.width(),
                       picture.height(), picture.width() * 4, QImage::Format_RGB32);
    it->second->setpicture(image.copy());
}

void QtHost::closepopup(int id) {
    auto it = popups_.find(id);
    if (it == popups_.end()) return;
    delete it->second.data();
    popups_.erase(it);
    if (main_ && main_->isVisible()) main_->activateWindow();
}

void QtHost::lettering(Surface& s, const std::string& text, const Rect& box, int pixels,
                       Rgb color) {
    if (s.empty()) return;
    QImage image(reinterpret_cast<uchar*>(s.row(0)), s.width(), s.height(), s.width() * 4,
                 QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font = QApplication::font();
    font.setPixelSize(std::max(1, pixels));
    font.setWeight(pixels >= 28 ? QFont::DemiBold : QFont::Normal);
    if (pixels >= 28) font.setLetterSpacing(QFont::PercentageSpacing, 106);
    p.setFont(font);
    const QRect r(box.left, box.top, box.width(), box.height());
    const QString t = QString::fromStdString(text);
    const int d = std::max(1, pixels / 18);
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(r.translated(d, d), Qt::AlignCenter, t);
    p.setPen(QColor(red(color), green(color), blue(color)));
    p.drawText(r, Qt::AlignCenter, t);
}

std::string QtHost::helpfile() {
    return helpresource;
}

bool QtHost::showhelp(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.close();
    if (!help_) help_ = new HelpWindow;
    help_->setSource(QUrl("qrc" + QString::fromStdString(path)));
    if (help_->document()->isEmpty()) return false;
    help_->show();
    help_->raise();
    help_->activateWindow();
    return true;
}

void QtHost::closehelp() {
    delete help_.data();
    help_ = nullptr;
}

}  // namespace vantrel
