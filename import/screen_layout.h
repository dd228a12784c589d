#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "import/decoded_picture.h"
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
    std::vector<std::string> repairs;  // what the decoder read past
};

// Lays a decoded picture onto the screen with a fit and a background; contain keeps the whole
// picture above a band of `bandRows` rows at the bottom.
Result<ScreenPicture, ImportError> LayOntoScreen(const DecodedPicture& picture, Fit fit,
                                                 Rgb background, int bandRows);

}  // namespace rotopal
