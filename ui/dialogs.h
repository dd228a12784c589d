#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/window_system.h"

namespace rotopal {

// The three dialog procedures. Each shows its dialog modal to the main window and turns the
// answer into a plain result; a dialog that fails counts as cancelled.

// The chosen existing file ("" when cancelled) and the number of the file type selected, from 1.
// `filter` is the NUL-separated filter text.
FileDialogAnswer ShowOpenDialog(WindowSystem& ws, std::string_view filter,
                                const std::string& initialFolder);

// The chosen path ("" when cancelled) and the number of the file type selected, from 1. The
// name field starts as "logo.sys" with the first file type selected; the dialog itself asks
// before an existing file is chosen.
FileDialogAnswer ShowSaveDialog(WindowSystem& ws, std::string_view filter,
                                const std::string& initialFolder);

// The chosen colour as 0x00BBGGRR, or nothing when cancelled. Every call starts with 16 white
// custom colours; custom colours defined in one dialog are gone in the next.
std::optional<std::int32_t> ShowColorDialog(WindowSystem& ws, std::int32_t initialColour);

}  // namespace rotopal
