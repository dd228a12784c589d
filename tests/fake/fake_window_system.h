#pragma once

// A scripted stand-in for the window system: it records every call in order, keeps the state a
// real window would show (captions, labels, enabled controls, the images last presented), and
// answers message boxes and dialogs from queues the test fills beforehand.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/window_system.h"

namespace rotopal {
class Form1;
class Form2;
}  // namespace rotopal

namespace rotopal::test {

// Keys a user presses on the range scroll bar.
enum class UserKey { Left, Right, Up, Down, PageUp, PageDown, Home, End };
// The main window's keys for undo (Ctrl+Z) and redo (Ctrl+Shift+Z, Ctrl+Y).
enum class UserShortcut { Undo, RedoShiftZ, RedoY };

struct MessageBoxCall {
    std::string caption, text;
    MessageIcon icon;
    MessageButtons buttons;
};

class FakeWindowSystem : public WindowSystem {
public:
    FakeWindowSystem();

    // Scripts. An empty queue answers No, cancel or "nothing chosen".
    std::deque<MessageAnswer> messageAnswers;
    std::deque<FileDialogAnswer> openAnswers;
    std::deque<FileDialogAnswer> saveAnswers;
    std::deque<std::optional<std::int32_t>> colourAnswers;
    std::deque<std::optional<int>> menuAnswers;
    // Runs inside DoEvents, for tests of what may happen during a yield.
    std::function<void()> onDoEvents;
    // Runs once inside the next message box or pop-up menu, as if the user did it meanwhile.
    std::function<void()> whileModal;

    // What was done.
    std::vector<std::string> log;
    std::vector<MessageBoxCall> messageBoxes;
    std::map<Control, bool> enabled;
    std::map<Form, bool> formEnabled;
    std::map<Form, std::string> captions;
    std::map<Label, std::string> labels;
    std::map<Timer, int> timerIntervals;
    std::map<Timer, bool> timerEnabled;
    std::map<Surface, ArgbImage> shown;
    std::map<Form, bool> visible;
    std::map<Form, int> tops;
    std::string statusLine;
    int scrollValue = 0;
    std::string windowsDirectory = "/win";
    bool windowsIsFallback = false;
    std::string programFolder = "/opt/rotopal";
    bool ended = false;

    // The windows whose handlers the user's actions below reach, as the adapter connects them.
    void Attach(Form1& form1, Form2& form2);
    // What a user does. Each action reaches a handler only where the window system delivers it:
    // at an enabled control of an enabled window.
    void UserMovesPointer(Control control);
    void UserClicks(Control control);  // the scroll bar: on its thumb
    void UserPressesKey(Control control, UserKey key);
    void UserPressesShortcut(UserShortcut shortcut);
    void UserClosesForm(Form form);
    // A drop on the main window; its handler runs when the event loop next runs.
    void UserDropsFiles(std::vector<std::string> paths);
    // The event loop between handlers: runs the work that waits for it: dropped files, then
    // background work, each on a thread of its own and joined, followed by its handlers.
    void RunEventLoop();
    // Background work handed out and not yet run.
    std::size_t PendingWork() const { return pendingWork_.size(); }
    bool busy = false;
    // What the import dialog's controls show.
    ImportOptions importOptions;
    // The status window's label as its last repaint drew it.
    std::map<Form, std::string> painted;

    // Counts log entries that start with the prefix.
    int Count(const std::string& prefix) const;
    void ClearLog() { log.clear(); }

    MessageAnswer MessageBox(std::string_view caption, std::string_view text, MessageIcon icon,
                             MessageButtons buttons) override;
    FileDialogAnswer OpenFileDialog(std::string_view title, const std::vector<FileFilter>& filters,
                                    const std::string& initialFolder) override;
    FileDialogAnswer SaveFileDialog(std::string_view title, const std::vector<FileFilter>& filters,
                                    const std::string& initialFolder,
                                    const std::string& initialName) override;
    std::optional<std::int32_t> ColorDialog(
        std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) override;
    void SetEnabled(Control control, bool on) override;
    void SetFormEnabled(Form form, bool on) override;
    void SetCaption(Form form, std::string_view caption) override;
    void SetLabel(Label label, std::string_view text) override;
    int ScrollValue() override { return scrollValue; }
    void SetScrollValue(int value) override;
    void SetTimerInterval(Timer timer, int milliseconds) override;
    void SetTimerEnabled(Timer timer, bool on) override;
    void ShowImage(Surface surface, const ArgbImage& image) override;
    void ClearStatusLine() override;
    void PrintStatusLine(std::string_view text) override;
    std::optional<int> ShowPopupMenu(PopupMenu menu) override;
    void ShowForm(Form form) override;
    void UnloadForm(Form form) override;
    int FormTop(Form form) override { return tops[form]; }
    int FormHeight(Form form) override;
    void SetFormTop(Form form, int top) override;
    void RepaintForm(Form form) override;
    void DoEvents() override;
    WindowsFolder WindowsDirectory() override { return {windowsDirectory, windowsIsFallback}; }
    std::string ProgramFolder() override { return programFolder; }
    void EndProgram() override;
    void RunInBackground(BackgroundWork job) override;
    void SetBusy(bool on) override;
    void ShowImportOptions(const ImportOptions& options) override;

    // Answers whose folder does not exist are refused, as the real dialog refuses them, and the
    // next answer is taken.
    int refusedSaveAnswers = 0;

    // The last dialog requests, for checking what was asked.
    std::vector<FileFilter> lastFilters;
    std::string lastDialogTitle, lastDialogFolder, lastSaveName;
    std::int32_t lastInitialColour = 0;
    std::array<std::int32_t, 16> lastCustomColours{};

private:
    void WhileModal();
    bool Reachable(Control control);
    Form1* form1_ = nullptr;
    Form2* form2_ = nullptr;
    std::optional<Control> focus_;
    std::vector<std::vector<std::string>> pendingDrops_;
    std::vector<BackgroundWork> pendingWork_;
};

std::string ToString(Control control);

}  // namespace rotopal::test
