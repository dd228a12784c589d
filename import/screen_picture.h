#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"
#include "import/picture_format.h"
#include "import/picture_import.h"

namespace rotopal {

// Where a picture's bytes come from: memory, or a file held open for reading, of which the
// decoder reads only what it needs.
struct PictureSource {
    std::span<const std::uint8_t> bytes;
    int descriptor = -1;  // used when not negative
    // Its first kPictureSignatureBytes (fewer when it is shorter), which tell some limits
    // before a decoder is asked.
    std::span<const std::uint8_t> head;
};

// A picture laid onto the screen in true colour: 320 x 400 pixels of red, green, blue and an
// opaque alpha (what the colour reduction takes), top row first.
struct ScreenPicture {
    std::vector<std::uint8_t> rgba;
    // Whether contain left part of the screen to the background, which must then keep its exact
    // colour.
    bool showsBackground = false;
    // What the decoder warned about while it read past damage.
    std::vector<std::string> repairs;
};

// Decodes the picture (whose kind has been sniffed as `format`) once, upright, in 8-bit sRGB,
// at no more than twice the size any fit needs of it: every fit and background can then be
// laid from it. The size is judged from the header before any pixel is decoded.
Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeFromSource(
    const PictureSource& source, PictureFormat format, const ImportProgress& progress);

// Lays a decoded picture onto the screen with a fit and a background.
Result<ScreenPicture, ImportError> LayOntoScreen(const DecodedPicture& picture, Fit fit,
                                                 Rgb background);

}  // namespace rotopal
