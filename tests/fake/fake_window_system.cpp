#include "tests/fake/fake_window_system.h"

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
    }
    return "?";
}

std::string Name(Surface surface) {
    switch (surface) {
        case Surface::Picture2: return "Picture2";
        case Surface::Picture3: return "Picture3";
        case Surface::Form2: return "Form2";
    }
    return "?";
}

std::string Name(Timer timer) {
    return timer == Timer::Form1_Timer1 ? "Form1.Timer1" : "Form2.Timer1";
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
    // The design's enabled states at start-up.
    for (const auto c : {Control::Command1, Control::Command3, Control::Picture1, Control::Picture3,
                         Control::Picture4}) {
        enabled[c] = true;
    }
    for (const auto c : {Control::Command2_0, Control::Command2_1, Control::Command4,
                         Control::HScroll1, Control::Picture2}) {
        enabled[c] = false;
    }
    formEnabled[Form::Form1] = true;
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
    const auto fallback = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    return Next(messageAnswers, fallback);
}

std::string FakeWindowSystem::OpenFileDialog(std::string_view title,
                                             const std::vector<FileFilter>& filters,
                                             const std::string& initialFolder) {
    lastDialogTitle = title;
    lastFilters = filters;
    lastDialogFolder = initialFolder;
    log.push_back("OpenFileDialog");
    return Next(openAnswers, std::string());
}

SaveDialogAnswer FakeWindowSystem::SaveFileDialog(std::string_view title,
                                                  const std::vector<FileFilter>& filters,
                                                  const std::string& initialFolder,
                                                  const std::string& initialName) {
    lastDialogTitle = title;
    lastFilters = filters;
    lastDialogFolder = initialFolder;
    lastSaveName = initialName;
    log.push_back("SaveFileDialog");
    return Next(saveAnswers, SaveDialogAnswer{});
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

}  // namespace rotopal::test
