#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "import/decoded_picture.h"
#include "import/picture_import.h"

// The picture import itself, on libvips and libimagequant, as the decoder program runs it; the
// fuzzer and the tests of the corpus call it directly.
namespace rotopal::engine {

// Decodes the picture in the open file once; its kind is told from its first bytes.
Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeDescriptor(
    int descriptor, const ImportProgress& progress);

// A screen from the decoded picture with these options.
Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options);

// Both, for bytes in memory.
Result<ImportedScreen, ImportError> ImportBytes(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options,
                                                const ImportProgress& progress);

}  // namespace rotopal::engine
