#pragma once

#include <cstdint>

#include "core/logo_document.h"

namespace rotopal {

// Fills in the headers of an uncompressed 320 x 400 screen with a 40-byte header, 96 dpi, and a
// colour table of `colours` entries (0 meaning all 256), the animation starting at
// firstAnimated; lastIndex follows the table.
void SetScreenHeaders(LogoDocument& document, std::uint32_t colours, std::uint32_t firstAnimated);

}  // namespace rotopal
