#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rotopal {

// The command-line text: the program's arguments joined by single blanks, so that an unquoted
// path with blanks still arrives as one text.
std::string CommandLineText(std::span<const std::string> arguments);

// The path the command line names, if any. A text starting with a double quote loses its first
// and last characters; nothing else is trimmed or split. A text that is empty, or nothing but
// its quotes, names no file.
std::optional<std::string> CommandLinePath(std::string_view text);

// What the program is asked for: its window, or (as the only argument) its version or help,
// which are printed without opening a window, so they work without a display.
enum class ProgramRequest { Window, Version, Help };
ProgramRequest RequestOf(std::span<const std::string> arguments);

// The texts printed for --version and --help.
std::string VersionText();
std::string HelpText();

}  // namespace rotopal
