#include "import/picture_format.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "import/import_error.h"

namespace rotopal {
namespace {

bool HasAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<long>(offset),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// ISO base media files (HEIF, AVIF) name their brand in an "ftyp" box at the start.
bool IsHeif(std::span<const std::uint8_t> bytes) {
    if (!HasAt(bytes, 4, "ftyp")) {
        return false;
    }
    constexpr std::array<std::string_view, 8> kBrands{"heic", "heix", "hevc", "hevx",
                                                      "heim", "heis", "mif1", "avif"};
    return std::any_of(kBrands.begin(), kBrands.end(),
                       [&](std::string_view brand) { return HasAt(bytes, 8, brand); });
}

}  // namespace

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> bytes) {
    using namespace std::string_view_literals;
    if (HasAt(bytes, 0, "\x89PNG\r\n\x1a\n"sv)) {
        return PictureFormat::Png;
    }
    if (HasAt(bytes, 0, "\xff\xd8\xff"sv)) {
        return PictureFormat::Jpeg;
    }
    if (HasAt(bytes, 0, "GIF87a") || HasAt(bytes, 0, "GIF89a")) {
        return PictureFormat::Gif;
    }
    if (HasAt(bytes, 0, "RIFF") && HasAt(bytes, 8, "WEBP")) {
        return PictureFormat::WebP;
    }
    // Classic and big TIFF, in either byte order.
    if (HasAt(bytes, 0, "II*\0"sv) || HasAt(bytes, 0, "MM\0*"sv) || HasAt(bytes, 0, "II+\0"sv) ||
        HasAt(bytes, 0, "MM\0+"sv)) {
        return PictureFormat::Tiff;
    }
    if (IsHeif(bytes)) {
        return PictureFormat::Heif;
    }
    if (HasAt(bytes, 0, "BM")) {
        return PictureFormat::Bmp;
    }
    return PictureFormat::Unknown;
}

std::optional<DeclaredSize> BmpDeclaredSize(std::span<const std::uint8_t> bytes) {
    const auto at = [&bytes](std::size_t offset, std::size_t count) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            value |= std::uint32_t{bytes[offset + i]} << (8 * i);
        }
        return value;
    };
    constexpr std::size_t kInfoAt = 14;  // after the file header
    if (SniffPictureFormat(bytes) != PictureFormat::Bmp || bytes.size() < kInfoAt + 4) {
        return std::nullopt;
    }
    const std::uint32_t infoSize = at(kInfoAt, 4);
    // The old OS/2 header has 16-bit sizes, every later one 32-bit signed sizes.
    if (infoSize == 12 && bytes.size() >= kInfoAt + 8) {
        return DeclaredSize{at(kInfoAt + 4, 2), at(kInfoAt + 6, 2)};
    }
    if (infoSize >= 16 && bytes.size() >= kInfoAt + 12) {
        const auto height = static_cast<std::int32_t>(at(kInfoAt + 8, 4));
        const std::uint64_t rows =
            height < 0
                ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(height))
                : static_cast<std::uint64_t>(height);
        return DeclaredSize{
            static_cast<std::int32_t>(at(kInfoAt + 4, 4)) < 0 ? 0 : at(kInfoAt + 4, 4), rows};
    }
    return std::nullopt;
}

bool PastTheSizeRule(DeclaredSize size) {
    // Each side is checked first, so that the product cannot wrap.
    return size.width > kMaxPictureSide || size.height > kMaxPictureSide ||
           size.width * size.height > kMaxPicturePixels;
}

}  // namespace rotopal
