#include "palette/palette_grid.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

#include "palette/view_render.h"

namespace rotopal {

std::uint32_t OutlineOf(int index, const GridMarks& marks) {
    std::uint32_t outline = index >= FirstAnimatedIndex(marks.n) ? kOutlineAnimated : kOutlineNone;
    if (marks.selected == index) {
        outline = kOutlineSelected;
    }
    if (marks.hover == index) {
        outline = marks.exchangeWaiting ? kOutlineHoverSwap : kOutlineHover;
    }
    return outline;
}

void RenderPaletteGrid(const Palette& palette, std::uint8_t lastIndex, const GridMarks& marks,
                       ArgbImage& image) {
    static_assert(kGridCells * kCellPitch == kGridPixels, "the cells tile the image exactly");
    if (image.width != kGridPixels || image.height != kGridPixels) {
        image = ArgbImage::Filled(kGridPixels, kGridPixels, kArgbBlack);
    }
    constexpr auto kPitch = static_cast<std::size_t>(kCellPitch);
    constexpr auto kStride = static_cast<std::size_t>(kGridPixels);
    // A band of 16 cells has only two kinds of pixel row: the outline rows at its top and
    // bottom, and the rows through the boxes' insides. Each is built once and copied, so every
    // image pixel is written once, in long runs. Cells past lastIndex are black, which is the
    // same as clearing everything first.
    std::array<std::uint32_t, kStride> edgeRow{};
    std::array<std::uint32_t, kStride> insideRow{};
    for (std::size_t band = 0; band < kGridCells; ++band) {
        for (std::size_t column = 0; column < kGridCells; ++column) {
            const auto index = static_cast<int>(band * kGridCells + column);
            const bool drawn = index <= lastIndex;
            const std::uint32_t outline = drawn ? OutlineOf(index, marks) : kArgbBlack;
            const std::uint32_t fill =
                drawn ? ArgbOf(palette[static_cast<std::size_t>(index)]) : kArgbBlack;
            const std::size_t left = column * kPitch;
            std::fill_n(edgeRow.begin() + static_cast<std::ptrdiff_t>(left), kPitch, outline);
            std::fill_n(insideRow.begin() + static_cast<std::ptrdiff_t>(left), kPitch, fill);
            insideRow[left] = insideRow[left + kPitch - 1] = outline;
        }
        std::uint32_t* top = image.pixels.data() + band * kPitch * kStride;
        for (std::size_t y = 0; y < kPitch; ++y) {
            const auto& row = (y == 0 || y == kPitch - 1) ? edgeRow : insideRow;
            std::copy(row.begin(), row.end(), top + y * kStride);
        }
    }
}

int WholePixel(float coordinate) {
    // Far outside values are clamped before the conversion, which would otherwise overflow.
    const float clamped = std::clamp(coordinate, -1.0e6f, 1.0e6f);
    return std::isnan(coordinate) ? -1 : static_cast<int>(std::floor(clamped));
}

std::optional<std::uint8_t> CellAt(int x, int y) {
    if (x < 0 || y < 0 || x >= kGridPixels || y >= kGridPixels) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(y / kCellPitch * kGridCells + x / kCellPitch);
}

}  // namespace rotopal
