#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"

namespace rotopal {

// A picture laid onto the screen in true colour: 320 x 400 pixels of red, green, blue and an
// opaque alpha (what the colour reduction takes), top row first.
struct ScreenPicture {
    std::vector<std::uint8_t> rgba;
    // Whether contain left part of the screen to the background, which must then keep its exact
    // colour.
    bool showsBackground = false;
};

// Decodes the picture (whose kind has been sniffed as one the import reads) at no more than the
// size the screen needs, and fits it.
Result<ScreenPicture, ImportError> FitPictureToScreen(std::span<const std::uint8_t> bytes, Fit fit,
                                                      Rgb background);

}  // namespace rotopal
