#include "ui/qt/qt_window_system.h"

#include <unistd.h>

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/qt/file_dialogs.h"
#include "ui/qt/system_folders.h"
#include "ui/texts.h"

namespace rotopal::qt {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Buttons as the handlers count them: 1 left, 2 right, 4 middle; others are not reported.
int ButtonCodes(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? kLeftButton : 0) |
           (buttons & Qt::RightButton ? kRightButton : 0) |
           (buttons & Qt::MiddleButton ? kMiddleButton : 0);
}

// The shift state: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftCode() {
    const auto held = QGuiApplication::keyboardModifiers();
    return (held & Qt::ShiftModifier ? 1 : 0) | (held & Qt::ControlModifier ? 2 : 0) |
           (held & Qt::AltModifier ? 4 : 0);
}

QImage ToQImage(const ArgbImage& image) {
    const QImage view(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                      image.height, image.width * 4, QImage::Format_RGB32);
    return view.copy();
}

}  // namespace

QtWindowSystem::QtWindowSystem()
    : main_(std::make_unique<MainWindow>()),
      preview_(std::make_unique<PreviewWindow>()),
      status_(std::make_unique<StatusWindow>()) {
    for (const auto which : {Timer::Form1_Timer1, Timer::Form2_Timer1}) {
        timers_[which].timer = std::make_unique<QTimer>();
    }
}

QtWindowSystem::~QtWindowSystem() = default;

void QtWindowSystem::Attach(Form1& form, Form2& preview) {
    preview_->onActivate = [&preview] { preview.Form_Activate(); };
    preview_->onClose = [this, &preview] {
        preview.Form_Unload();
        UnloadForm(Form::Form2);
    };
    QObject::connect(timers_[Timer::Form2_Timer1].timer.get(), &QTimer::timeout,
                     [&preview] { preview.Timer1_Timer(); });

    MainWindow& w = *main_;
    w.onClose = [&form] { form.Form_Unload(); };
    // The drop ends first, so the dragging program is not held while a file opens and perhaps
    // asks a question.
    w.onDropFiles = [this, &form](const std::vector<std::string>& paths) {
        Defer([&form, paths] { form.Form_DragDrop(paths); });
    };
    w.picture3->onExpose = [&form] { form.Picture3_Paint(); };
    w.picture3->onMove = [&form](Qt::MouseButtons, QPointF) { form.Picture3_MouseMove(); };
    w.picture2->onMove = [&form](Qt::MouseButtons buttons, QPointF at) {
        form.Picture2_MouseMove(ButtonCodes(buttons), ShiftCode(), static_cast<float>(at.x()),
                                static_cast<float>(at.y()));
    };
    w.picture2->onPress = [&form](Qt::MouseButton button, QPointF at) {
        if (const int code = ButtonCodes(button)) {
            form.Picture2_MouseDown(code, ShiftCode(), static_cast<float>(at.x()),
                                    static_cast<float>(at.y()));
        }
    };
    // Qt keeps delivering the pointer to the pressed box, so a release outside arrives here too.
    w.picture2->onRelease = [&form](Qt::MouseButton button, QPointF at) {
        if (const int code = ButtonCodes(button)) {
            form.Picture2_MouseUp(code, ShiftCode(), static_cast<float>(at.x()),
                                  static_cast<float>(at.y()));
        }
    };

    QObject::connect(w.command1, &QPushButton::clicked, [&form] { form.Command1_Click(); });
    QObject::connect(w.command2[0], &QPushButton::clicked, [&form] { form.Command2_Click(0); });
    QObject::connect(w.command2[1], &QPushButton::clicked, [&form] { form.Command2_Click(1); });
    QObject::connect(w.command3, &QPushButton::clicked, [&form] { form.Command3_Click(); });
    QObject::connect(w.command4, &QPushButton::clicked, [&form] { form.Command4_Click(); });
    w.command1->onMove = [&form] { form.Command1_MouseMove(); };
    w.command2[0]->onMove = [&form] { form.Command2_MouseMove(0); };
    w.command2[1]->onMove = [&form] { form.Command2_MouseMove(1); };
    w.command3->onMove = [&form] { form.Command3_MouseMove(); };
    w.command4->onMove = [&form] { form.Command4_MouseMove(); };

    QObject::connect(w.hscroll1, &QScrollBar::valueChanged, [&form] { form.HScroll1_Change(); });
    QObject::connect(w.hscroll1, &QScrollBar::sliderMoved, [&form] { form.HScroll1_Scroll(); });
    w.hscroll1->onFocus = [&form] { form.HScroll1_GotFocus(); };

    QObject::connect(timers_[Timer::Form1_Timer1].timer.get(), &QTimer::timeout,
                     [&form] { form.Timer1_Timer(); });
}

