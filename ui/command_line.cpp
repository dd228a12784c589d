#include "ui/command_line.h"

#include "core/version.h"

namespace rotopal {

std::string CommandLineText(std::span<const std::string> arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        text += (i == 0 ? "" : " ") + arguments[i];
    }
    return text;
}

std::optional<std::string> CommandLinePath(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        // The last character is taken to be the closing quote and is not examined.
        text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view{};
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return std::string(text);
}

ProgramArguments ReadProgramArguments(std::span<const std::string> arguments) {
    if (arguments.size() == 1 && arguments[0] == "--version") {
        return {ProgramRequest::Version, ""};
    }
    if (arguments.size() == 1 && arguments[0] == "--help") {
        return {ProgramRequest::Help, ""};
    }
    if (!arguments.empty() && arguments[0] == "--import") {
        // The picture's path may hold blanks, as the command line's file may.
        const std::string path = CommandLineText(arguments.subspan(1));
        return {path.empty() ? ProgramRequest::Mistake : ProgramRequest::Import, path};
    }
    return {ProgramRequest::Window, CommandLineText(arguments)};
}

std::string VersionText() {
    return "rotopal " + std::string(kVersion) + "\n";
}

std::string HelpText() {
    return "Usage: rotopal [FILE]\n"
           "  or:  rotopal --import PICTURE\n"
           "Edit the palette animation of a 320 x 400 start-up or shut-down screen\n"
           "(logo.sys, logow.sys, logos.sys) in a window. FILE, when given, is opened at\n"
           "start; its arguments are joined by single blanks, so an unquoted path with\n"
           "blanks still works, and nothing in it is read as an option.\n"
           "\n"
           "      --import PICTURE  open the window with the dialog that makes a start-up\n"
           "                        screen from PICTURE (PNG, JPEG, GIF, WebP, TIFF, HEIF,\n"
           "                        BMP); a picture can also be dropped on the window, or\n"
           "                        chosen in the open dialog under 画像ファイル (pictures)\n"
           "      --help            print this help and exit\n"
           "      --version         print the version and exit\n"
           "\n"
           "The window needs a display (X11 or Wayland); rotopal-cli does the same work on\n"
           "the command line.\n";
}

}  // namespace rotopal
