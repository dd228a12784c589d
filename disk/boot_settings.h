#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"

namespace rotopal {

// What the volume's \MSDOS.SYS (the text one of Windows 9x) says: the Windows folder (WinDir=
// in [Paths]), the drive Windows boots from (HostWinBootDrv= in [Options], C when unsaid) and
// whether the start-up screen is shown (Logo= in [Options]). A file that says none of these,
// or is the DOS kernel of that name, gives the defaults.
struct BootSettings {
    std::string windowsDir = "C:\\WINDOWS";  // as written
    char bootDrive = 'C';
    bool logoShown = true;
};
BootSettings ParseMsdosSys(std::span<const std::uint8_t> text);

// The Windows folder as folder names from the boot volume's root, taken literally: a drive
// other than the boot drive, a NUL, a wildcard, "." or "..", or any name DOS could not have
// written is refused (BadWindowsFolder) rather than guessed at.
Result<std::vector<std::string>, DiskError> WindowsFolderNames(const BootSettings& settings);

}  // namespace rotopal
