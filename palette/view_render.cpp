#include "palette/view_render.h"

#include <cassert>

namespace rotopal {

std::array<std::uint32_t, kPaletteEntries> ArgbTable(const Palette& palette) {
    std::array<std::uint32_t, kPaletteEntries> table{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        table[i] = ArgbOf(palette[i]);
    }
    return table;
}

void RenderView(const LogoPixels& pixels, const Palette& palette, ArgbImage& image) {
    RenderView(pixels, ArgbTable(palette), image);
}

void RenderView(const LogoPixels& pixels, const std::array<std::uint32_t, kPaletteEntries>& table,
                ArgbImage& image) {
    assert(image.width == kLogoWidth && image.height == kLogoHeight);
    constexpr auto kWidth = static_cast<std::size_t>(kLogoWidth);
    for (std::size_t row = 0; row < kLogoHeight; ++row) {
        const std::uint8_t* source = pixels.data() + row * kWidth;
        std::uint32_t* target = image.pixels.data() + (kLogoHeight - 1 - row) * kWidth;
        for (std::size_t x = 0; x < kWidth; ++x) {
            target[x] = table[source[x]];
        }
    }
}

void RenderDoubleWidth(const LogoPixels& pixels, const Palette& palette, ArgbImage& image) {
    assert(image.width == 2 * kLogoWidth && image.height == kLogoHeight);
    const auto table = ArgbTable(palette);
    constexpr auto kWidth = static_cast<std::size_t>(kLogoWidth);
    for (std::size_t row = 0; row < kLogoHeight; ++row) {
        const std::uint8_t* source = pixels.data() + row * kWidth;
        std::uint32_t* target = image.pixels.data() + (kLogoHeight - 1 - row) * 2 * kWidth;
        for (std::size_t x = 0; x < kWidth; ++x) {
            target[2 * x] = target[2 * x + 1] = table[source[x]];
        }
    }
}

Palette HighlightPalette(const Palette& palette, std::optional<std::uint8_t> selected,
                         RangeValue n) {
    Palette highlight = palette;
    if (selected) {
        highlight[*selected] = Inverted(highlight[*selected]);
    }
    for (int i = 255; i >= FirstAnimatedIndex(n); --i) {
        const auto at = static_cast<std::size_t>(i);
        highlight[at] = Inverted(highlight[at]);
    }
    return highlight;
}

}  // namespace rotopal
