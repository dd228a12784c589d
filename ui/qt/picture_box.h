#pragma once

#include <QFrame>
#include <QImage>
#include <QString>
#include <functional>

namespace rotopal::qt {

// A picture box: a frame with a 2-pixel sunken border whose drawing area shows either the image
// last presented to it or one line of text. Pointer events are reported in drawing-area pixels.
// Disabling it (or its window) stops its input only: it looks the same and is not redrawn.
class PictureBox : public QFrame {
public:
    explicit PictureBox(QWidget* parent);

    // Shows an image at the drawing area's origin, at once.
    void Present(const QImage& image);
    // Text mode (the status line): clears to the background and shows one line, cut at the edge.
    void SetText(const QString& text);
    const QImage& image() const { return image_; }
    const QString& text() const { return text_; }

    // Runs when the system asks for a repaint that no presentation caused; it may present.
    std::function<void()> onExpose;
    std::function<void(Qt::MouseButton, QPointF)> onPress, onRelease;
    std::function<void(Qt::MouseButtons, QPointF)> onMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPointF InDrawingArea(QMouseEvent* event) const;

    QImage image_;
    QString text_;
    bool presented_ = false;
    bool painting_ = false;
};

}  // namespace rotopal::qt
