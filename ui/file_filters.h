#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/window_system.h"

namespace rotopal {

// The file types of the open dialog, in display order: the four of screens and bitmaps, then
// the pictures the import reads, at this number counted from 1.
std::vector<FileFilter> OpenDialogFilters();
inline constexpr int kPictureFilterNumber = 5;
// The file types of the save dialog: screen file, bitmap, numbered output.
std::vector<FileFilter> SaveDialogFilters();

// The dialogs' filter text: each description and each pattern list followed by a NUL, several
// patterns of one entry joined by ";".
std::string FilterText(const std::vector<FileFilter>& filters);
std::vector<FileFilter> ParseFilterText(std::string_view text);

// Whether a file name matches a pattern with "*" and "?", ignoring the case of ASCII letters
// (LOGO.SYS matches logo*.sys).
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace rotopal
