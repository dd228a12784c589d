#pragma once

#include <cstdint>

#include "core/logo_document.h"

namespace rotopal {

// Exchanges two palette entries, all four bytes, and renumbers every pixel that uses one of them
// to the other, so the picture looks the same while the two colours trade places. One pass over
// the pixels, in place. A source outside 0..255 changes nothing.
void SwapPaletteEntries(LogoDocument& document, std::int16_t source, std::uint8_t target);

// Whether the exchange would move a used colour beyond the colours a file of fewer than 256
// stores: one entry up to lastIndex, the other beyond it. Pixels would then refer to an entry
// that is not saved.
constexpr bool CrossesStoredColours(const LogoDocument& document, std::int16_t source,
                                    std::uint8_t target) {
    const int last = document.lastIndex;
    return last < 255 && source >= 0 && (source <= last) != (target <= last);
}

}  // namespace rotopal
