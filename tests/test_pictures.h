#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/logo_document.h"
#include "import/import_options.h"

namespace rotopal::test {

// The colour of a test picture's pixel (x, y), top row first: red, green, blue, alpha.
using PixelColour = std::function<std::array<std::uint8_t, 4>(int x, int y)>;

// Encodes a width x height picture as the given kind (".png", ".jpg", ".gif", ".webp", ".tif"),
// with an alpha band when `alpha` is set, through libvips's own encoders. An orientation other
// than 1 is stored as the EXIF orientation tag (JPEG).
std::vector<std::uint8_t> EncodePicture(int width, int height, const PixelColour& colour,
                                        const std::string& kind = ".png", bool alpha = false,
                                        int orientation = 1);

// The stored pixels of a picture that shows as `upright` once turned a quarter clockwise, as
// the orientation tag 6 says: stored (x, y) shows at (storedHeight - 1 - y, x).
PixelColour StoredForOrientation6(PixelColour upright, int storedHeight);

// Vertical stripes of equal width across a picture `width` wide, opaque.
PixelColour Stripes(int width, std::vector<Rgb> colours);

// The colour of the screen pixel (x, y), top row first.
Rgb ScreenColourAt(const LogoDocument& document, int x, int y);
std::uint8_t ScreenIndexAt(const LogoDocument& document, int x, int y);

}  // namespace rotopal::test
