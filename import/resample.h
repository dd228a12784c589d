#pragma once

#include "import/raster.h"

namespace rotopal {

// The raster resampled to width x height, each direction on its own: shrinking through a
// Lanczos-3 filter widened by the factor, enlarging through Catmull-Rom's cubic. The centre of
// output pixel i lies at (i + 0.5) / scale - 0.5 in the input, as Pillow and ImageMagick place
// it, and the edge pixels continue outwards. With alpha, neighbours mix weighted by their alpha.
Raster Resample(const Raster& raster, int width, int height);

// The raster shrunk by a whole factor in both directions, each output pixel the mean of a
// factor x factor block, weighted by alpha where there is alpha; columns and rows that do not
// fill a block at the right and bottom edges are left out.
Raster BoxShrink(const Raster& raster, int factor);

}  // namespace rotopal
