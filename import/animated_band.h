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

// Which of `count` animated entries (0 = the first) column x of the band shows: x * count / 320,
// so that the band spans every column, in the gradient's order, and every entry shows, in runs
// that differ by one column at most. Nothing for a count outside 1 to 320.
std::optional<int> BandEntryAt(int x, int count);

}  // namespace rotopal