void QtWindowSystem::ShowMainWindow() {
    main_->show();
}

MessageAnswer QtWindowSystem::MessageBox(std::string_view caption, std::string_view text,
                                         MessageIcon icon, MessageButtons buttons) {
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const auto qtIcon = icon == MessageIcon::Question      ? QMessageBox::Question
                        : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon;
    const auto qtButtons =
        buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(qtIcon, Q(caption), shown, qtButtons, main_.get());
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::string QtWindowSystem::OpenFileDialog(std::string_view title,
                                           const std::vector<FileFilter>& filters,
                                           const std::string& initialFolder) {
    auto dialog = MakeFileDialog(main_.get(), title, filters, initialFolder);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (runFileDialog) {
        return runFileDialog(*dialog);
    }
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return dialog->selectedFiles().front().toStdString();
}

SaveDialogAnswer QtWindowSystem::SaveFileDialog(std::string_view title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& initialFolder,
                                                const std::string& initialName) {
    auto dialog = MakeFileDialog(main_.get(), title, filters, initialFolder);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(QString::fromStdString(initialName));
    if (runFileDialog) {
        const std::string path = runFileDialog(*dialog);
        return {path, path.empty() ? 0 : SelectedFilterNumber(*dialog)};
    }
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return {dialog->selectedFiles().front().toStdString(), SelectedFilterNumber(*dialog)};
}

std::optional<std::int32_t> QtWindowSystem::ColorDialog(
    std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) {
    const auto toQColor = [](std::int32_t bgr) {
        return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    };
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        QColorDialog::setCustomColor(i, toQColor(customColours[static_cast<std::size_t>(i)]));
    }
    if (runColorDialog) {
        return runColorDialog(initialColour);
    }
    QColorDialog dialog(toQColor(initialColour), main_.get());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QColor c = dialog.selectedColor();
    return c.red() | (c.green() << 8) | (c.blue() << 16);
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

FormWindow* QtWindowSystem::FormWidget(Form form) {
    switch (form) {
        case Form::Form1: return main_.get();
        case Form::Form2: return preview_.get();
        case Form::Form3: return status_.get();
    }
    return nullptr;
}

void QtWindowSystem::SetEnabled(Control control, bool enabled) {
    ControlWidget(control)->setEnabled(enabled);
}

void QtWindowSystem::SetFormEnabled(Form form, bool enabled) {
    FormWidget(form)->setEnabled(enabled);
}

void QtWindowSystem::SetCaption(Form form, std::string_view caption) {
    FormWidget(form)->setWindowTitle(Q(caption));
}

void QtWindowSystem::SetLabel(Label label, std::string_view text) {
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QLabel* target = label == Label::Form1_Label1   ? main_->label1
                     : label == Label::Form1_Label2 ? main_->label2
                     : label == Label::Form1_Label4 ? main_->label4
                                                    : status_->label1;
    target->setText(shown);
}

int QtWindowSystem::ScrollValue() {
    // While the thumb is dragged the position leads the value.
    return main_->hscroll1->sliderPosition();
}

void QtWindowSystem::SetScrollValue(int value) {
    const QSignalBlocker quiet(main_->hscroll1);
    main_->hscroll1->setValue(value);
}

void QtWindowSystem::Refresh(TimerState& state) {
    if (state.enabled && state.interval > 0) {
        state.timer->start(state.interval);
    } else {
        state.timer->stop();
    }
}

void QtWindowSystem::SetTimerInterval(Timer timer, int milliseconds) {
    auto& state = timers_.at(timer);
    if (state.interval == milliseconds && state.timer->isActive()) {
        return;  // the same period again changes nothing, not even the phase
    }
    state.interval = milliseconds;
    Refresh(state);
}

void QtWindowSystem::SetTimerEnabled(Timer timer, bool enabled) {
    auto& state = timers_.at(timer);
    state.enabled = enabled;
    Refresh(state);
}

void QtWindowSystem::ShowImage(Surface surface, const ArgbImage& image) {
    PictureBox* target = surface == Surface::Picture2   ? main_->picture2
                         : surface == Surface::Picture3 ? main_->picture3
                                                        : preview_->surface;
    target->Present(ToQImage(image));
}

void QtWindowSystem::ClearStatusLine() {
    main_->picture4->SetText({});
}

void QtWindowSystem::PrintStatusLine(std::string_view text) {
    main_->picture4->SetText(main_->picture4->text() + Q(text));
}

std::optional<int> QtWindowSystem::ShowPopupMenu(PopupMenu menu) {
    QMenu* shown = menu == PopupMenu::Menu ? main_->menu : main_->menuSave;
    QAction* chosen = shown->exec(QCursor::pos());
    if (chosen == nullptr) {
        return std::nullopt;
    }
    return static_cast<int>(shown->actions().indexOf(chosen));
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
    FormWindow* window = FormWidget(form);
    if (form == Form::Form1) {
        window->show();
        return;
    }
    // The preview and the status window both open centred on the screen, each time.
    if (!window->isVisible()) {
        CentreOnScreen(*window);
    }
    window->show();
    if (form == Form::Form2) {
        window->raise();
        window->activateWindow();  // its activation starts the preview
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
        case Form::Form3:
            status_->hide();
            status_->setWindowTitle(QString());
            status_->label1->setText(
                QString::fromUtf8(texts::kStatusLabelInitial.data(),
                                  static_cast<qsizetype>(texts::kStatusLabelInitial.size())));
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
    FormWindow* window = FormWidget(form);
    window->move(window->frameGeometry().left(), top);
}

void QtWindowSystem::Defer(std::function<void()> work) {
    QTimer::singleShot(0, main_.get(), [this, work = std::move(work)]() mutable {
        if (paintingOnly_) {
            Defer(std::move(work));  // not inside a repaint: after it
            return;
        }
        work();
    });
}

void QtWindowSystem::PaintPendingWindows(QWidget& window) {
    // A window shown inside a handler is mapped and exposed only when the event loop has
    // passed on the window system's answer; until then Qt paints nothing. Let the loop run
    // for the window system alone: input waits in Qt's queue, ticks are skipped and deferred
    // work runs later, so no other handler runs inside this one.
    paintingOnly_ = true;
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (auto& [which, state] : timers_) {
        quiet.push_back(std::make_unique<QSignalBlocker>(state.timer.get()));
    }
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
            break;
        }
        QThread::msleep(1);
    } while (waited.elapsed() < kExposeWaitMilliseconds);
    paintingOnly_ = false;
}

void QtWindowSystem::RepaintForm(Form form) {
    FormWindow* window = FormWidget(form);
    if (!window->isVisible()) {
        return;
    }
    // Until the window is on the screen, let the window system put it there; that also brings
    // other windows up to date, such as the main window under a dialog just closed. Once it is,
    // a repaint is all it takes, as in the export's loop.
    if (window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) {
        PaintPendingWindows(*window);
    }
    window->repaint();
}

void QtWindowSystem::DoEvents() {
    QCoreApplication::processEvents();
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
    main_->hide();
    QCoreApplication::quit();
}

}  // namespace rotopal::qt
