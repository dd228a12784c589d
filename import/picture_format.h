#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace rotopal {

// The kinds of picture the import reads, told apart by their first bytes. Only these reach the
// decoders, so a file of any other kind is refused before a general-purpose loader guesses at it.
enum class PictureFormat { Unknown, Png, Jpeg, Gif, WebP, Tiff, Heif, Bmp };

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes);

// How many first bytes tell everything these functions look at.
inline constexpr std::size_t kPictureSignatureBytes = 32;

// A BMP picture's width and height as its header declares them (the height without its sign,
// which says whether the rows run down or up); nothing when the header is cut short.
struct DeclaredSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};
std::optional<DeclaredSize> BmpDeclaredSize(std::span<const std::uint8_t> bytes);

// Whether a picture of this size is past the size rule (kMaxPicturePixels in all, or
// kMaxPictureSide on a side), judged from its header alone.
bool PastTheSizeRule(DeclaredSize size);

}  // namespace rotopal
