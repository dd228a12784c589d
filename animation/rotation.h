#pragma once

#include <cstdint>
#include <span>

#include "core/bitmap_types.h"

namespace rotopal {

// One step of the palette animation over entries lastIndex - span up to lastIndex: every entry
// moves down by one index and the first one wraps round to lastIndex. Entries move as whole
// 4-byte units, reserved byte included; entries outside the range are never touched. After
// span + 1 steps the palette is as it was. A span larger than lastIndex names no valid range
// and leaves the palette unchanged.
void RotatePalette(std::span<RGBQUAD, kPaletteEntries> palette, std::uint8_t lastIndex,
                   std::uint8_t span);

}  // namespace rotopal
