#include "animation/windows_dir.h"

#include "animation/save_targets.h"

namespace rotopal {
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

}  // namespace rotopal
