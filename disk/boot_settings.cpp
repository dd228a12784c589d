#include "disk/boot_settings.h"

#include <algorithm>
#include <string_view>

#include "disk/fat_directory.h"

namespace rotopal {
namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Uppercase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

Failure<DiskError> Refused(const BootSettings& settings, const std::string& why) {
    std::string shown;
    for (const char c : settings.windowsDir) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    return Failure{DiskError{.kind = DiskErrorKind::BadWindowsFolder,
                             .detail = "WinDir=" + shown + " " + why}};
}

}  // namespace

BootSettings ParseMsdosSys(std::span<const std::uint8_t> text) {
    BootSettings settings;
    const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
    std::string section;
    std::size_t start = 0;
    while (start < all.size()) {
        const auto end = std::min(all.find('\n', start), all.size());
        const std::string_view line = Trim(all.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            section = Uppercase(line);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string key = Uppercase(Trim(line.substr(0, equals)));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (section == "[PATHS]" && key == "WINDIR" && !value.empty()) {
            settings.windowsDir = std::string(value);
        } else if (section == "[OPTIONS]" && key == "HOSTWINBOOTDRV" && value.size() == 1) {
            settings.bootDrive = Upper(value.front());
        } else if (section == "[OPTIONS]" && key == "LOGO") {
            settings.logoShown = value != "0";
        }
    }
    return settings;
}

Result<std::vector<std::string>, DiskError> WindowsFolderNames(const BootSettings& settings) {
    std::string_view path = settings.windowsDir;
    if (path.find('\0') != std::string_view::npos) {
        return Refused(settings, "holds a NUL byte");
    }
    if (path.size() >= 2 && path[1] == ':') {
        if (Upper(path[0]) != settings.bootDrive) {
            return Refused(settings, std::string("is on drive ") + Upper(path[0]) +
                                         ":, not on this volume, the boot drive " +
                                         settings.bootDrive + ":");
        }
        path.remove_prefix(2);
    }
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find_first_of("\\/", start), path.size());
        const std::string_view name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty()) {
            continue;  // a leading, trailing or doubled separator
        }
        if (name.find_first_of("*?[]") != std::string_view::npos) {
            return Refused(settings, "holds a wildcard");
        }
        // A code page's letters reach mtools converted by a character set we cannot be sure of.
        if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return Refused(settings, "holds a letter outside ASCII, which cannot be passed on exactly");
        }
        if (name == "." || name == ".." || !IsShortName(name)) {
            return Refused(settings, "holds \"" + std::string(name) +
                                         "\", which is not the short name of a folder");
        }
        names.push_back(Uppercase(name));
    }
    if (names.empty()) {
        return Refused(settings, "names the root of the volume, not a folder");
    }
    return names;
}

}  // namespace rotopal
