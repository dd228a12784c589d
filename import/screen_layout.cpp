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

// An image resampled to width x height with the pixel centres of Pillow and ImageMagick: the
// centre of output pixel i lies at (i + 0.5) / scale - 0.5 in the input. libvips's reducers
// sample so already; its enlargement is half a pixel off, so enlarging goes through an affine
// transform told the centres.
vips::VImage Resample(vips::VImage image, int width, int height) {
    const double across = static_cast<double>(width) / image.width();
    const double down = static_cast<double>(height) / image.height();
    if (across < 1 || down < 1) {
        image = image.resize(std::min(across, 1.0),
                             vips::VImage::option()->set("vscale", std::min(down, 1.0)));
    }
    if (image.width() >= width && image.height() >= height) {
        return image;
    }
    const std::vector<double> matrix{static_cast<double>(width) / image.width(), 0, 0,
                                     static_cast<double>(height) / image.height()};
    return image.affine(matrix, vips::VImage::option()
                                    ->set("interpolate", vips::VInterpolate::new_from_name("bicubic"))
                                    ->set("idx", 0.5)
                                    ->set("idy", 0.5)
                                    ->set("odx", -0.5)
                                    ->set("ody", -0.5)
                                    ->set("oarea", std::vector<int>{0, 0, width, height})
                                    ->set("extend", VIPS_EXTEND_COPY));
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
        image = Resample(image, width, height);
    }
    if (alpha) {
        image = image.unpremultiply().cast(format);
    }
    return ExactSize(image, width, height);
}

// The picture in the middle of the screen's top `rows` rows, the rest the background.
ScreenPicture CentreOnScreen(const vips::VImage& picture, Rgb background, int rows) {
    const int left = (kLogoWidth - picture.width()) / 2;
    const int top = std::max(0, (rows - picture.height()) / 2);
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
    result.showsBackground = picture.width() < kLogoWidth || picture.height() < rows;
    result.rgba.assign(rgba.get(), rgba.get() + std::min(size, kLogoPixelCount * 4));
    result.rgba.resize(kLogoPixelCount * 4);
    return result;
}

}  // namespace

Result<ScreenPicture, ImportError> LayOntoScreen(const DecodedPicture& picture, Fit fit,
                                                 Rgb background, int bandRows) {
    try {
        // Contain shows the whole picture: it keeps above the band.
        const int rows = fit == Fit::Contain ? kLogoHeight - bandRows : kLogoHeight;
        const Placement p = Place(picture.width, picture.height, fit, rows);
        // The region in the kept picture, which is smaller than the one in the file.
        const vips::VImage& kept = picture.image;
        const int cutWidth = RoundInto(
            static_cast<double>(p.regionWidth) * kept.width() / picture.width, 1, kept.width());
        const int cutHeight = RoundInto(
            static_cast<double>(p.regionHeight) * kept.height() / picture.height, 1, kept.height());
        ScreenPicture screen = CentreOnScreen(
            ToOpaque(CutAndResize(kept, cutWidth, cutHeight, p.width, p.height), background),
            background, rows);
        screen.repairs = picture.repairs;
        return screen;
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{FromDecoder(error.what())};
    }
}

}  // namespace rotopal
