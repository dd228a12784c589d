#pragma once

#include <string>
#include <string_view>

namespace rotopal {

// The three screens the system shows, in the order of the save menu.
enum class ScreenTarget {
    Startup,    // logo.sys at the root of the Windows drive
    Shutdown,   // logow.sys in the Windows folder
    SwitchOff,  // logos.sys in the Windows folder
};

// True for paths such as C:\WINDOWS, whose separator is the backslash.
bool IsDriveLetterPath(std::string_view path);

// The folder that holds the start-up screen: the drive root (C:\) of a drive-letter path, else
// the parent folder of the Windows folder, with its separator.
std::string DriveRoot(std::string_view windowsDir);

// How the three screens are laid out round the Windows folder.
enum class ScreenPlacement {
    SystemLayout,  // start-up screen at the drive root, the other two in the Windows folder
    AllInFolder,   // all three in the folder: there is no Windows installation to follow
};

// Where a screen file is saved. windowsDir ends in its separator.
std::string ScreenTargetPath(ScreenTarget target, std::string_view windowsDir,
                             ScreenPlacement placement = ScreenPlacement::SystemLayout);

// The name a plain bitmap is saved under: the chosen name, with ".bmp" added unless it already
// ends in .bmp or .dib in any letter case.
std::string WithBitmapExtension(std::string_view path);

// Name of frame k (1 to 999) of a numbered series: the chosen name, three digits, ".bmp".
std::string FrameFileName(std::string_view fileName, int frame);

}  // namespace rotopal
