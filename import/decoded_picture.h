#pragma once

#include <vips/vips8>

#include <string>
#include <vector>

#include "import/import_error.h"

namespace rotopal {

// A picture decoded once for every fit: upright, 8-bit sRGB with its alpha band if it has one,
// in memory, at no more than about twice the size every fit needs of it; with its upright size
// as stored in the file, and what the decoder read past.
struct DecodedPicture {
    vips::VImage image;
    int width = 0;
    int height = 0;
    std::vector<std::string> repairs;
};

// libvips's words for what went wrong: its first line says what it ran into, the rest repeats.
std::string FirstLine(const std::string& words);
// Those words as an error: running out of memory when they say so, else damage.
ImportError FromDecoder(const std::string& words);

}  // namespace rotopal
