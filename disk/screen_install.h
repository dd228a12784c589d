#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "disk/boot_settings.h"
#include "disk/disk_error.h"
#include "disk/disk_image.h"
#include "disk/fat_volume.h"

namespace rotopal {

// The three screens and where the system reads them: the start-up screen in the root of the
// boot volume, the other two in the Windows folder.
enum class ScreenKind { Logo, Logow, Logos };

std::optional<ScreenKind> ParseScreenKind(std::string_view name);  // "logo", "logow", "logos"
// The kind a file's name says (logo.sys, logow.sys, logos.sys in any case), else Logo.
ScreenKind ScreenKindOfFileName(std::string_view path);

struct InstallReport {
    std::string path;                   // where the screen now is, such as "\LOGO.SYS"
    std::optional<std::string> backup;  // where the screen it replaced was kept
    // A backup already there, which is never replaced: the first screen a disk had stays in it,
    // and the one replaced now is not kept.
    std::optional<std::string> earlierBackup;
    bool replaced = false;
    BootSettings settings;
    std::vector<std::string> recovered;  // what was done about an install cut short earlier
};

// Puts the screen's bytes onto the volume as the given kind, under the image's lock. Nothing is
// written before the volume's geometry, the folder written and the chains of every file the
// install renames or deletes have been checked. The new file goes on as NAME.$$$, is read back,
// and only then takes the old one's place (kept as NAME.BAK when asked and no NAME.BAK is there
// yet, since the first backup is the disk's original), so that a kill at any
// point leaves the old or the new screen whole: the next install or extract finishes or rolls
// back what it finds. Success is reported only once the installed file reads back equal.
Result<InstallReport, DiskError> InstallScreen(const DiskImage& image, const VolumePlace& place,
                                               std::span<const std::uint8_t> screen,
                                               ScreenKind kind, bool keepBackup);

struct ExtractReport {
    std::string path;  // where the screen was on the volume
    std::uint64_t bytes = 0;
    std::vector<std::string> recovered;
};

// Copies the screen of that kind off the volume to the file `out`, streamed and written like
// every save, after the same checks and recovery as an install. A folder, and a file larger
// than any screen could be, are refused.
Result<ExtractReport, DiskError> ExtractScreen(const DiskImage& image, const VolumePlace& place,
                                               ScreenKind kind, const std::string& out);

}  // namespace rotopal
