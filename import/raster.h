#pragma once

#include <cstdint>
#include <vector>

namespace rotopal {

// A picture in memory as the layout takes it: 8-bit sRGB red, green, blue and alpha for every
// pixel, top row first. `alpha` says whether the alpha means anything: without it every pixel is
// opaque (255).
struct Raster {
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<std::uint8_t> rgba;

    // width x height, every byte 255: white, and opaque whether or not its alpha counts.
    static Raster Blank(int width, int height, bool alpha = false);
    std::uint8_t* Row(int y) { return rgba.data() + static_cast<std::size_t>(y) * Stride(); }
    const std::uint8_t* Row(int y) const {
        return rgba.data() + static_cast<std::size_t>(y) * Stride();
    }
    std::size_t Stride() const { return static_cast<std::size_t>(width) * 4; }
};

// The part of the raster from (left, top), width x height, which must lie inside it.
Raster Cut(const Raster& raster, int left, int top, int width, int height);

// The raster turned upright from an EXIF orientation (1 to 8; anything else leaves it as it is):
// 2 mirrors it, 3 turns it half round, 4 flips it, 5 to 8 turn it a quarter with or without a
// mirror, which swaps its sides.
Raster Upright(Raster raster, int orientation);
// Whether the orientation swaps width and height.
bool SwapsSides(int orientation);

}  // namespace rotopal
