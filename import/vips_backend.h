#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "core/result.h"
#include "import/decoded_picture.h"
#include "import/import_error.h"
#include "import/picture_format.h"
#include "import/picture_import.h"

namespace rotopal {

// libvips's part of the decoder, for every kind of picture but JPEG. The decoder program loads
// it as a module of its own (rotopal-decode-vips.so) only for those kinds, so that a JPEG is
// decoded without mapping the hundred libraries libvips brings; the tests and the fuzzer link it.
struct VipsBackend {
    // Starts libvips and loads what the picture's kind needs, before the sandbox shuts the
    // decoder in; why not when it cannot (libvips does not start, a loader module is missing, or
    // the allowance has no room to map it).
    std::optional<ImportError> (*prepare)(int descriptor, PictureFormat format);
    // Decodes the picture in the open file, whose first bytes are `head`.
    Result<std::shared_ptr<const DecodedPicture>, ImportError> (*decode)(
        int descriptor, std::span<const std::uint8_t> head, PictureFormat format,
        const ImportProgress& progress);
};

// The file the decoder program loads the backend from, beside itself.
inline constexpr const char* kVipsBackendFile = "rotopal-decode-vips.so";
// The backend's one entry point, by this name in the module.
inline constexpr const char* kVipsBackendEntry = "RotopalVipsBackend";

}  // namespace rotopal

extern "C" __attribute__((visibility("default"))) const rotopal::VipsBackend* RotopalVipsBackend();
