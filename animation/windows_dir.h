#pragma once

#include <functional>
#include <optional>
#include <string>

namespace rotopal {

// What the Windows folder is worked out from on this system.
struct WindowsDirSources {
    std::optional<std::string> windir;      // $WINDIR
    std::optional<std::string> winePrefix;  // $WINEPREFIX
    std::optional<std::string> home;        // $HOME, for the default prefix ~/.wine
    std::string currentDir;                 // the fallback
};

// The Windows folder with its separator appended: $WINDIR when set, else the Wine prefix's
// drive_c/windows when that folder exists, else the current folder. The separator is "\" for a
// drive-letter path and "/" otherwise, and is appended whatever the text ends with.
std::string ResolveWindowsDir(const WindowsDirSources& sources,
                              const std::function<bool(const std::string&)>& isFolder);

// The sources as the process environment gives them.
WindowsDirSources CurrentWindowsDirSources();

// ResolveWindowsDir for this process.
std::string CurrentWindowsDir();

}  // namespace rotopal
