#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/bitmap_types.h"
#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"

namespace rotopal {

// A true-colour picture as palette indices: at most the colours asked for, each index below
// palette.size().
struct ReducedPicture {
    std::vector<RGBQUAD> palette;
    std::vector<std::uint8_t> indices;  // one per pixel, in the picture's order
};

// Reduces width x height RGBA pixels to at most `colours` colours (1 to 256), with error
// diffusion at the given level (0 to 1). A colour to keep exactly, such as a plain background,
// is always among them.
Result<ReducedPicture, ImportError> ReduceColours(std::span<const std::uint8_t> rgba, int width,
                                                  int height, int colours, float dither,
                                                  std::optional<Rgb> keep);

}  // namespace rotopal
