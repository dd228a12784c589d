#pragma once

// How the windows stand when the program has started and no handler has run yet: which
// controls and windows are enabled and which windows are shown. The scripted window system
// starts from this table and the contract test holds the Qt adapter to it, so a test of the
// form logic cannot pass on a start the real windows do not have.

#include <array>
#include <cstddef>

#include "ui/window_system.h"

namespace rotopal::test {

struct InitialControl {
    Control control;
    bool enabled;
};

// One row per control, in the order of the enumeration. Until a file is open only open, exit
// and the panels work.
inline constexpr std::array<InitialControl, 10> kInitialControls = {{
    {Control::Command1, true},
    {Control::Command2_0, false},
    {Control::Command2_1, false},
    {Control::Command3, true},
    {Control::Command4, false},
    {Control::HScroll1, false},
    {Control::Picture1, true},
    {Control::Picture2, false},
    {Control::Picture3, true},
    {Control::Picture4, true},
}};

struct InitialForm {
    Form form;
    bool enabled;
    bool visible;
};

// One row per window, in the order of the enumeration. The program's start shows the main
// window; the form logic shows the others when it needs them.
inline constexpr std::array<InitialForm, 4> kInitialForms = {{
    {Form::Form1, true, true},
    {Form::Form2, true, false},
    {Form::Form3, true, false},
    {Form::Form4, true, false},
}};

// A control or window added to the enumerations needs its row here.
constexpr bool RowsFollowTheEnumerations() {
    for (std::size_t i = 0; i < kInitialControls.size(); ++i) {
        if (static_cast<std::size_t>(kInitialControls[i].control) != i) {
            return false;
        }
    }
    for (std::size_t i = 0; i < kInitialForms.size(); ++i) {
        if (static_cast<std::size_t>(kInitialForms[i].form) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(Control::Picture4) + 1 == kInitialControls.size() &&
           static_cast<std::size_t>(Form::Form4) + 1 == kInitialForms.size();
}
static_assert(RowsFollowTheEnumerations());

}  // namespace rotopal::test
