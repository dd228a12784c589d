#include "ui/qt/import_window.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/qt/qt_text.h"
#include "ui/texts.h"

namespace rotopal::qt {
namespace {

// The screen as a 4:3 display shows it.
constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 480;

constexpr int kStopsPerRow = 6;
constexpr int kStopRowsShown = 2;
constexpr int kStopSpacing = 3;

QLabel* Buddy(std::string_view text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(Q(text), parent);
    label->setBuddy(control);
    return label;
}

}  // namespace

ImportWindow::ImportWindow() {
    setObjectName("Form4");
    setWindowTitle(Q(texts::kImportDialogCaption));
    setModal(true);

    auto* fitBox = new QGroupBox(Q(texts::kImportFitTitle), this);
    auto* fitLayout = new QVBoxLayout(fitBox);
    const std::array<std::pair<std::string_view, std::string_view>, 3> fits{{
        {texts::kImportFitContain, texts::kImportFitContainTip},
        {texts::kImportFitCover, texts::kImportFitCoverTip},
        {texts::kImportFitStretch, texts::kImportFitStretchTip},
    }};
    for (std::size_t i = 0; i < fit.size(); ++i) {
        fit[i] = new QRadioButton(Q(fits[i].first), fitBox);
        fit[i]->setToolTip(Q(fits[i].second));
        fitLayout->addWidget(fit[i]);
        connect(fit[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && onFit) {
                onFit(static_cast<Fit>(i));
            }
        });
    }

    range = new QSpinBox(this);
    range->setRange(1, 255);
    range->setToolTip(Q(texts::kImportRangeTip));
    bandRows = new QSpinBox(this);
    bandRows->setRange(0, kMaxBandRows);
    bandRows->setToolTip(Q(texts::kImportBandRowsTip));
    connect(range, &QSpinBox::valueChanged, this, [this](int value) { onRange(value); });
    connect(bandRows, &QSpinBox::valueChanged, this, [this](int value) { onBandRows(value); });

    auto* colours = new QWidget(this);
    auto* coloursLayout = new QVBoxLayout(colours);
    coloursLayout->setContentsMargins(0, 0, 0, 0);
    stopsArea = new QScrollArea(colours);
    stopsArea->setFrameShape(QFrame::NoFrame);
    stopsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stopsArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    stopsArea->setWidgetResizable(true);
    auto* stopsGrid = new QWidget(stopsArea);
    stops_ = new QGridLayout(stopsGrid);
    stops_->setContentsMargins(0, 0, 0, 0);
    stops_->setSpacing(kStopSpacing);
    stops_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stopsArea->setWidget(stopsGrid);
    // Room for two rows of six and the scroll bar beside them, whatever the count.
    const QSize swatch = ColourSwatch().sizeHint();
    stopsArea->setFixedSize(kStopsPerRow * swatch.width() + (kStopsPerRow - 1) * kStopSpacing +
                                stopsArea->verticalScrollBar()->sizeHint().width() + kStopSpacing,
                            kStopRowsShown * swatch.height() + (kStopRowsShown - 1) * kStopSpacing);
    auto* editRow = new QHBoxLayout();
    addColour = new QPushButton(Q(texts::kImportAddColour), colours);
    addColour->setToolTip(Q(texts::kImportAddColourTip));
    addColour->setAutoDefault(false);
    removeColour = new QPushButton(Q(texts::kImportRemoveColour), colours);
    removeColour->setToolTip(Q(texts::kImportRemoveColourTip));
    removeColour->setAutoDefault(false);
    editRow->addWidget(addColour);
    editRow->addWidget(removeColour);
    editRow->addStretch();
    coloursLayout->addWidget(stopsArea);
    coloursLayout->addLayout(editRow);
    connect(addColour, &QPushButton::clicked, this, [this] { onAddColour(); });
    connect(removeColour, &QPushButton::clicked, this, [this] { onRemoveColour(); });

    background = new ColourSwatch(this);
    background->setFixedWidth(stopsArea->width());
    background->setToolTip(Q(texts::kImportBackgroundTip));
    connect(background, &QPushButton::clicked, this, [this] { onBackground(); });

