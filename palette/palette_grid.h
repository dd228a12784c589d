#pragma once

#include <cstdint>
#include <optional>

#include "core/bitmap_types.h"
#include "palette/animation_range.h"
#include "palette/argb_image.h"

namespace rotopal {

// The palette window's grid: 16 x 16 cells at a pitch of 15 pixels in a 240 x 240 image, entry
// i at column i mod 16 and row i div 16, row 0 at the top.
inline constexpr int kGridPixels = 240;
inline constexpr int kGridCells = 16;
inline constexpr int kCellPitch = 15;

// Outline colours of the grid's boxes.
inline constexpr std::uint32_t kOutlineNone = 0xFF000000;       // black
inline constexpr std::uint32_t kOutlineAnimated = 0xFFFF0000;   // red
inline constexpr std::uint32_t kOutlineSelected = 0xFF00FF00;   // green, like Label4's text
inline constexpr std::uint32_t kOutlineHover = 0xFFFFFFFF;      // white
inline constexpr std::uint32_t kOutlineHoverSwap = 0xFFFFFF00;  // yellow while exchanging

// What decides the outlines.
struct GridMarks {
    RangeValue n = 0;  // entries from 256 - n up are animated
    std::optional<std::uint8_t> selected;
    std::optional<std::uint8_t> hover;
    bool exchangeWaiting = false;
};

// The outline of one cell: animated red (else black), overridden by the selection's green,
// overridden in turn by the pointer's white (yellow while an exchange waits).
std::uint32_t OutlineOf(int index, const GridMarks& marks);

// Draws the grid into a 240 x 240 image: black, then one box per entry 0..lastIndex. A box runs
// from (15 col, 15 row) to (15 col + 14, 15 row + 14) with both corners inside it, so boxes are
// 15 x 15 and touch their neighbours: a one-pixel outline around 13 x 13 of the entry's colour.
void RenderPaletteGrid(const Palette& palette, std::uint8_t lastIndex, const GridMarks& marks,
                       ArgbImage& image);

// A pointer coordinate as a whole pixel: rounded down, so -0.5 lies left of the grid, not in
// its first column.
int WholePixel(float coordinate);

// The cell under a whole-pixel point, if the point lies on the grid (0 <= x, y < 240).
std::optional<std::uint8_t> CellAt(int x, int y);

}  // namespace rotopal
