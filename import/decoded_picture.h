#pragma once

#include <string>
#include <vector>

#include "import/raster.h"

namespace rotopal {

// A picture decoded once for every fit: upright, 8-bit sRGB with its alpha if it has any, at no
// more than about twice the size every fit needs of it; with its upright size as stored in the
// file, and what the decoder read past.
struct DecodedPicture {
    Raster kept;
    int width = 0;
    int height = 0;
    std::vector<std::string> repairs;
};

}  // namespace rotopal
