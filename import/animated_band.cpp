#include "import/animated_band.h"

#include <cmath>

#include "core/logo_document.h"

namespace rotopal {

std::vector<RGBQUAD> BandColours(std::span<const Rgb> stops, int count) {
    std::vector<RGBQUAD> colours;
    if (stops.empty() || count <= 0) {
        return colours;
    }
    const auto stopCount = stops.size();
    for (int i = 0; i < count; ++i) {
        // Position on the loop, in stops: entry i sits i/count of the way round.
        const double at = static_cast<double>(i) * static_cast<double>(stopCount) / count;
        const auto from = static_cast<std::size_t>(at) % stopCount;
        const Rgb& a = stops[from];
        const Rgb& b = stops[(from + 1) % stopCount];
        const double t = at - std::floor(at);
        const auto mix = [t](std::uint8_t p, std::uint8_t q) {
            return static_cast<std::uint8_t>(std::lround(p + (q - p) * t));
        };
        colours.push_back(
            ToRgbQuad(Rgb{mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)}));
    }
    return colours;
}

std::optional<int> BandEntryAt(int x, int count) {
    if (count <= 0 || count > kLogoWidth) {
        return std::nullopt;
    }
    return x * count / kLogoWidth;
}

}  // namespace rotopal
