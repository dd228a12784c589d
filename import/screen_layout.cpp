#include "import/screen_layout.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "core/logo_document.h"
#include "import/fit_geometry.h"

namespace rotopal {
namespace {

int RoundInto(double value, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(value)), low, high);
}

// A colour as libvips takes it for filling.
std::vector<double> BackgroundBands(Rgb colour) {
    return {static_cast<double>(colour.red), static_cast<double>(colour.green),
            static_cast<double>(colour.blue)};
}

// Three bands: the alpha flattened onto the background, a grey picture's band repeated.
vips::VImage ToOpaque(vips::VImage image, Rgb background) {
    if (image.has_alpha()) {
        image =
            image.flatten(vips::VImage::option()->set("background", BackgroundBands(background)));
    }
    if (image.bands() > 3) {
        image = image.extract_band(0, vips::VImage::option()->set("n", 3));
    } else if (image.bands() < 3) {
        const vips::VImage first = image.extract_band(0);
        image = first.bandjoin(std::vector<vips::VImage>{first, first});
    }
    return image.format() == VIPS_FORMAT_UCHAR ? image : image.cast(VIPS_FORMAT_UCHAR);
}

// Sizes an image exactly: the resampler's rounding may leave a pixel more or less.
vips::VImage ExactSize(const vips::VImage& image, int width, int height) {
    if (image.width() == width && image.height() == height) {
        return image;
    }
    return image.embed(0, 0, width, height,
                       vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
}

// The middle width x height of an image, resampled to the given size. Resampling mixes
// neighbours; with transparency they are weighted by their alpha.
vips::VImage CutAndResize(vips::VImage image, int cutWidth, int cutHeight, int width, int height) {
    const bool resizing = cutWidth != width || cutHeight != height;
    const VipsBandFormat format = image.format();
    const bool alpha = resizing && image.has_alpha();
    if (alpha) {
        image = image.premultiply();
    }
    if (cutWidth != image.width() || cutHeight != image.height()) {
        image = image.extract_area((image.width() - cutWidth) / 2, (image.height() - cutHeight) / 2,
                                   cutWidth, cutHeight);
    }
    if (resizing) {
        image = image.resize(
            static_cast<double>(width) / cutWidth,
            vips::VImage::option()->set("vscale", static_cast<double>(height) / cutHeight));
    }
    if (alpha) {
        image = image.unpremultiply().cast(format);
    }
    return ExactSize(image, width, height);
}

ScreenPicture CentreOnScreen(const vips::VImage& picture, Rgb background) {
    const int left = (kLogoWidth - picture.width()) / 2;
    const int top = (kLogoHeight - picture.height()) / 2;
    // The colour reduction takes RGBA: an opaque alpha band goes on last.
    const vips::VImage screen = picture
                                    .embed(left, top, kLogoWidth, kLogoHeight,
                                           vips::VImage::option()
                                               ->set("extend", VIPS_EXTEND_BACKGROUND)
                                               ->set("background", BackgroundBands(background)))
                                    .bandjoin_const({255});
    std::size_t size = 0;
    const std::unique_ptr<std::uint8_t, decltype(&g_free)> rgba(
        static_cast<std::uint8_t*>(screen.write_to_memory(&size)), &g_free);
    if (!rgba) {
        throw std::bad_alloc();
    }
    ScreenPicture result;
    result.showsBackground = picture.width() < kLogoWidth || picture.height() < kLogoHeight;
    result.rgba.assign(rgba.get(), rgba.get() + std::min(size, kLogoPixelCount * 4));
    result.rgba.resize(kLogoPixelCount * 4);
    return result;
}

}  // namespace

Result<ScreenPicture, ImportError> LayOntoScreen(const DecodedPicture& picture, Fit fit,
                                                 Rgb background) {
    try {
        const Placement p = Place(picture.width, picture.height, fit);
        // The region in the kept picture, which is smaller than the one in the file.
        const vips::VImage& kept = picture.image;
        const int cutWidth = RoundInto(
            static_cast<double>(p.regionWidth) * kept.width() / picture.width, 1, kept.width());
        const int cutHeight = RoundInto(
            static_cast<double>(p.regionHeight) * kept.height() / picture.height, 1, kept.height());
        ScreenPicture screen = CentreOnScreen(
            ToOpaque(CutAndResize(kept, cutWidth, cutHeight, p.width, p.height), background),
            background);
        screen.repairs = picture.repairs;
        return screen;
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{FromDecoder(error.what())};
    }
}

}  // namespace rotopal
