#include "ui/qt/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/layout.h"

namespace rotopal::qt {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(layout::kPictureBorder);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette colours = palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        colours.setColor(QPalette::Disabled, r, colours.color(QPalette::Active, r));
    }
    setPalette(colours);
}

void PictureBox::changeEvent(QEvent* event) {
    // Qt repaints a widget whose enabled state changes; a repaint of the view would show its
    // plain image, while it must stay on whichever image it showed last.
    if (event->type() == QEvent::EnabledChange) {
        return;
    }
    QFrame::changeEvent(event);
}

void PictureBox::Present(const QImage& image) {
    image_ = image;
    if (painting_) {
        return;  // presented from inside our own paint event: it is drawn right after
    }
    // The flag tells our own paint event from one the system asks for. A hidden box does not
    // paint now, so the flag is dropped again rather than swallow the first real expose.
    presented_ = true;
    repaint();
    presented_ = false;
}

void PictureBox::SetText(const QString& text) {
    text_ = text;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!presented_ && onExpose) {
        // A repaint the window system asked for: the form logic decides what it shows.
        painting_ = true;
        onExpose();
        painting_ = false;
    }
    presented_ = false;
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    if (!image_.isNull()) {
        painter.drawImage(area.topLeft(), image_);
    }
    if (!text_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_);
    }
}

QPointF PictureBox::InDrawingArea(QMouseEvent* event) const {
    return event->position() - QPointF(contentsRect().topLeft());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (onPress) {
        onPress(event->button(), InDrawingArea(event));
    }
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    // Qt keeps delivering the pointer to the box that was pressed until the release.
    if (onRelease) {
        onRelease(event->button(), InDrawingArea(event));
    }
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) {
        onMove(event->buttons(), InDrawingArea(event));
    }
}

}  // namespace rotopal::qt
