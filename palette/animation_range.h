#pragma once

#include <cstdint>
#include <optional>

namespace rotopal {

// The range value N is the setting of the animation-range control, 0 to 255: the top N palette
// indices, 256 - N up to 255, count as animated. A uint8_t holds exactly that range.
using RangeValue = std::uint8_t;

// First palette index of the animated range.
constexpr int FirstAnimatedIndex(RangeValue n) {
    return 256 - n;
}

// Animated entries that the image actually uses, 256 - N up to lastIndex. Zero or negative when
// the range lies wholly above lastIndex. Kept in 16-bit signed arithmetic, as the control's
// value is; the result lies in -255..255.
constexpr std::int16_t AnimatedCount(RangeValue n, std::uint8_t lastIndex) {
    return static_cast<std::int16_t>(n - (255 - lastIndex));
}

// What a saved file stores in biClrImportant for the range value N.
constexpr std::uint32_t ClrImportantForRange(RangeValue n) {
    return static_cast<std::uint32_t>(256 - n);
}

// The range value a file asks for, or nothing when it stores no animation setting: 0 means
// none, and values above 256 cannot describe an index and are treated the same way.
constexpr std::optional<RangeValue> RangeValueFromClrImportant(std::uint32_t biClrImportant) {
    if (biClrImportant == 0 || biClrImportant > 256) {
        return std::nullopt;
    }
    return static_cast<RangeValue>(256 - biClrImportant);
}

}  // namespace rotopal
