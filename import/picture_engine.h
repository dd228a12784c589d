#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "import/picture_import.h"

// The picture import itself, on libvips and libimagequant. The module hands these out to the
// programs through the table in import_module.h; the fuzzer and the benchmarks call them
// directly.
namespace rotopal::engine {

Result<ImportedScreen, ImportError> ImportBytes(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options,
                                                const ImportProgress& progress);

Result<ImportedScreen, ImportError> ImportFile(const std::string& path,
                                               const ImportOptions& options,
                                               const ImportProgress& progress);

// The halves of the import: decoding once, then making a screen with given options.
Result<DecodedPictureHandle, ImportError> DecodeBytes(std::span<const std::uint8_t> bytes,
                                                      const ImportProgress& progress);
Result<DecodedPictureHandle, ImportError> DecodeFile(const std::string& path,
                                                     const ImportProgress& progress);
Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options);

}  // namespace rotopal::engine
