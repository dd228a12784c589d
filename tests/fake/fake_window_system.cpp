#include "tests/fake/fake_window_system.h"

#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <sys/stat.h>

#include <algorithm>

#include "tests/initial_states.h"
#include "ui/form1.h"
#include "ui/form2.h"

namespace rotopal::test {

std::string ToString(Control control) {
    switch (control) {
        case Control::Command1: return "Command1";
        case Control::Command2_0: return "Command2(0)";
        case Control::Command2_1: return "Command2(1)";
        case Control::Command3: return "Command3";
        case Control::Command4: return "Command4";
        case Control::HScroll1: return "HScroll1";
        case Control::Picture1: return "Picture1";
        case Control::Picture2: return "Picture2";
        case Control::Picture3: return "Picture3";
        case Control::Picture4: return "Picture4";
    }
    return "?";
}

namespace {

std::string Name(Form form) {
    switch (form) {
        case Form::Form1: return "Form1";
        case Form::Form2: return "Form2";
        case Form::Form3: return "Form3";
        case Form::Form4: return "Form4";
    }
    return "?";
}

std::string Name(Surface surface) {
    switch (surface) {
        case Surface::Picture2: return "Picture2";
        case Surface::Picture3: return "Picture3";
        case Surface::Form2: return "Form2";
        case Surface::Form4: return "Form4";
    }
    return "?";
}

std::string Name(Timer timer) {
    switch (timer) {
        case Timer::Form1_Timer1: return "Form1.Timer1";
        case Timer::Form2_Timer1: return "Form2.Timer1";
        case Timer::Form4_Timer1: return "Form4.Timer1";
        case Timer::Form4_Timer2: return "Form4.Timer2";
    }
    return "?";
}

template <class T>
T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        return fallback;
    }
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

}  // namespace

FakeWindowSystem::FakeWindowSystem() {
    for (const auto& [control, on] : kInitialControls) {
        enabled[control] = on;
    }
    for (const auto& [form, on, onScreen] : kInitialForms) {
        formEnabled[form] = on;
        visible[form] = onScreen;
    }
    tops[Form::Form2] = 300;
}

int FakeWindowSystem::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& entry : log) {
        n += entry.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return n;
}

MessageAnswer FakeWindowSystem::MessageBox(std::string_view caption, std::string_view text,
                                           MessageIcon icon, MessageButtons buttons) {
    messageBoxes.push_back({std::string(caption), std::string(text), icon, buttons});
    log.push_back("MessageBox " + std::string(text));
    WhileModal();
    const auto fallback = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    return Next(messageAnswers, fallback);
}

FileDialogAnswer FakeWindowSystem::OpenFileDialog(std::string_view title,
                                                  const std::vector<FileFilter>& filters,
                                                  const std::string& initialFolder) {
    lastDialogTitle = title;
    lastFilters = filters;
    lastDialogFolder = initialFolder;
    log.push_back("OpenFileDialog");
    FileDialogAnswer answer = Next(openAnswers, FileDialogAnswer{});
    if (answer.path.empty()) {
        answer.filterIndex = 0;
    }
    return answer;
}

