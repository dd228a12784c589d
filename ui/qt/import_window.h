#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <array>
#include <functional>
#include <vector>

#include "import/import_options.h"
#include "ui/qt/colour_swatch.h"
#include "ui/qt/picture_box.h"

class QGridLayout;
class QScrollArea;

namespace rotopal::qt {

// The dialog that makes a start-up screen from a picture: the options on the left, the preview
// at the size a 4:3 display shows the screen on the right, OK and Cancel below. It is shown
// modal to the application but never runs a loop of its own: its buttons, Return, Escape and
// its close box are reported, and the form logic closes it.
class ImportWindow : public QDialog {
public:
    ImportWindow();

    // Shows the options without raising any control's change report.
    void Show(const ImportOptions& options);

    PictureBox* preview;
    QLabel* status;
    std::array<QRadioButton*, 3> fit;  // contain, cover, stretch
    QSpinBox* range;
    QSpinBox* bandRows;
    // One per stop, remade as the stops change, in rows of six that scroll past two rows, so
    // that the dialog keeps its size however many stops there are.
    std::vector<ColourSwatch*> bandColours;
    QScrollArea* stopsArea;
    QPushButton* addColour;
    QPushButton* removeColour;
    ColourSwatch* background;
    QSlider* dither;
    QLabel* ditherValue;
    QPushButton* ok;
    QPushButton* cancel;

    std::function<void(Fit)> onFit;
    std::function<void(int)> onRange, onBandRows, onDither, onBandColour;
    std::function<void()> onAddColour, onRemoveColour, onBackground, onOk, onCancel;

    // Return (OK is the default button, and no other button takes Return from it), Escape and
    // the close box reach the form logic.
    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowStops(const std::vector<Rgb>& stops);
    QGridLayout* stops_;
};

}  // namespace rotopal::qt
