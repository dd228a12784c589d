#include "palette/colour_swap.h"

#include <utility>

namespace rotopal {

void SwapPaletteEntries(LogoDocument& document, std::uint8_t first, std::uint8_t second) {
    std::swap(document.palette[first], document.palette[second]);
    // A pixel holding either entry turns into the other by the same XOR; every other pixel
    // keeps its value. Written without branches, the pass vectorises. (The order of the visit
    // does not change the result; rows keep it cache-friendly.)
    const auto flip = static_cast<std::uint8_t>(first ^ second);
    for (auto& pixel : document.pixels) {
        const std::uint8_t v = pixel;
        const auto either =
            static_cast<std::uint8_t>(-static_cast<int>((v == first) | (v == second)));
        pixel = static_cast<std::uint8_t>(v ^ (flip & either));
    }
}

}  // namespace rotopal
