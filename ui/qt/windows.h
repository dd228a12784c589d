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

// A top-level window that reports its closing instead of closing by itself.
class FormWindow : public QWidget {
public:
    explicit FormWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}
    std::function<void()> onClose;
    std::function<void()> onActivate;
    // Local files dropped on the window; a drop that holds anything else reports an empty list.
    std::function<void(const std::vector<std::string>&)> onDropFiles;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The main window with every control at its designed place. Widgets carry their control
// names as object names.
class MainWindow : public FormWindow {
public:
    MainWindow();

    PictureBox* picture3;  // view
    PictureBox* picture2;  // palette window
    QScrollBar* hscroll1;
    PictureBox* picture1;  // information panel
    QLabel* label2;
    QLabel* label4;
    QLabel* label1;
    QPushButton* command1;
    std::array<QPushButton*, 2> command2;
    QPushButton* command4;
    QPushButton* command3;
    PictureBox* picture4;  // status line
    QMenu* menu;           // palette window's pop-up
    QMenu* menuSave;       // save button's pop-up
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
