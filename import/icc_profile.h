#pragma once

#include <cstdint>
#include <span>

namespace rotopal {

// Whether an ICC profile describes sRGB itself, judged by what it does rather than what it is
// called: RGB to XYZ, the three colorants of sRGB (adapted to D50, as ICC stores them) and the
// sRGB tone curve on every channel, as a parametric curve or a table. Converting a picture from
// such a profile to sRGB changes nothing, and costs a fifth of a photograph's import.
// Anything that cannot be read soundly is not sRGB.
bool IsSrgbProfile(std::span<const std::uint8_t> profile);

}  // namespace rotopal
