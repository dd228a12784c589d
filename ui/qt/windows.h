#pragma once

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/qt/picture_box.h"

namespace rotopal::qt {

// A top-level window that reports its closing instead of closing by itself. While disabled it
// takes no close request and no drop, as it takes no pointer or key input.
class FormWindow : public QWidget {
public:
    explicit FormWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}
    std::function<void()> onClose;
    std::function<void()> onActivate;
    // Local files dropped on the window; a drop that holds anything else reports an empty list.
    // It runs while the drop is still going on: whoever acts on it defers the work.
    std::function<void(const std::vector<std::string>&)> onDropFiles;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A push button that reports pointer movements over it. Qt delivers none to a disabled button,
// so a greyed button shows no hint.
class Button : public QPushButton {
public:
    Button(const QString& caption, QWidget* parent);
    std::function<void()> onMove;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// The range scroll bar: the arrow keys move it the way they point (Right and Down add one,
// Left and Up take one away), and taking the focus, by the keyboard or a click, is reported.
class RangeScrollBar : public QScrollBar {
public:
    explicit RangeScrollBar(QWidget* parent);
    std::function<void()> onFocus;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

// The main window with every control at its designed place. Widgets carry their control
// names as object names.
class MainWindow : public FormWindow {
public:
    MainWindow();

    PictureBox* picture3;  // view
    PictureBox* picture2;  // palette window
    RangeScrollBar* hscroll1;
    PictureBox* picture1;  // information panel
    QLabel* label2;
    QLabel* label4;
    QLabel* label1;
    Button* command1;
    std::array<Button*, 2> command2;
    Button* command4;
    Button* command3;
    PictureBox* picture4;  // status line
    QMenu* menu;           // palette window's pop-up
    QMenu* menuSave;       // save button's pop-up

private:
    // The parts of building the window, run in this order by the constructor.
    void CreateControls();
    void CreatePanelLabels();
    void StartWithoutAFile();
    void CreatePopupMenus();
};

// The preview window: a 640 x 400 client area and a close button only.
class PreviewWindow : public FormWindow {
public:
    PreviewWindow();
    PictureBox* surface;  // borderless, fills the client area
};

// The status window: 242 x 14, no title-bar buttons, one centred label.
class StatusWindow : public FormWindow {
public:
    StatusWindow();
    QLabel* label1;
};

}  // namespace rotopal::qt
