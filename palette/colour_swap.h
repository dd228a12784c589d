#pragma once

#include <cstdint>

#include "core/logo_document.h"

namespace rotopal {

// Exchanges two palette entries, all four bytes, and renumbers every pixel that uses one of them
// to the other, so the picture looks the same while the two colours trade places. One pass over
// the pixels, in place. Its own inverse: the same exchange again restores the document.
void SwapPaletteEntries(LogoDocument& document, std::uint8_t first, std::uint8_t second);

// Whether the exchange would move a used colour beyond the colours a file of fewer than 256
// stores: one entry up to lastIndex, the other beyond it. Pixels would then refer to an entry
// that is not saved.
constexpr bool CrossesStoredColours(const LogoDocument& document, std::uint8_t first,
                                    std::uint8_t second) {
    const int last = document.lastIndex;
    return last < 255 && (first <= last) != (second <= last);
}

}  // namespace rotopal
