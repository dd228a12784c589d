#pragma once

#include <cstdint>

namespace rotopal {

// What the VGA's 6-bit DAC makes of an 8-bit colour channel: the machine keeps v >> 2, and a
// display shows that level as the nearest of 256, round(level * 255 / 63).
constexpr std::uint8_t AtSixBitLevel(std::uint8_t value) {
    return static_cast<std::uint8_t>(((value >> 2) * 255 + 31) / 63);
}

}  // namespace rotopal
