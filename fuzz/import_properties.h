#pragma once

// What the picture import's fuzz target checks on every input, shared with the test that
// replays the kept corpus.

#include <cstdint>
#include <span>

#include "import/animated_band.h"
#include "import/picture_engine.h"

namespace rotopal::fuzz {

// Whatever the import makes of the bytes is a sound screen: all 256 entries, the animated run
// where biClrImportant says, the picture's pixels only below it, and the band's rows only the
// animated entries, each in its own columns. The last byte varies the fit.
inline bool ImportedScreenIsSound(std::span<const std::uint8_t> bytes) {
    ImportOptions options;
    if (!bytes.empty()) {
        options.fit = static_cast<Fit>(bytes.back() % 3);
    }
    const auto imported = engine::ImportBytes(bytes, options, {}, RotopalVipsBackend());
    if (!imported) {
        return true;
    }
    const LogoDocument& document = imported.value().document;
    const int first = 256 - options.range;
    if (document.lastIndex != 255 ||
        document.infoHeader.biClrImportant != static_cast<std::uint32_t>(first)) {
        return false;
    }
    for (int row = 0; row < kLogoHeight; ++row) {  // file order: bottom row first
        const bool band = row < options.bandRows;
        for (int x = 0; x < kLogoWidth; ++x) {
            const int index = document.pixels[static_cast<std::size_t>(row) * kLogoWidth +
                                              static_cast<std::size_t>(x)];
            const auto entry = band ? BandEntryAt(x, options.range) : std::nullopt;
            if (entry ? index != first + *entry : index >= first) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace rotopal::fuzz
