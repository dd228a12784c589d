#pragma once

#include <cstdint>
#include <span>

namespace rotopal {

// The kinds of picture the import reads, told apart by their first bytes. Only these reach the
// decoders, so a file of any other kind is refused before a general-purpose loader guesses at it.
enum class PictureFormat { Unknown, Png, Jpeg, Gif, WebP, Tiff, Heif, Bmp };

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

}  // namespace rotopal
