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

ProgramRequest RequestOf(std::span<const std::string> arguments) {
    if (arguments.size() == 1 && arguments[0] == "--version") {
        return ProgramRequest::Version;
    }
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        return ProgramRequest::Help;
    }
    return ProgramRequest::Window;
}

std::string VersionText() {
    return "rotopal " + std::string(kVersion) + "\n";
}

std::string HelpText() {
    return "Usage: rotopal [FILE]\n"
           "Edit the palette animation of a 320 x 400 start-up or shut-down screen\n"
           "(logo.sys, logow.sys, logos.sys) in a window. FILE, when given, is opened at\n"
           "start; its arguments are joined by single blanks, so an unquoted path with\n"
           "blanks still works. A picture that is not a screen can be dropped on the window\n"
           "to turn it into one.\n"
           "\n"
           "      --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "\n"
           "The window needs a display (X11 or Wayland); rotopal-cli does the same work on\n"
           "the command line.\n";
}

}  // namespace rotopal
