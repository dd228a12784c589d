#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/logo_document.h"
#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"

namespace rotopal {

// Turns a picture of any supported kind and size into a start-up screen: fitted to the screen,
// reduced to 256 - range colours in entries 0 to 255 - range, the band (if any) in the top
// range entries, biClrImportant set to 256 - range. The screen stores all 256 entries,
// uncompressed, with a 40-byte header.
Result<LogoDocument, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options);

// Whether the file starts as a picture of a kind the import reads does (its first bytes only).
bool IsPictureFile(const std::string& path);

// The same for a picture file, read in one pass.
Result<LogoDocument, ImportError> ImportPictureFile(const std::string& path,
                                                    const ImportOptions& options);

}  // namespace rotopal
