// The windows themselves: building them, finding a control's or a form's widget, showing,
// placing and unloading the forms, the system's folders and the program's end. The other parts
// of QtWindowSystem live beside this file: the event wiring (_attach), the modal dialogs
// (_dialogs), the controls (_controls), and timers and painting (_timing).

#include "ui/qt/qt_window_system.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QWindow>

#include "ui/qt/qt_text.h"
#include "ui/qt/system_folders.h"
#include "ui/texts.h"

namespace rotopal::qt {

QtWindowSystem::QtWindowSystem()
    : main_(std::make_unique<MainWindow>()),
      preview_(std::make_unique<PreviewWindow>()),
      status_(std::make_unique<StatusWindow>()),
      import_(std::make_unique<ImportWindow>()) {
    for (const auto which :
         {Timer::Form1_Timer1, Timer::Form2_Timer1, Timer::Form4_Timer1, Timer::Form4_Timer2}) {
        timers_[which].timer = std::make_unique<QTimer>();
    }
}

QtWindowSystem::~QtWindowSystem() = default;

void QtWindowSystem::ShowMainWindow() {
    main_->show();
    // A picture named on the command line opens the import dialog while the main window is
    // being loaded, before it is shown: the dialog must still end up above it.
    if (import_->isVisible()) {
        ShowForm(Form::Form4);
    }
}

void QtWindowSystem::KeepAboveMainWindow(QWidget& window) {
    // Window managers keep a transient window above its parent. Not a child of the main
    // window: that is disabled while the dialog is open, and a child would be too.
    window.winId();
    main_->winId();
    if (window.windowHandle() != nullptr && main_->windowHandle() != nullptr) {
        window.windowHandle()->setTransientParent(main_->windowHandle());
    }
}

QWidget* QtWindowSystem::ControlWidget(Control control) {
    MainWindow& w = *main_;
    switch (control) {
        case Control::Command1: return w.command1;
        case Control::Command2_0: return w.command2[0];
        case Control::Command2_1: return w.command2[1];
        case Control::Command3: return w.command3;
        case Control::Command4: return w.command4;
        case Control::HScroll1: return w.hscroll1;
        case Control::Picture1: return w.picture1;
        case Control::Picture2: return w.picture2;
        case Control::Picture3: return w.picture3;
        case Control::Picture4: return w.picture4;
    }
    return nullptr;
}

QWidget* QtWindowSystem::FormWidget(Form form) {
    switch (form) {
        case Form::Form1: return main_.get();
        case Form::Form2: return preview_.get();
        case Form::Form3: return status_.get();
        case Form::Form4: return import_.get();
    }
    return nullptr;
}

void QtWindowSystem::CentreOnScreen(QWidget& window) {
    const QScreen* screen =
        main_->screen() != nullptr ? main_->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + (area.width() - size.width()) / 2,
                area.y() + (area.height() - size.height()) / 2);
}

void QtWindowSystem::ShowForm(Form form) {
    QWidget* window = FormWidget(form);
    if (form == Form::Form1) {
        window->show();
        return;
    }
    // The other windows open centred on the screen, each time; the import dialog is laid out
    // first, so that its size is known.
    if (form == Form::Form4) {
        KeepAboveMainWindow(*window);
    }
    if (!window->isVisible()) {
        if (form == Form::Form4) {
            window->adjustSize();
        }
        CentreOnScreen(*window);
    }
    window->show();
    if (form == Form::Form2 || form == Form::Form4) {
        window->raise();
        window->activateWindow();  // the preview's activation starts it
    }
    // The status window only informs: showing it leaves the preview the active window.
}

void QtWindowSystem::UnloadForm(Form form) {
    switch (form) {
        case Form::Form1:
            main_->close();  // runs Form_Unload through the close handler
            return;
        case Form::Form2:
            preview_->hide();
            // Its timer goes with it; the next showing gives it its interval again.
            timers_.at(Timer::Form2_Timer1).interval = 0;
            Refresh(timers_.at(Timer::Form2_Timer1));
            // Shown again, it starts as designed: no image until its first tick.
            preview_->surface->Present(QImage());
            return;
        case Form::Form4: import_->hide(); return;
        case Form::Form3:
            status_->hide();
            status_->setWindowTitle(QString());
            status_->label1->setText(Q(texts::kStatusLabelInitial));
            return;
    }
}

int QtWindowSystem::FormTop(Form form) {
    return FormWidget(form)->frameGeometry().top();
}

int QtWindowSystem::FormHeight(Form form) {
    return FormWidget(form)->frameGeometry().height();
}

void QtWindowSystem::SetFormTop(Form form, int top) {
    QWidget* window = FormWidget(form);
    window->move(window->frameGeometry().left(), top);
}

WindowsFolder QtWindowSystem::WindowsDirectory() {
    return CurrentWindowsFolder();
}

std::string QtWindowSystem::ProgramFolder() {
    // An installed program's folder is not where users keep their files.
    const QString folder = QCoreApplication::applicationDirPath();
    if (::access(folder.toLocal8Bit().constData(), W_OK) == 0) {
        return folder.toStdString();
    }
    return QDir::currentPath().toStdString();
}

void QtWindowSystem::EndProgram() {
    preview_->hide();
    status_->hide();
    import_->hide();
    main_->hide();
    QCoreApplication::quit();
}

}  // namespace rotopal::qt
