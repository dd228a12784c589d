#pragma once

#include <QPushButton>

#include "import/import_options.h"

namespace rotopal::qt {

// A button that shows a colour: the colour itself, exactly, inside a thin outline, whatever the
// style does to a button's face when it is pressed, hovered or focused. Focus is drawn in the
// margin round the colour, never over it.
class ColourSwatch : public QPushButton {
public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    void SetColour(Rgb colour);
    Rgb colour() const { return colour_; }

    // The colour's own rectangle inside the button.
    QRect ColourRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Rgb colour_{};
};

}  // namespace rotopal::qt
