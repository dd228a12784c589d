#include "ui/qt/colour_swatch.h"

#include <QPainter>

namespace rotopal::qt {
namespace {

constexpr int kWidth = 28;
constexpr int kHeight = 24;
constexpr int kMargin = 4;  // room for the outline and the focus frame

}  // namespace

ColourSwatch::ColourSwatch(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);  // Return is the dialog's OK, not a press of the focused swatch
    setFocusPolicy(Qt::StrongFocus);
}

void ColourSwatch::SetColour(Rgb colour) {
    colour_ = colour;
    update();
}

QRect ColourSwatch::ColourRect() const {
    return rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

QSize ColourSwatch::sizeHint() const {
    return {kWidth, kHeight};
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect swatch = ColourRect();
    if (hasFocus()) {
        painter.fillRect(rect(), palette().color(QPalette::Highlight));
        painter.fillRect(rect().adjusted(2, 2, -2, -2), palette().color(QPalette::Button));
    }
    // The outline is drawn outside the colour, so every pixel inside is the colour itself.
    const QColor outline =
        isDown() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Dark);
    painter.fillRect(swatch.adjusted(-1, -1, 1, 1),
                     isEnabled() ? outline : palette().color(QPalette::Mid));
    painter.fillRect(swatch, QColor(colour_.red, colour_.green, colour_.blue));
}

}  // namespace rotopal::qt
