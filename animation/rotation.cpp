#include "animation/rotation.h"

#include <algorithm>

namespace rotopal {

void RotatePalette(std::span<RGBQUAD, kPaletteEntries> palette, std::uint8_t lastIndex,
                   std::uint8_t span) {
    if (span > lastIndex) {
        return;
    }
    const auto first = palette.begin() + (lastIndex - span);
    const auto last = palette.begin() + lastIndex;
    std::rotate(first, first + 1, last + 1);
}

}  // namespace rotopal
