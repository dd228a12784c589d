#pragma once

#include <optional>
#include <span>
#include <vector>

#include "core/bitmap_types.h"
#include "import/import_options.h"

namespace rotopal {

// The colours of `count` animated entries, spaced evenly around the gradient that runs through
// the stops and from the last back to the first, so that rotating them has no seam.
std::vector<RGBQUAD> BandColours(std::span<const Rgb> stops, int count);

// Which of `count` animated entries (0 = the first) column x of the band shows. Every entry
// covers the same number of columns, side by side; where the width is not a multiple of the
// count, the columns left over at both ends show the picture (nothing).
std::optional<int> BandEntryAt(int x, int count);

}  // namespace rotopal
