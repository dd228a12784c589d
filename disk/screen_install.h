#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"
#include "disk/fat_volume.h"

namespace rotopal {

// The three screens and where the system reads them: the start-up screen in the root of the
// boot volume, the other two in the Windows folder.
enum class ScreenKind { Logo, Logow, Logos };

std::optional<ScreenKind> ParseScreenKind(std::string_view name);  // "logo", "logow", "logos"
// The kind a file's name says (logo.sys, logow.sys, logos.sys in any case), else Logo.
ScreenKind ScreenKindOfFileName(std::string_view path);

// What the volume's \MSDOS.SYS (the text one of Windows 9x) says: the Windows folder (WinDir=
// in [Paths], without its drive) and whether the start-up screen is shown (Logo= in
// [Options]). A file that says neither, or is the DOS kernel of that name, gives the defaults.
struct BootSettings {
    std::string windowsFolder = "\\WINDOWS";
    bool logoShown = true;
};
BootSettings ParseMsdosSys(std::span<const std::uint8_t> text);

// The screen's path on the volume, such as "\WINDOWS\LOGOW.SYS".
std::string ScreenPathOnVolume(ScreenKind kind, const BootSettings& settings);

struct InstallReport {
    std::string path;                  // where the screen now is
    std::optional<std::string> backup; // where the screen it replaced was kept
    bool replaced = false;
    BootSettings settings;
};

// Puts the screen file onto the volume as the given kind. The screen is checked by the reader
// first; nothing on the volume is touched when it is refused. The new file is written under a
// temporary name first and renamed only once it is complete, so a volume without room keeps
// its old screen and no half-written file. A replaced screen is kept as NAME.BAK when asked.
Result<InstallReport, DiskError> InstallScreen(const std::string& screen, const FatVolume& volume,
                                               ScreenKind kind, bool keepBackup);

// The screen of that kind as it is on the volume, with its path there.
struct ExtractedScreen {
    std::string path;
    std::vector<std::uint8_t> bytes;
};
Result<ExtractedScreen, DiskError> ExtractScreen(const FatVolume& volume, ScreenKind kind);

}  // namespace rotopal
