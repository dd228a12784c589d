#include "animation/windows_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "animation/save_targets.h"

namespace rotopal {
namespace {

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;  // an empty variable says nothing
    }
    return std::string(value);
}

}  // namespace

std::string WithWindowsSeparator(std::string folder) {
    folder += IsDriveLetterPath(folder) ? '\\' : '/';
    return folder;
}

WindowsFolder ResolveWindowsFolder(const WindowsDirSources& sources,
                                   const std::function<bool(const std::string&)>& isFolder) {
    if (sources.windir) {
        return {*sources.windir};
    }
    std::optional<std::string> prefix = sources.winePrefix;
    if (!prefix && sources.home) {
        prefix = *sources.home + "/.wine";
    }
    if (prefix) {
        const std::string wineWindows = *prefix + "/drive_c/windows";
        if (isFolder(wineWindows)) {
            return {wineWindows};
        }
    }
    return {sources.currentDir, true};
}

WindowsDirSources CurrentWindowsDirSources() {
    WindowsDirSources sources{Environment("WINDIR"), Environment("WINEPREFIX"), Environment("HOME"),
                              "."};
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
        sources.currentDir = buffer.data();
    }
    return sources;
}

WindowsFolder CurrentWindowsFolder() {
    return ResolveWindowsFolder(CurrentWindowsDirSources(), [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    });
}

}  // namespace rotopal
