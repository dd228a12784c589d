#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/bitmap_types.h"

namespace rotopal {

inline constexpr int kLogoWidth = 320;
inline constexpr int kLogoHeight = 400;
inline constexpr std::size_t kLogoPixelCount = std::size_t{kLogoWidth} * kLogoHeight;  // 128000

// Palette indices of the image, row after row in file order: row 0 is the bottom line.
using LogoPixels = std::array<std::uint8_t, kLogoPixelCount>;

// A screen file's content, and nothing else: what is being edited around it (the range, the
// selection, the history) belongs to the edit session. A plain value: everything is zero until
// a reader fills it.
struct LogoDocument {
    BITMAPFILEHEADER fileHeader{};
    // infoHeader and palette sit back to back so that together they form the 1064-byte
    // BITMAPINFO block (header directly followed by the colour table); see the asserts below.
    BITMAPINFOHEADER infoHeader{};
    Palette palette{};
    LogoPixels pixels{};
    std::uint8_t lastIndex = 0;  // colour count minus 1

    friend bool operator==(const LogoDocument&, const LogoDocument&) = default;
};

static_assert(std::is_standard_layout_v<LogoDocument>);
static_assert(std::is_trivially_copyable_v<LogoDocument>);
static_assert(offsetof(LogoDocument, palette) ==
              offsetof(LogoDocument, infoHeader) + kInfoHeaderBytes);
static_assert(sizeof(LogoDocument::infoHeader) + sizeof(LogoDocument::palette) == 1064);

// A private copy of the BITMAPINFO block: the header with the whole colour table. Renderers,
// the preview and the export take such a copy and work on it, never on the document.
struct BitmapInfo {
    BITMAPINFOHEADER header;
    Palette colors;

    friend bool operator==(const BitmapInfo&, const BitmapInfo&) = default;
};

static_assert(sizeof(BitmapInfo) == 1064);
static_assert(offsetof(BitmapInfo, colors) == kInfoHeaderBytes);

inline BitmapInfo CopyBitmapInfo(const LogoDocument& document) {
    return BitmapInfo{document.infoHeader, document.palette};
}

// Number of palette entries the document stores and writes.
inline constexpr std::size_t StoredColourCount(const LogoDocument& document) {
    return std::size_t{document.lastIndex} + 1;
}

}  // namespace rotopal
