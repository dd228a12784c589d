#include "ui/qt/windows.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <initializer_list>

#include "ui/layout.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/qt_text.h"
#include "ui/texts.h"

namespace rotopal::qt {
namespace {

void Place(QWidget* widget, const layout::Rect& r, const char* name) {
    widget->setGeometry(r.x, r.y, r.width, r.height);
    widget->setObjectName(name);
}

// Labels inside a picture box are placed relative to its drawing area.
void PlaceInside(QLabel* label, const layout::Rect& r, const char* name) {
    Place(label, {r.x + layout::kPictureBorder, r.y + layout::kPictureBorder, r.width, r.height},
          name);
}

QFont LabelFont(const char* family) {
    QFont font(family);
    font.setPixelSize(layout::kLabelFontPixels);
    font.setWeight(QFont::Normal);
    return font;
}

// A disabled information panel must not grey its labels: only their input stops.
void KeepColoursWhenDisabled(QWidget* widget) {
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    widget->setPalette(palette);
}

Button* MakeButton(QWidget* parent, std::string_view caption, const layout::Rect& r,
                   const char* name) {
    auto* button = new Button(Q(caption), parent);
    Place(button, r, name);
    return button;
}

PictureBox* MakePicture(QWidget* parent, const layout::Rect& r, const char* name) {
    auto* picture = new PictureBox(parent);
    Place(picture, r, name);
    return picture;
}

RangeScrollBar* MakeRangeScrollBar(QWidget* parent) {
    auto* bar = new RangeScrollBar(parent);
    Place(bar, layout::kHScroll1, "HScroll1");
    bar->setRange(0, 255);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // Dragging reports positions through sliderMoved and the final value on release.
    bar->setTracking(false);
    // It takes the keyboard focus in tab order and when clicked, which shows its hint.
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

}  // namespace

Button::Button(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setMouseTracking(true);
    setAutoDefault(false);
}

void Button::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    if (onMove) {
        onMove();
    }
}

RangeScrollBar::RangeScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

void RangeScrollBar::keyPressEvent(QKeyEvent* event) {
    // Qt's horizontal scroll bar turns Left and Right round; Windows moves the thumb the way the
    // arrow points. Page Up/Down, Home and End keep Qt's meaning.
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up: triggerAction(SliderSingleStepSub); return;
        case Qt::Key_Right:
        case Qt::Key_Down: triggerAction(SliderSingleStepAdd); return;
        default: QScrollBar::keyPressEvent(event);
    }
}

void RangeScrollBar::focusInEvent(QFocusEvent* event) {
    QScrollBar::focusInEvent(event);
    if (onFocus) {
        onFocus();
    }
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!isEnabled()) {
        event->ignore();  // a disabled window waits for the one that disabled it
        return;
    }
    if (onClose) {
        event->ignore();
        onClose();
        return;
    }
    QWidget::closeEvent(event);
}

namespace {

// The dropped local files, or nothing when the drop holds anything else.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls()) {
        return files;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        files.push_back(url.toLocalFile().toStdString());
    }
    return files;
}

}  // namespace

void FormWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (isEnabled() && onDropFiles && DroppedFiles(event->mimeData()).size() == 1) {
        event->acceptProposedAction();
    }
}

void FormWindow::dropEvent(QDropEvent* event) {
    if (isEnabled() && onDropFiles) {
        event->acceptProposedAction();
        onDropFiles(DroppedFiles(event->mimeData()));
    }
}

void FormWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && onActivate) {
        onActivate();
    }
    // Qt repaints the whole window when it is enabled or disabled, which would redraw the view
    // with its plain image; the controls that change their look repaint themselves.
    if (event->type() == QEvent::EnabledChange) {
        return;
    }
    QWidget::changeEvent(event);
}

MainWindow::MainWindow()
    : FormWindow(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint) {
    setObjectName("Form1");
    // The preview and status windows carry no icon of their own, so only this one gets it.
    setWindowIcon(AppIcon());
    setAcceptDrops(true);
    setWindowTitle(Q(texts::kMainCaption));
    setFixedSize(layout::kMainWidth, layout::kMainHeight);

    CreateControls();
    CreatePanelLabels();
    StartWithoutAFile();
    CreatePopupMenus();
}

