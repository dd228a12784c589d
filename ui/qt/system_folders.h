#pragma once

#include "animation/windows_dir.h"

namespace rotopal::qt {

// The Windows folder of this process: its environment (WINDIR, WINEPREFIX, HOME) and current
// folder, resolved by ResolveWindowsFolder.
WindowsFolder CurrentWindowsFolder();

}  // namespace rotopal::qt
