#pragma once

#include <cstdint>
#include <span>

namespace rotopal {

// The orientation (1 to 8) an EXIF block gives its picture: the body of a JPEG's APP1 segment,
// "Exif" and two zeros, then a TIFF header and its first folder of tags. 1, upright, when the
// block holds none or cannot be read soundly.
int ExifOrientation(std::span<const std::uint8_t> app1);

}  // namespace rotopal
