#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/logo_document.h"
#include "core/result.h"
#include "document/file_io.h"

namespace rotopal {

// Told (k, n) just before frame k of n is written, so a window can show progress.
using ExportProgress = std::function<void(int frame, int frameCount)>;

struct ExportError {
    enum class Kind {
        InvalidSpan,  // the span is negative or reaches below index 0; nothing was written
        WriteFailed,  // frame `frame` could not be written; the export stopped there
    };
    Kind kind = Kind::WriteFailed;
    int frame = 0;  // 1-based number of the frame that failed
    WriteError write;

    friend bool operator==(const ExportError&, const ExportError&) = default;
};

// Writes the numbered series of frames for the animated entries lastIndex - span .. lastIndex:
// span + 1 files named fileName + "001.bmp", "002.bmp", ..., each 640 x 400 with the palette
// rotated one step further than the one before, so the last file holds the unrotated palette.
// The document is not changed; biClrImportant goes into the frames as the document holds it.
Result<void, ExportError> ExportFrames(const LogoDocument& document, std::string_view fileName,
                                       std::int32_t span, const ExportProgress& progress);

}  // namespace rotopal