    dither = new QSlider(Qt::Horizontal, this);
    dither->setRange(0, 100);
    dither->setToolTip(Q(texts::kImportDitherTip));
    ditherValue = new QLabel(this);
    ditherValue->setMinimumWidth(28);
    auto* ditherRow = new QHBoxLayout();
    ditherRow->addWidget(dither);
    ditherRow->addWidget(ditherValue);
    connect(dither, &QSlider::valueChanged, this, [this](int value) {
        ditherValue->setNum(value);
        onDither(value);
    });

    auto* form = new QFormLayout();
    form->addRow(fitBox);
    form->addRow(Buddy(texts::kImportRange, range, this), range);
    form->addRow(Buddy(texts::kImportBandRows, bandRows, this), bandRows);
    // The first stop's button takes the label's access key; Show gives it its place.
    auto* coloursLabel = new QLabel(Q(texts::kImportBandColours), this);
    coloursLabel->setObjectName("BandColoursLabel");
    form->addRow(coloursLabel, colours);
    form->addRow(Buddy(texts::kImportBackground, background, this), background);
    form->addRow(Buddy(texts::kImportDither, dither, this), ditherRow);

    preview = new PictureBox(this);
    preview->setFrameStyle(QFrame::NoFrame);
    preview->setLineWidth(0);
    preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    preview->setToolTip(Q(texts::kImportPreviewTip));
    status = new QLabel(this);
    status->setObjectName("Label1");

    auto* buttons = new QDialogButtonBox(this);
    ok = buttons->addButton(Q(texts::kOkButton), QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton(Q(texts::kCancelButton), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImportWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ImportWindow::reject);

    auto* right = new QVBoxLayout();
    right->addWidget(preview);
    right->addWidget(status);
    // The options keep their natural heights at the top; the preview is taller than they are.
    auto* left = new QVBoxLayout();
    left->addLayout(form);
    left->addStretch();
    auto* body = new QHBoxLayout();
    body->addLayout(left);
    body->addLayout(right);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(body);
    whole->addWidget(buttons);
}

void ImportWindow::ShowStops(const std::vector<Rgb>& stops) {
    while (bandColours.size() > stops.size()) {
        stops_->removeWidget(bandColours.back());
        bandColours.back()->hide();
        bandColours.back()->deleteLater();
        bandColours.pop_back();
    }
    while (bandColours.size() < stops.size()) {
        const int index = static_cast<int>(bandColours.size());
        auto* button = new ColourSwatch(stops_->parentWidget());
        button->setToolTip(Q(texts::kImportBandColourTip));
        connect(button, &QPushButton::clicked, this, [this, index] { onBandColour(index); });
        stops_->addWidget(button, index / kStopsPerRow, index % kStopsPerRow);
        bandColours.push_back(button);
        // Tab goes through the stops in order, then on to the buttons under them.
        setTabOrder(
            index == 0 ? static_cast<QWidget*>(bandRows) : bandColours[bandColours.size() - 2],
            button);
        setTabOrder(button, addColour);
    }
    for (std::size_t i = 0; i < stops.size(); ++i) {
        bandColours[i]->SetColour(stops[i]);
    }
    if (auto* label = findChild<QLabel*>("BandColoursLabel"); label && !bandColours.empty()) {
        label->setBuddy(bandColours.front());
    }
    removeColour->setEnabled(stops.size() > 2);
}

void ImportWindow::Show(const ImportOptions& options) {
    const QSignalBlocker quietRange(range), quietRows(bandRows), quietDither(dither);
    for (QRadioButton* button : fit) {
        button->blockSignals(true);
    }
    fit[static_cast<std::size_t>(options.fit)]->setChecked(true);
    for (QRadioButton* button : fit) {
        button->blockSignals(false);
    }
    range->setValue(options.range);
    bandRows->setValue(options.bandRows);
    const int percent = static_cast<int>(options.dither * 100.0f + 0.5f);
    dither->setValue(percent);
    ditherValue->setNum(percent);
    ShowStops(options.bandStops.empty() ? DefaultBandStops() : options.bandStops);
    background->SetColour(options.background);
}

void ImportWindow::accept() {
    if (onOk) {
        onOk();
    }
}

void ImportWindow::reject() {
    if (onCancel) {
        onCancel();
    }
}

void ImportWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

}  // namespace rotopal::qt
