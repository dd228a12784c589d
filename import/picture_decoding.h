#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/result.h"
#include "import/decoded_picture.h"
#include "import/import_error.h"
#include "import/picture_format.h"
#include "import/picture_import.h"

namespace rotopal {

// Decodes the picture in the open file (whose kind was sniffed from `head`, its first bytes)
// once, small enough for every fit: shrunk as it loads where the format allows and by whole
// factors after, turned upright, converted from an embedded colour profile to sRGB. A picture
// past the size rule is refused from its header before any pixel is decoded.
Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodePicture(
    int descriptor, std::span<const std::uint8_t> head, PictureFormat format,
    const ImportProgress& progress);

// libvips's words for what went wrong: its first line says what it ran into, the rest repeats.
std::string FirstLine(const std::string& words);
// Those words as an error: running out of memory when they say so, else damage.
ImportError FromDecoder(const std::string& words);

}  // namespace rotopal
