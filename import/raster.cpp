#include "import/raster.h"

#include <algorithm>
#include <cstring>

namespace rotopal {

Raster Raster::Blank(int width, int height, bool alpha) {
    Raster raster{.width = width, .height = height, .alpha = alpha, .rgba = {}};
    raster.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 255);
    return raster;
}

Raster Cut(const Raster& raster, int left, int top, int width, int height) {
    if (left == 0 && top == 0 && width == raster.width && height == raster.height) {
        return raster;
    }
    Raster cut = Raster::Blank(width, height, raster.alpha);
    for (int y = 0; y < height; ++y) {
        std::memcpy(cut.Row(y), raster.Row(top + y) + static_cast<std::size_t>(left) * 4, cut.Stride());
    }
    return cut;
}

bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

Raster Upright(Raster raster, int orientation) {
    if (orientation < 2 || orientation > 8) {
        return raster;
    }
    const int w = raster.width;
    const int h = raster.height;
    const bool swapped = SwapsSides(orientation);
    Raster turned = Raster::Blank(swapped ? h : w, swapped ? w : h, raster.alpha);
    for (int v = 0; v < turned.height; ++v) {
        std::uint8_t* out = turned.Row(v);
        for (int u = 0; u < turned.width; ++u, out += 4) {
            // Where the pixel shown at (u, v) is stored.
            int x = u;
            int y = v;
            switch (orientation) {
                case 2: x = w - 1 - u; break;
                case 3: x = w - 1 - u; y = h - 1 - v; break;
                case 4: y = h - 1 - v; break;
                case 5: x = v; y = u; break;
                case 6: x = v; y = h - 1 - u; break;
                case 7: x = w - 1 - v; y = h - 1 - u; break;
                case 8: x = w - 1 - v; y = u; break;
                default: break;
            }
            std::memcpy(out, raster.Row(y) + static_cast<std::size_t>(x) * 4, 4);
        }
    }
    return turned;
}

}  // namespace rotopal
