#include "palette/palette_grid.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "palette/view_render.h"

namespace rotopal {

std::uint32_t OutlineOf(int index, const GridMarks& marks) {
    std::uint32_t outline = index >= FirstAnimatedIndex(marks.n) ? kOutlineAnimated : kOutlineNone;
    if (index == marks.selectedIndex) {
        outline = kOutlineSelected;
    }
    if (index == marks.hoverIndex) {
        outline = marks.swapMode ? kOutlineHoverSwap : kOutlineHover;
    }
    return outline;
}

namespace {

void FillBox(ArgbImage& image, int index, std::uint32_t outline, std::uint32_t fill) {
    constexpr auto kStride = static_cast<std::size_t>(kGridPixels);
    constexpr std::size_t kLast = kCellPitch - 1;
    const auto left = static_cast<std::size_t>(index % kGridCells * kCellPitch);
    const auto top = static_cast<std::size_t>(index / kGridCells * kCellPitch);
    for (std::size_t y = 0; y <= kLast; ++y) {
        std::uint32_t* row = image.pixels.data() + (top + y) * kStride + left;
        const bool edgeRow = y == 0 || y == kLast;
        row[0] = row[kLast] = outline;
        std::fill(row + 1, row + kLast, edgeRow ? outline : fill);
    }
}

}  // namespace

void RenderPaletteGrid(const Palette& palette, std::uint8_t lastIndex, const GridMarks& marks,
                       ArgbImage& image) {
    if (image.width != kGridPixels || image.height != kGridPixels) {
        image = ArgbImage::Filled(kGridPixels, kGridPixels, kArgbBlack);
    }
    // The cells tile the image exactly, so clearing the undrawn ones to black is the same as
    // clearing everything first, without writing the drawn ones twice.
    for (int index = 0; index < kGridCells * kGridCells; ++index) {
        if (index <= lastIndex) {
            FillBox(image, index, OutlineOf(index, marks),
                    ArgbOf(palette[static_cast<std::size_t>(index)]));
        } else {
            FillBox(image, index, kArgbBlack, kArgbBlack);
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