FileDialogAnswer FakeWindowSystem::SaveFileDialog(std::string_view title,
                                                  const std::vector<FileFilter>& filters,
                                                  const std::string& initialFolder,
                                                  const std::string& initialName) {
    lastDialogTitle = title;
    lastFilters = filters;
    lastDialogFolder = initialFolder;
    lastSaveName = initialName;
    log.push_back("SaveFileDialog");
    for (;;) {
        FileDialogAnswer answer = Next(saveAnswers, FileDialogAnswer{});
        const auto slash = answer.path.find_last_of('/');
        const std::string folder = slash == std::string::npos
                                       ? "."
                                       : answer.path.substr(0, std::max<std::size_t>(slash, 1));
        struct stat st {};
        if (answer.path.empty() || (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            return answer;
        }
        ++refusedSaveAnswers;
    }
}

std::optional<std::int32_t> FakeWindowSystem::ColorDialog(
    std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) {
    lastInitialColour = initialColour;
    lastCustomColours = customColours;
    log.push_back("ColorDialog " + std::to_string(initialColour));
    return Next(colourAnswers, std::optional<std::int32_t>{});
}

void FakeWindowSystem::SetEnabled(Control control, bool on) {
    enabled[control] = on;
    log.push_back("SetEnabled " + ToString(control) + (on ? " on" : " off"));
}

void FakeWindowSystem::SetFormEnabled(Form form, bool on) {
    formEnabled[form] = on;
    log.push_back("SetFormEnabled " + Name(form) + (on ? " on" : " off"));
}

void FakeWindowSystem::SetCaption(Form form, std::string_view caption) {
    captions[form] = caption;
    log.push_back("SetCaption " + Name(form) + " " + std::string(caption));
}

void FakeWindowSystem::SetLabel(Label label, std::string_view text) {
    labels[label] = text;
    log.push_back("SetLabel " + std::to_string(static_cast<int>(label)) + " " + std::string(text));
}

void FakeWindowSystem::SetScrollValue(int value) {
    scrollValue = value;
    log.push_back("SetScrollValue " + std::to_string(value));
}

void FakeWindowSystem::SetTimerInterval(Timer timer, int milliseconds) {
    timerIntervals[timer] = milliseconds;
    log.push_back("SetTimerInterval " + Name(timer) + " " + std::to_string(milliseconds));
}

void FakeWindowSystem::SetTimerEnabled(Timer timer, bool on) {
    timerEnabled[timer] = on;
    log.push_back("SetTimerEnabled " + Name(timer) + (on ? " on" : " off"));
}

void FakeWindowSystem::ShowImage(Surface surface, const ArgbImage& image) {
    shown[surface] = image;
    log.push_back("ShowImage " + Name(surface));
}

void FakeWindowSystem::ClearStatusLine() {
    statusLine.clear();
    log.push_back("ClearStatusLine");
}

void FakeWindowSystem::PrintStatusLine(std::string_view text) {
    statusLine += text;
    log.push_back("PrintStatusLine " + std::string(text));
}

std::optional<int> FakeWindowSystem::ShowPopupMenu(PopupMenu menu) {
    log.push_back(menu == PopupMenu::Menu ? "ShowPopupMenu Menu" : "ShowPopupMenu Menu_Save");
    WhileModal();
    return Next(menuAnswers, std::optional<int>{});
}

void FakeWindowSystem::ShowForm(Form form) {
    visible[form] = true;
    log.push_back("ShowForm " + Name(form));
}

void FakeWindowSystem::UnloadForm(Form form) {
    visible[form] = false;
    log.push_back("UnloadForm " + Name(form));
}

int FakeWindowSystem::FormHeight(Form form) {
    return form == Form::Form3 ? 40 : 430;
}

void FakeWindowSystem::SetFormTop(Form form, int top) {
    tops[form] = top;
    log.push_back("SetFormTop " + Name(form) + " " + std::to_string(top));
}

void FakeWindowSystem::RepaintForm(Form form) {
    log.push_back("RepaintForm " + Name(form));
    if (visible[form] && form == Form::Form3) {
        painted[form] = labels[Label::Form3_Label1];
    }
}

void FakeWindowSystem::DoEvents() {
    log.push_back("DoEvents");
    if (onDoEvents) {
        onDoEvents();
    }
}

void FakeWindowSystem::EndProgram() {
    ended = true;
    log.push_back("EndProgram");
}

// ---- The user --------------------------------------------------------------------------------

void FakeWindowSystem::Attach(Form1& form1, Form2& form2) {
    form1_ = &form1;
    form2_ = &form2;
}

bool FakeWindowSystem::Reachable(Control control) {
    return form1_ != nullptr && formEnabled[Form::Form1] && enabled[control];
}

void FakeWindowSystem::UserMovesPointer(Control control) {
    if (!Reachable(control)) {
        return;
    }
    switch (control) {
        case Control::Command1: form1_->Command1_MouseMove(); break;
        case Control::Command2_0: form1_->Command2_MouseMove(0); break;
        case Control::Command2_1: form1_->Command2_MouseMove(1); break;
        case Control::Command3: form1_->Command3_MouseMove(); break;
        case Control::Command4: form1_->Command4_MouseMove(); break;
        case Control::Picture2: form1_->Picture2_MouseMove(0, 0, 120, 120); break;
        case Control::Picture3: form1_->Picture3_MouseMove(); break;
        default: break;  // no hint of its own
    }
}

void FakeWindowSystem::UserClicks(Control control) {
    if (!Reachable(control)) {
        return;
    }
    const bool takesFocus = focus_ != control;
    focus_ = control;
    if (control == Control::HScroll1 && takesFocus) {
        form1_->HScroll1_GotFocus();
    }
    switch (control) {
        case Control::Command1: form1_->Command1_Click(); break;
        case Control::Command2_0: form1_->Command2_Click(0); break;
        case Control::Command2_1: form1_->Command2_Click(1); break;
        case Control::Command3: form1_->Command3_Click(); break;
        case Control::Command4: form1_->Command4_Click(); break;
        default: break;
    }
}

void FakeWindowSystem::UserPressesKey(Control control, UserKey key) {
    if (control != Control::HScroll1 || !Reachable(control)) {
        return;
    }
    int value = scrollValue;
    switch (key) {
        case UserKey::Left:
        case UserKey::Up:
        case UserKey::PageUp: --value; break;  // the page is one step
        case UserKey::Right:
        case UserKey::Down:
        case UserKey::PageDown: ++value; break;
        case UserKey::Home: value = 0; break;
        case UserKey::End: value = 255; break;
    }
    value = std::clamp(value, 0, 255);
    if (value != scrollValue) {
        scrollValue = value;
        form1_->HScroll1_Change();
    }
}

void FakeWindowSystem::UserPressesShortcut(UserShortcut shortcut) {
    // The keys belong to the main window: only while it is shown and enabled.
    if (form1_ == nullptr || !formEnabled[Form::Form1] || !visible[Form::Form1]) {
        return;
    }
    if (shortcut == UserShortcut::Undo) {
        form1_->Edit_Undo();
    } else {
        form1_->Edit_Redo();
    }
}

void FakeWindowSystem::UserClosesForm(Form form) {
    if (form1_ == nullptr || !formEnabled[form] || !visible[form]) {
        return;
    }
    if (form == Form::Form1) {
        form1_->Form_Unload();
    } else if (form == Form::Form2) {
        form2_->Form_Unload();
        UnloadForm(Form::Form2);
    }
}

void FakeWindowSystem::UserDropsFiles(std::vector<std::string> paths) {
    if (form1_ != nullptr && formEnabled[Form::Form1]) {
        pendingDrops_.push_back(std::move(paths));
    }
}

void FakeWindowSystem::RunEventLoop() {
    auto drops = std::move(pendingDrops_);
    pendingDrops_.clear();
    for (const auto& paths : drops) {
        form1_->Form_DragDrop(paths);
    }
    // Work handed out by the handlers above runs too; what it hands out runs on the next pass.
    auto jobs = std::move(pendingWork_);
    pendingWork_.clear();
    for (auto& job : jobs) {
        std::mutex mutex;
        std::optional<int> latest;
        std::thread worker([&] {
            job.work([&](int percent) {
                const std::lock_guard lock(mutex);
                latest = percent;
            });
        });
        worker.join();
        if (latest) {
            job.progress(*latest);
        }
        job.done(WorkEnd::Finished);
    }
}

void FakeWindowSystem::WhileModal() {
    if (auto action = std::exchange(whileModal, nullptr)) {
        action();
    }
}

void FakeWindowSystem::RunInBackground(BackgroundWork job) {
    log.push_back("RunInBackground");
    pendingWork_.push_back(std::move(job));
}

void FakeWindowSystem::ShowImportOptions(const ImportOptions& options) {
    importOptions = options;
    log.push_back("ShowImportOptions");
}

void FakeWindowSystem::SetBusy(bool on) {
    busy = on;
    log.push_back(std::string("SetBusy ") + (on ? "on" : "off"));
}

}  // namespace rotopal::test
