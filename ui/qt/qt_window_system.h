#pragma once

#include <QFileDialog>
#include <QSignalBlocker>
#include <QTimer>
#include <map>
#include <vector>
#include <memory>
#include <type_traits>

#include "ui/qt/import_window.h"
#include "ui/qt/windows.h"
#include "ui/window_system.h"

namespace rotopal {
class Form1;
class Form2;
class ImportDialog;
}  // namespace rotopal

namespace rotopal::qt {

// The window system on Qt 6 Widgets: real windows, timers, message boxes and dialogs. It
// forwards the widgets' events to the form logic and presents the images the logic renders;
// it holds no document logic of its own.
class QtWindowSystem : public WindowSystem {
public:
    QtWindowSystem();
    ~QtWindowSystem() override;

    // Connects the widgets' events to the windows' handlers (qt_window_system_attach.cpp).
    void Attach(Form1& form1, Form2& form2);
    void AttachImportDialog(ImportDialog& dialog);
    void ShowMainWindow();

    MainWindow& mainWindow() { return *main_; }
    PreviewWindow& previewWindow() { return *preview_; }
    StatusWindow& statusWindow() { return *status_; }
    ImportWindow& importWindow() { return *import_; }
    QTimer& timer(Timer which) { return *timers_.at(which).timer; }
    // The widget of a control and the window of a form, for tests and the event hooks.
    QWidget* ControlWidget(Control control);
    QWidget* FormWidget(Form form);

    MessageAnswer MessageBox(std::string_view caption, std::string_view text, MessageIcon icon,
                             MessageButtons buttons) override;
    FileDialogAnswer OpenFileDialog(std::string_view title, const std::vector<FileFilter>& filters,
                               const std::string& initialFolder) override;
    FileDialogAnswer SaveFileDialog(std::string_view title, const std::vector<FileFilter>& filters,
                                    const std::string& initialFolder,
                                    const std::string& initialName) override;
    std::optional<std::int32_t> ColorDialog(
        std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) override;
    void SetEnabled(Control control, bool enabled) override;
    void SetFormEnabled(Form form, bool enabled) override;
    void SetCaption(Form form, std::string_view caption) override;
    void SetLabel(Label label, std::string_view text) override;
    int ScrollValue() override;
    void SetScrollValue(int value) override;
    void SetTimerInterval(Timer timer, int milliseconds) override;
    void SetTimerEnabled(Timer timer, bool enabled) override;
    void ShowImage(Surface surface, const ArgbImage& image) override;
    void ClearStatusLine() override;
    void PrintStatusLine(std::string_view text) override;
    std::optional<int> ShowPopupMenu(PopupMenu menu) override;
    void ShowForm(Form form) override;
    void UnloadForm(Form form) override;
    int FormTop(Form form) override;
    int FormHeight(Form form) override;
    void SetFormTop(Form form, int top) override;
    void RepaintForm(Form form) override;
    void DoEvents() override;
    WindowsFolder WindowsDirectory() override;
    std::string ProgramFolder() override;
    void EndProgram() override;
    void RunInBackground(BackgroundWork job) override;
    void SetBusy(bool busy) override;
    void ShowImportOptions(const ImportOptions& options) override;

    // Hooks for tests: replace the modal dialogs with scripted answers.
    std::function<std::string(QFileDialog&)> runFileDialog;
    std::function<std::optional<std::int32_t>(std::int32_t)> runColorDialog;

private:
    // A timer with the enabled flag and interval of a form's timer control: it ticks only while
    // enabled and given an interval.
    struct TimerState {
        std::unique_ptr<QTimer> timer;
        bool enabled = true;
        int interval = 0;
    };
    void Refresh(TimerState& state);
    // Runs work once the current event has been handled, never inside a repaint and never
    // inside a modal loop: work that comes up meanwhile is held until the loop ends.
    void Defer(std::function<void()> work);
    // While one lives, a modal loop (a message box, a file or colour dialog, a pop-up menu) is
    // running inside a handler: the forms' timers hold their ticks and deferred work waits, so
    // that no other handler runs inside the one that opened it.
    class ModalLoop {
    public:
        explicit ModalLoop(QtWindowSystem& ws);
        ~ModalLoop();
        ModalLoop(const ModalLoop&) = delete;
        ModalLoop& operator=(const ModalLoop&) = delete;

    private:
        QtWindowSystem& ws_;
        std::vector<std::unique_ptr<QSignalBlocker>> quiet_;
    };
    // Runs a handler; an exception that escapes it is told to the user, not passed to Qt.
    void RunGuarded(const std::function<void()>& handler);
    void ReportFailure(std::string text);
    // A handler, run guarded, given the arguments its event brings when it takes them (Qt's
    // signals may bring more than a handler wants).
    template <class Handler>
    auto Guarded(Handler handler) {
        return [this, handler](auto&&... arguments) {
            RunGuarded([&] {
                if constexpr (std::is_invocable_v<Handler, decltype(arguments)...>) {
                    handler(arguments...);
                } else {
                    handler();
                }
            });
        };
    }
    // Lets the window system map, expose and paint what is pending, with no handler running.
    void PaintPendingWindows(QWidget& window);
    // Places a window in the middle of the main window's screen.
    void CentreOnScreen(QWidget& window);
    void KeepAboveMainWindow(QWidget& window);

    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<PreviewWindow> preview_;
    std::unique_ptr<StatusWindow> status_;
    std::unique_ptr<ImportWindow> import_;
    std::map<Timer, TimerState> timers_;
    bool paintingOnly_ = false;
    int modalLoops_ = 0;
    std::vector<std::function<void()>> held_;  // deferred while a modal loop runs
    // How long a repaint waits for a newly shown window to appear; a window manager that never
    // maps it must not hang the program.
    static constexpr int kExposeWaitMilliseconds = 2000;
};

}  // namespace rotopal::qt
