#include "ui/command_line.h"

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

}  // namespace rotopal
