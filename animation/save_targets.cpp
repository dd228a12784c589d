#include "animation/save_targets.h"

#include <cctype>

namespace rotopal {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const auto tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        // ASCII upper-casing only: a multi-byte character is never a letter of ".BMP".
        const auto c = static_cast<unsigned char>(tail[i]);
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : tail[i];
        if (upper != suffix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsDriveLetterPath(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string DriveRoot(std::string_view windowsDir) {
    if (IsDriveLetterPath(windowsDir)) {
        return std::string(windowsDir.substr(0, 3));
    }
    auto folder = windowsDir;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    const auto slash = folder.find_last_of('/');
    if (slash == std::string_view::npos) {
        return "./";  // a relative Windows folder lies in the current one
    }
    return std::string(folder.substr(0, slash + 1));
}

std::string ScreenTargetPath(ScreenTarget target, std::string_view windowsDir,
                             ScreenPlacement placement) {
    switch (target) {
        case ScreenTarget::Startup:
            return (placement == ScreenPlacement::AllInFolder ? std::string(windowsDir)
                                                              : DriveRoot(windowsDir)) +
                   "logo.sys";
        case ScreenTarget::Shutdown: return std::string(windowsDir) + "logow.sys";
        case ScreenTarget::SwitchOff: return std::string(windowsDir) + "logos.sys";
    }
    return {};
}

std::string WithBitmapExtension(std::string_view path) {
    std::string name(path);
    if (!EndsWithNoCase(path, ".BMP") && !EndsWithNoCase(path, ".DIB")) {
        name += ".bmp";
    }
    return name;
}

std::string FrameFileName(std::string_view fileName, int frame) {
    // The last three characters of "00" and the number: 001 ... 999.
    const std::string digits = "00" + std::to_string(frame);
    return std::string(fileName) + digits.substr(digits.size() - 3) + ".bmp";
}

}  // namespace rotopal
