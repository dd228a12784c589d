#pragma once

#include "core/result.h"
#include "import/import_error.h"
#include "import/import_module.h"

namespace rotopal {

// The picture import's module, loaded on the first call and kept for the life of the process.
// It is looked for where ROTOPAL_IMPORT_MODULE says when that is set, else where the package
// installs it beside the programs (LIBDIR/rotopal), else in the folders the program's own
// libraries are looked for in (its run path, which in a build tree leads to the build's
// module). A failure is not kept: the next call tries again.
Result<const ImportModule*, ImportError> LoadImportModule();

// Whether the process has the address space an import needs. glib, under libvips, ends the
// process when one of its allocations fails, so an import that would run out under a limit
// (`ulimit -v`) is refused as OutOfMemory before it starts. The room is reserved and given
// back at once, never touched: it costs no memory.
Result<void, ImportError> CheckRoomForImport();

}  // namespace rotopal
