#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/logo_document.h"
#include "palette/argb_image.h"

namespace rotopal {

// A 320 x 400 view image kept between events. Most redraws show the same pixels through a
// palette that differs in a few entries (a range step, a new selection, one edited colour), so
// only the pixels of entries whose colour changed are written again. The result is always what
// RenderView would draw; the image can only be changed through this class, so what it was drawn
// from stays known.
class RecolourableView {
public:
    // Draws the pixels with the palette.
    void Render(const LogoPixels& pixels, const Palette& palette);

    // Shows the given image, drawn from no pixels: the next Render draws everything.
    void Reset(ArgbImage image);

    const ArgbImage& image() const { return image_; }

private:
    void RenderAll(const LogoPixels& pixels,
                   const std::array<std::uint32_t, kPaletteEntries>& colours);

    ArgbImage image_;
    std::vector<std::uint8_t> pixels_;  // what image_ was drawn from; empty when unknown
    std::array<std::uint32_t, kPaletteEntries> colours_{};
};

}  // namespace rotopal
