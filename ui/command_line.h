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

// What the program is asked for: its window on the command line's file; its window with the
// import dialog on a picture (--import PICTURE); or, as the only argument, its version or help,
// printed without opening a window, so they work without a display. --import alone is a
// mistake to be told. Nothing else is an option: "-reverse" is a file's name.
enum class ProgramRequest { Window, Import, Version, Help, Mistake };
struct ProgramArguments {
    ProgramRequest request = ProgramRequest::Window;
    std::string text;  // Window: the command-line text; Import: the picture's path
};
ProgramArguments ReadProgramArguments(std::span<const std::string> arguments);

// The texts printed for --version and --help.
std::string VersionText();
std::string HelpText();

}  // namespace rotopal
