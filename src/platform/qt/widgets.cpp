#include "platform/qt/widgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "platform/qt/qthost.h"

namespace vantrel {

int keycode(const QKeyEvent* e) {
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return key::f1 + (k - Qt::Key_F1);
    switch (k) {
        case Qt::Key_Space:
            return key::space;
        case Qt::Key_Backspace:
            return key::back;
        case Qt::Key_Escape:
            return key::escape;
        case Qt::Key_Pause:
            return key::pause;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return key::enter;
        case Qt::Key_Left:
            return key::left;
        case Qt::Key_Up:
            return key::up;
        case Qt::Key_Right:
            return key::right;
        case Qt::Key_Down:
            return key::down;
        // + and - on the keypad or the main keyboard, where + often shares the = key.
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return key::plus;
        case Qt::Key_Minus:
            return key::minus;
        default:
            return 0;
    }
}

Message keymessage(const QKeyEvent* e, int window) {
    Message m = Message::key(keycode(e), (e->modifiers() & Qt::AltModifier) != 0);
    m.window = window;
    m.ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    m.shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    return m;
}

Message wheelmessage(const QWheelEvent* e, double ratio) {
    // Trackpads that report only pixels scroll a notch per 120 of them.
    int delta = e->angleDelta().y();
    if (delta == 0) delta = e->pixelDelta().y();
    return Message::wheel(static_cast<int>(std::floor(e->position().x() * ratio)),
                          static_cast<int>(std::floor(e->position().y() * ratio)), delta,
                          static_cast<long long>(e->timestamp()));
}

ImageView::ImageView(QtHost& host) : host_(host) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void ImageView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), Qt::black);
    const Surface* s = host_.surface();
    if (s == nullptr || s->empty()) return;
    // The pixels are 0xFFRRGGBB words, which is how Qt keeps an RGB32 image.
    QImage image(reinterpret_cast<const uchar*>(s->row(0)), s->width(), s->height(), s->width() * 4,
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatioF());
    p.drawImage(QPointF(0, 0), image);
}

Message ImageView::mouse(MessageType t, const QMouseEvent* e) const {
    const double r = devicePixelRatioF();
    return Message::mouse(t, static_cast<int>(std::floor(e->position().x() * r)),
                          static_cast<int>(std::floor(e->position().y() * r)));
}

void ImageView::mouseMoveEvent(QMouseEvent* e) {
    host_.input(mouse(MessageType::mousemove, e));
}

void ImageView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        host_.input(mouse(MessageType::lbuttondown, e));
    else if (e->button() == Qt::RightButton)
        host_.input(mouse(MessageType::rbuttondown, e));
    else if (e->button() == Qt::MiddleButton)
        host_.input(mouse(MessageType::mbuttondown, e));
}

void ImageView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        host_.input(mouse(MessageType::lbuttonup, e));
    else if (e->button() == Qt::MiddleButton)
        host_.input(mouse(MessageType::mbuttonup, e));
}

void ImageView::wheelEvent(QWheelEvent* e) {
    const Message m = wheelmessage(e, devicePixelRatioF());
    if (m.delta != 0) host_.input(m);
}

void ImageView::resizeEvent(QResizeEvent*) {
    host_.input(Message::of(MessageType::size));
}

void ImageView::keyPressEvent(QKeyEvent* e) {
    if (keycode(e) != 0) host_.input(keymessage(e, 0));
}

MainFrame::MainFrame(QtHost& host) : host_(host) {}

void MainFrame::closeEvent(QCloseEvent* e) {
    // The program decides when the window goes: it shows the closing splash first.
    e->ignore();
    host_.input(Message::of(MessageType::close));
}

void MainFrame::moveEvent(QMoveEvent*) {
    host_.input(Message::of(MessageType::move));
}

void MainFrame::keyPressEvent(QKeyEvent* e) {
    if (keycode(e) != 0) host_.input(keymessage(e, 0));
}

PictureWindow::PictureWindow(QtHost& host, int id)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), host_(host), id_(id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
}

void PictureWindow::setpicture(const QImage& picture) {
    picture_ = picture;
    picture_.setDevicePixelRatio(devicePixelRatioF());
    update();
}

void PictureWindow::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), Qt::black);
    if (!picture_.isNull()) p.drawImage(QPointF(0, 0), picture_);
}

void PictureWindow::keyPressEvent(QKeyEvent* e) {
    host_.input(keymessage(e, id_));
}

void PictureWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        host_.input({MessageType::lbuttondown, id_});
    else if (e->button() == Qt::RightButton)
        host_.input({MessageType::rbuttondown, id_});
}

void PictureWindow::moveEvent(QMoveEvent*) {
    host_.input({MessageType::move, id_});
}

HelpWindow::HelpWindow() {
    setWindowTitle("Vantrel Help");
    setOpenExternalLinks(true);
    resize(760, 820);
}

}  // namespace vantrel