void MainWindow::CreateControls() {
    // Created in tab order: open, palette, view, range, preview, save, exit, panel, status
    // line, reset.
    command1 = MakeButton(this, texts::kOpenButton, layout::kCommand1, "Command1");
    picture2 = MakePicture(this, layout::kPicture2, "Picture2");
    picture3 = MakePicture(this, layout::kPicture3, "Picture3");
    picture3->setFocusPolicy(Qt::StrongFocus);
    hscroll1 = MakeRangeScrollBar(this);
    command2[0] = MakeButton(this, texts::kPreviewButton, layout::kCommand2_0, "Command2_0");
    command2[1] = MakeButton(this, texts::kSaveButton, layout::kCommand2_1, "Command2_1");
    command3 = MakeButton(this, texts::kExitButton, layout::kCommand3, "Command3");
    picture1 = MakePicture(this, layout::kPicture1, "Picture1");
    picture4 = MakePicture(this, layout::kPicture4, "Picture4");
    command4 = MakeButton(this, texts::kResetButton, layout::kCommand4, "Command4");
}

void MainWindow::CreatePanelLabels() {
    label2 = new QLabel(picture1);
    PlaceInside(label2, layout::kLabel2, "Label2");
    label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label2->setFont(LabelFont("IPAGothic"));
    label4 = new QLabel(picture1);
    PlaceInside(label4, layout::kLabel4, "Label4");
    label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label4->setFont(LabelFont("IPAPGothic"));
    QPalette green = label4->palette();
    green.setColor(QPalette::WindowText, QColor(0, 255, 0));
    label4->setPalette(green);
    label1 = new QLabel(picture1);
    PlaceInside(label1, layout::kLabel1, "Label1");
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // After the green is set, so that the disabled look keeps it too.
    for (auto* label : {label1, label2, label4}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        KeepColoursWhenDisabled(label);
    }
}

void MainWindow::StartWithoutAFile() {
    // Before a document is open only open and exit work.
    for (QWidget* w :
         std::initializer_list<QWidget*>{picture2, hscroll1, command2[0], command2[1], command4}) {
        w->setEnabled(false);
    }
    // A white view until the first file is drawn.
    QImage white(320, 400, QImage::Format_RGB32);
    white.fill(Qt::white);
    picture3->Present(white);
}

void MainWindow::CreatePopupMenus() {
    menu = new QMenu(this);
    menu->setObjectName("Menu");
    menu->addAction(Q(texts::kColorChoiceItem))->setObjectName("ColorChoice");
    menu->addAction(Q(texts::kColorSwapItem))->setObjectName("ColorSwap");
    menuSave = new QMenu(this);
    menuSave->setObjectName("Menu_Save");
    for (const auto item : {texts::kSaveStartupItem, texts::kSaveShutdownItem,
                            texts::kSaveSwitchOffItem, texts::kSaveAnyItem}) {
        menuSave->addAction(Q(item));
    }
}

PreviewWindow::PreviewWindow()
    : FormWindow(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint) {
    setObjectName("Form2");
    setWindowTitle(Q(texts::kPreviewCaption));
    setFixedSize(layout::kPreviewWidth, layout::kPreviewHeight);
    surface = new PictureBox(this);
    surface->setFrameStyle(QFrame::NoFrame);
    surface->setLineWidth(0);
    surface->setGeometry(0, 0, layout::kPreviewWidth, layout::kPreviewHeight);
    surface->setFocusPolicy(Qt::NoFocus);
}

StatusWindow::StatusWindow()
    : FormWindow(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Form3");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(layout::kStatusWidth, layout::kStatusHeight);
    label1 = new QLabel(Q(texts::kStatusLabelInitial), this);
    const auto& r = layout::kStatusLabel1;
    label1->setGeometry(r.x, r.y, r.width, r.height);
    label1->setObjectName("Label1");
    label1->setAlignment(Qt::AlignCenter);
}

}  // namespace rotopal::qt
