#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/logo_document.h"
#include "palette/animation_range.h"
#include "palette/argb_image.h"

namespace rotopal {

// The 32-bit colour of every palette entry, built once per render.
std::array<std::uint32_t, kPaletteEntries> ArgbTable(const Palette& palette);

// 0xAARRGGBB of one entry.
constexpr std::uint32_t ArgbOf(const RGBQUAD& entry) {
    return 0xFF000000u | (std::uint32_t{entry.rgbRed} << 16) |
           (std::uint32_t{entry.rgbGreen} << 8) | entry.rgbBlue;
}

// Draws the 320 x 400 indices with the palette into a 320 x 400 image, turning the file's
// bottom-up rows into the screen's top-down ones. The image is reused, not reallocated.
void RenderView(const LogoPixels& pixels, const Palette& palette, ArgbImage& image);
// The same with the palette's table already built.
void RenderView(const LogoPixels& pixels, const std::array<std::uint32_t, kPaletteEntries>& table,
                ArgbImage& image);

// The same, each pixel twice side by side, into a 640 x 400 image.
void RenderDoubleWidth(const LogoPixels& pixels, const Palette& palette, ArgbImage& image);

// Red, green and blue each become 255 minus their value; the reserved byte stays.
constexpr RGBQUAD Inverted(RGBQUAD entry) {
    return RGBQUAD{static_cast<std::uint8_t>(255 - entry.rgbBlue),
                   static_cast<std::uint8_t>(255 - entry.rgbGreen),
                   static_cast<std::uint8_t>(255 - entry.rgbRed), entry.rgbReserved};
}

// The palette of the blinking view: the selected entry, if any, inverted, then every entry
// from 255 down to 256 - n inverted, one after the other on the same copy. A selected entry
// inside the range is thus inverted twice and keeps its true colour.
Palette HighlightPalette(const Palette& palette, std::optional<std::uint8_t> selected,
                         RangeValue n);

}  // namespace rotopal
