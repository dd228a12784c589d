#include "import/screen_picture.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "core/logo_document.h"

namespace rotopal {
namespace {

// The screen is seen on a 4:3 display; in square pixels of that display its 320 x 400 pixels
// cover 640 x 480, each one 2 wide and 1.2 tall.
constexpr int kDisplayWidth = 640;
constexpr int kDisplayHeight = 480;

// libvips keeps one set of process-wide tables; it is started once, on first use.
bool StartVips() {
    static const bool started = [] {
        if (vips_init("rotopal") != 0) {
            return false;
        }
        // Every import is a one-off: nothing is worth caching, and the cache would hold memory.
        vips_cache_set_max(0);
        // Decoders' complaints reach the user as the reason of a refusal, not on stderr.
        g_log_set_handler(
            "VIPS", G_LOG_LEVEL_WARNING,
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        return true;
    }();
    return started;
}

// The decoder's first line says what it ran into; the rest repeats it.
ImportError Damaged(std::string detail) {
    detail = detail.substr(0, detail.find('\n'));
    return ImportError{.kind = ImportErrorKind::Damaged, .detail = std::move(detail)};
}

struct BlobUnref {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The picture's declared size, from its header alone.
Result<PictureSize, ImportError> DeclaredSize(std::span<const std::uint8_t> bytes) {
    const vips::VImage header = vips::VImage::new_from_buffer(
        bytes.data(), bytes.size(), "",
        vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    const auto width = static_cast<std::uint64_t>(std::max(header.width(), 0));
    const auto height = static_cast<std::uint64_t>(std::max(header.height(), 0));
    if (width == 0 || height == 0) {
        return Failure{Damaged("the picture has no pixels")};
    }
    if (width * height > kMaxPicturePixels) {
        return Failure{
            ImportError{.kind = ImportErrorKind::TooManyPixels, .width = width, .height = height}};
    }
    return PictureSize{header.width(), header.height()};
}

// All of the picture at its own size.
vips::VImage DecodeWhole(std::span<const std::uint8_t> bytes) {
    return vips::VImage::new_from_buffer(bytes.data(), bytes.size(), "",
                                         vips::VImage::option()
                                             ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                             ->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
}

// A picture narrower or lower than the display, to cover it, is enlarged. Enlarging all of it
// and cropping afterwards could make a strip of 24 x 30000 pixels into gigabytes, so the part
// that shows is cut out first and only that is enlarged.
vips::VImage CoverByEnlarging(std::span<const std::uint8_t> bytes, PictureSize size, double scale) {
    const int width =
        std::clamp(static_cast<int>(std::lround(kDisplayWidth / scale)), 1, size.width);
    const int height =
        std::clamp(static_cast<int>(std::lround(kDisplayHeight / scale)), 1, size.height);
    return DecodeWhole(bytes)
        .extract_area((size.width - width) / 2, (size.height - height) / 2, width, height)
        .thumbnail_image(
            kDisplayWidth,
            vips::VImage::option()->set("height", kDisplayHeight)->set("size", VIPS_SIZE_FORCE));
}

// Decodes straight into the 640 x 480 display box, letting the loader shrink while it decodes.
vips::VImage DecodeIntoDisplayBox(std::span<const std::uint8_t> bytes, Fit fit, PictureSize size) {
    const double coverScale =
        std::max(double{kDisplayWidth} / size.width, double{kDisplayHeight} / size.height);
    if (fit == Fit::Cover && coverScale > 1.0) {
        return CoverByEnlarging(bytes, size, coverScale);
    }
    const std::unique_ptr<VipsBlob, BlobUnref> blob(
        vips_blob_new(nullptr, bytes.data(), bytes.size()));
    auto* options = vips::VImage::option()
                        ->set("height", kDisplayHeight)
                        // Passed on to the loader: a picture cut short is refused, not padded.
                        ->set("option_string", "fail_on=truncated");
    switch (fit) {
        case Fit::Contain: break;
        case Fit::Cover: options->set("crop", VIPS_INTERESTING_CENTRE); break;
        case Fit::Stretch: options->set("size", VIPS_SIZE_FORCE); break;
    }
    return vips::VImage::thumbnail_buffer(blob.get(), kDisplayWidth, options);
}

// A colour as libvips takes it for filling.
std::vector<double> BackgroundBands(Rgb colour) {
    return {static_cast<double>(colour.red), static_cast<double>(colour.green),
            static_cast<double>(colour.blue)};
}

// Three 8-bit sRGB bands, whatever the picture had: grey, 16 bits, CMYK, alpha.
vips::VImage ToOpaqueSrgb(vips::VImage image, Rgb background) {
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR) {
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    }
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
    if (image.format() != VIPS_FORMAT_UCHAR) {
        image = image.cast(VIPS_FORMAT_UCHAR);
    }
    return image;
}

// From the display's square pixels to the screen's: half as many columns, five sixths the rows.
vips::VImage ToScreenPixels(const vips::VImage& display) {
    const int width =
        std::clamp(static_cast<int>(std::lround(display.width() / 2.0)), 1, kLogoWidth);
    const int height =
        std::clamp(static_cast<int>(std::lround(display.height() * 5.0 / 6.0)), 1, kLogoHeight);
    vips::VImage screen =
        display.resize(double(width) / display.width(),
                       vips::VImage::option()->set("vscale", double(height) / display.height()));
    // Rounding inside the resampler may leave a pixel more or less; make the size exact.
    if (screen.width() != width || screen.height() != height) {
        screen = screen.embed(0, 0, width, height,
                              vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
    }
    return screen;
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
    ScreenPicture result;
    result.showsBackground = picture.width() < kLogoWidth || picture.height() < kLogoHeight;
    result.rgba.assign(rgba.get(), rgba.get() + std::min(size, kLogoPixelCount * 4));
    result.rgba.resize(kLogoPixelCount * 4);
    return result;
}

}  // namespace

Result<ScreenPicture, ImportError> FitPictureToScreen(std::span<const std::uint8_t> bytes, Fit fit,
                                                      Rgb background) {
    if (!StartVips()) {
        return Failure{Damaged("the picture decoders could not be started")};
    }
    // libvips reports failures as exceptions; none leaves this function.
    try {
        const auto size = DeclaredSize(bytes);
        if (!size) {
            return Failure{size.error()};
        }
        // A picture drawn for the screen, stretched onto it, keeps every pixel as it is.
        if (fit == Fit::Stretch && size.value().width == kLogoWidth &&
            size.value().height == kLogoHeight) {
            return CentreOnScreen(ToOpaqueSrgb(DecodeWhole(bytes), background), background);
        }
        const vips::VImage display =
            ToOpaqueSrgb(DecodeIntoDisplayBox(bytes, fit, size.value()), background);
        return CentreOnScreen(ToScreenPixels(display), background);
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{Damaged(error.what())};
    }
}

}  // namespace rotopal
