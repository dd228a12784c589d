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

}  // namespace rotopal
