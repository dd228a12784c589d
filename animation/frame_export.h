#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "animation/export_error.h"
#include "core/logo_document.h"
#include "core/result.h"

namespace rotopal {

// Told (k, n) just before frame k of n is written, so a window can show progress.
using ExportProgress = std::function<void(int frame, int frameCount)>;

// Writes the numbered series of frames for the animated entries lastIndex - span .. lastIndex:
// span + 1 files named fileName + "001.bmp", "002.bmp", ..., each 640 x 400 with the palette
// rotated one step further than the one before, so the last file holds the unrotated palette.
// The document is not changed; biClrImportant goes into the frames as the document holds it.
Result<void, ExportError> ExportFrames(const LogoDocument& document, std::string_view fileName,
                                       std::int32_t span, const ExportProgress& progress);

}  // namespace rotopal
