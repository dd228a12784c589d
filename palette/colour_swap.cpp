#include "palette/colour_swap.h"

#include <utility>

namespace rotopal {

void SwapPaletteEntries(LogoDocument& document, std::int16_t source, std::uint8_t target) {
    if (source < 0 || source > 255) {
        return;
    }
    const auto from = static_cast<std::uint8_t>(source);
    std::swap(document.palette[from], document.palette[target]);
    // A pixel holding either entry turns into the other by the same XOR; every other pixel
    // keeps its value. Written without branches, the pass vectorises. (The order of the visit
    // does not change the result; rows keep it cache-friendly.)
    const auto flip = static_cast<std::uint8_t>(from ^ target);
    for (auto& pixel : document.pixels) {
        const std::uint8_t v = pixel;
        const auto either =
            static_cast<std::uint8_t>(-static_cast<int>((v == from) | (v == target)));
        pixel = static_cast<std::uint8_t>(v ^ (flip & either));
    }
}

}  // namespace rotopal
