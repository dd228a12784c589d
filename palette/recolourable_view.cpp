#include "palette/recolourable_view.h"

#include <algorithm>
#include <utility>

#include "palette/view_render.h"

namespace rotopal {

namespace {

// Pixels are checked in runs of this many: a run is skipped when it holds no changed entry and
// rewritten whole as soon as it holds one, so images where changed and unchanged pixels
// alternate pay at most one mispredicted branch per run, not per pixel.
constexpr std::size_t kRun = 16;
static_assert(static_cast<std::size_t>(kLogoWidth) % kRun == 0);

}  // namespace

void RecolourableView::Render(const LogoPixels& pixels, const Palette& palette) {
    const bool sameSource =
        image_.width == kLogoWidth && image_.height == kLogoHeight &&
        std::equal(pixels.begin(), pixels.end(), pixels_.begin(), pixels_.end());
    const auto colours = ArgbTable(palette);
    if (!sameSource) {
        RenderAll(pixels, colours);
        return;
    }
    if (colours == colours_) {
        return;
    }
    std::array<bool, kPaletteEntries> changed{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        changed[i] = colours[i] != colours_[i];
    }
    colours_ = colours;
    constexpr auto kWidth = static_cast<std::size_t>(kLogoWidth);
    for (std::size_t row = 0; row < kLogoHeight; ++row) {
        const std::uint8_t* source = pixels.data() + row * kWidth;
        std::uint32_t* target = image_.pixels.data() + (kLogoHeight - 1 - row) * kWidth;
        for (std::size_t x = 0; x < kWidth; x += kRun) {
            const std::uint8_t* run = source + x;
            if (std::any_of(run, run + kRun, [&](std::uint8_t p) { return changed[p]; })) {
                for (std::size_t k = 0; k < kRun; ++k) {
                    target[x + k] = colours[run[k]];
                }
            }
        }
    }
}

void RecolourableView::Reset(ArgbImage image) {
    image_ = std::move(image);
    pixels_.clear();
}

void RecolourableView::RenderAll(const LogoPixels& pixels,
                                 const std::array<std::uint32_t, kPaletteEntries>& colours) {
    if (image_.width != kLogoWidth || image_.height != kLogoHeight) {
        image_ = ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbBlack);
    }
    RenderView(pixels, colours, image_);
    pixels_.assign(pixels.begin(), pixels.end());
    colours_ = colours;
}

}  // namespace rotopal
