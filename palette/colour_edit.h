#pragma once

#include <cstdint>

#include "core/bitmap_types.h"

namespace rotopal {

// A colour as the colour dialog speaks it: red + 256 green + 65536 blue, top byte 0.
using ColourRef = std::int32_t;

constexpr ColourRef ColourRefOf(const RGBQUAD& entry) {
    return entry.rgbRed + 256 * entry.rgbGreen + 65536 * entry.rgbBlue;
}

// The entry with the colour's red, green and blue; its reserved byte stays. A value outside
// 0..0xFFFFFF leaves the entry as it is.
constexpr RGBQUAD SplitColor(ColourRef color, RGBQUAD entry) {
    if (color < 0 || color > 0xFFFFFF) {
        return entry;
    }
    entry.rgbRed = static_cast<std::uint8_t>(color % 256);
    entry.rgbGreen = static_cast<std::uint8_t>(color % 65536 / 256);
    entry.rgbBlue = static_cast<std::uint8_t>(color / 65536);
    return entry;
}

}  // namespace rotopal
