#pragma once

#include <functional>
#include <optional>
#include <string>

namespace rotopal {

// What the Windows folder is worked out from on this system. The window-system adapter reads
// them from the process; this layer only decides.
struct WindowsDirSources {
    std::optional<std::string> windir;      // $WINDIR
    std::optional<std::string> winePrefix;  // $WINEPREFIX
    std::optional<std::string> home;        // $HOME, for the default prefix ~/.wine
    std::string currentDir;                 // the fallback
};

// Where the system's screens go, and whether a Windows installation was found there.
struct WindowsFolder {
    std::string path;
    bool isCurrentFolderFallback = false;  // neither WINDIR nor a Wine prefix: the current folder
};

// The Windows folder: $WINDIR when set, else the Wine prefix's drive_c/windows when that folder
// exists, else the current folder.
WindowsFolder ResolveWindowsFolder(const WindowsDirSources& sources,
                                   const std::function<bool(const std::string&)>& isFolder);

// The folder with its separator appended, whatever it ends with: "\" for a drive-letter path,
// "/" otherwise. This is the form the save targets are built from.
std::string WithWindowsSeparator(std::string folder);

}  // namespace rotopal
