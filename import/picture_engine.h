#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "import/decoded_picture.h"
#include "import/picture_import.h"
#include "import/vips_backend.h"

// The picture import itself, as the decoder program runs it: JPEG through libjpeg, the other
// kinds through libvips (`others`), the layout our own, the colours through libimagequant. The
// fuzzer and the tests of the corpus call it directly.
namespace rotopal::engine {

// Decodes the picture in the open file once; its kind is told from its first bytes. Without
// `others` only JPEG is read.
Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeDescriptor(
    int descriptor, const ImportProgress& progress, const VipsBackend* others);

// A screen from the decoded picture with these options.
Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options);

// Both, for bytes in memory.
Result<ImportedScreen, ImportError> ImportBytes(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options,
                                                const ImportProgress& progress,
                                                const VipsBackend* others);

}  // namespace rotopal::engine
