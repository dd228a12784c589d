#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bitmap_types.h"

namespace rotopal {

// How a picture is laid onto the screen, judged as the screen is seen: on a 4:3 display, where
// each of its pixels is 5:3 as wide as tall.
enum class Fit {
    Contain,  // the whole picture, proportions kept, the rest filled with the background
    Cover,    // the screen filled, proportions kept, the middle of the picture kept
    Stretch,  // the whole picture onto the whole screen
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr RGBQUAD ToRgbQuad(Rgb colour) {
    return RGBQUAD{colour.blue, colour.green, colour.red, 0};
}

inline constexpr int kDefaultImportRange = 20;
inline constexpr int kDefaultBandRows = 8;
inline constexpr int kMaxBandRows = 399;  // at least one row of the picture stays

// Everything the import can be told. The defaults make a screen with a 20-colour band.
struct ImportOptions {
    int range = kDefaultImportRange;  // 1 to 255: how many top entries animate
    Fit fit = Fit::Contain;
    Rgb background{};  // what contain leaves uncovered, and where alpha shows through
    int bandRows = kDefaultBandRows;  // 0 to kMaxBandRows
    std::vector<Rgb> bandStops;  // gradient stops of the band, looping; empty means the default
    float dither = 1.0f;         // 0 (nearest colour) to 1 (full error diffusion)

    friend bool operator==(const ImportOptions&, const ImportOptions&) = default;
};

// The band's stops when none are given: a colour wheel, so that the loop has no seam.
const std::vector<Rgb>& DefaultBandStops();

// What is wrong with the options, or nothing when they can be used.
std::optional<std::string> OptionsProblem(const ImportOptions& options);

// "#RRGGBB" (the '#' may be left out), or nothing when it is not one.
std::optional<Rgb> ParseRgb(std::string_view text);
// A comma-separated list of such colours; nothing when any is malformed or the list is empty.
std::optional<std::vector<Rgb>> ParseRgbList(std::string_view text);
std::optional<Fit> ParseFit(std::string_view text);

}  // namespace rotopal
