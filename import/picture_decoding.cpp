#include "import/picture_decoding.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "import/bmp_rows.h"
#include "import/decoder_words.h"
#include "import/fit_geometry.h"
#include "import/icc_profile.h"
#include "import/vips_runtime.h"

namespace rotopal {
namespace {

// The file as libvips names it: BMP is read through ImageMagick, which takes a file by name,
// not a stream.
std::string DescriptorName(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// Opens the picture lazily, top to bottom: only its header is read until pixels are asked for.
// BMP rows are read straight from the file where they can be, else through ImageMagick.
vips::VImage OpenSequential(int descriptor, PictureFormat format) {
    if (format == PictureFormat::Bmp) {
        if (auto rows = OpenBmpRows(descriptor)) {
            return *rows;
        }
    }
    // Made only where a call takes it: the call that takes options frees them.
    vips::VOption* options = vips::VImage::option()
                                 ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                 ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    if (format == PictureFormat::Bmp) {
        return vips::VImage::magickload(DescriptorName(descriptor).c_str(), options);
    }
    return vips::VImage::new_from_source(vips::VSource::new_from_descriptor(descriptor), "",
                                         options);
}

bool HasSrgbProfile(const vips::VImage& image) {
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0) {
        return false;
    }
    std::size_t size = 0;
    const auto* profile = static_cast<const std::uint8_t*>(image.get_blob(VIPS_META_ICC_NAME, &size));
    return profile != nullptr && IsSrgbProfile({profile, size});
}

// The loader's own shrink for a picture of width x height that must keep at least `needed`:
// JPEG decodes at 1/2, 1/4 or 1/8 from its DCT, WebP at any scale; the others decode whole.
vips::VOption* ShrinkOnLoad(PictureFormat format, int width, int height, Needed needed,
                            vips::VOption* options) {
    const double room = std::min(static_cast<double>(width) / needed.width,
                                 static_cast<double>(height) / needed.height);
    if (format == PictureFormat::Jpeg) {
        int shrink = 1;
        while (shrink < 8 && shrink * 2 <= room) {
            shrink *= 2;
        }
        return options->set("shrink", shrink);
    }
    if (format == PictureFormat::WebP && room > 1) {
        return options->set("scale", 1 / room);
    }
    return options;
}

// The picture decoded small: shrunk as it loads where its kind allows, then by a box filter by
// whole factors (across first, so that the rows kept in flight are narrow ones) to no less than
// `needed` and less than twice it, upright, and out of an embedded profile into sRGB unless
// that profile is sRGB's own. There is no resampling here: the layout resamples once, from this.
vips::VImage DecodeSmall(int descriptor, PictureFormat format, const vips::VImage& header,
                         Needed upright, bool convertProfile) {
    const bool turned = vips_image_get_orientation_swap(header.get_image()) != 0;
    const Needed needed = turned ? Needed{upright.height, upright.width} : upright;
    vips::VImage image =
        format == PictureFormat::Bmp
            ? OpenSequential(descriptor, format)
            : vips::VImage::new_from_source(
                  vips::VSource::new_from_descriptor(descriptor), "",
                  ShrinkOnLoad(format, header.width(), header.height(), needed,
                               vips::VImage::option()
                                   ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                   ->set("fail_on", VIPS_FAIL_ON_TRUNCATED)));
    const int factor = static_cast<int>(std::floor(std::min(
        static_cast<double>(image.width()) / needed.width, static_cast<double>(image.height()) / needed.height)));
    if (factor >= 2) {
        // Neighbours mix weighted by how much of each shows.
        const bool alpha = image.has_alpha();
        const VipsBandFormat stored = image.format();
        if (alpha) {
            image = image.premultiply();
        }
        image = image.shrinkh(factor).shrinkv(factor);
        if (alpha) {
            image = image.unpremultiply();
        }
        image = image.cast(stored);
    }
    image = image.autorot();
    if (convertProfile) {
        image = image.icc_transform(
            "srgb", vips::VImage::option()->set("embedded", true)->set("depth", 8));
    }
    return image;
}

// 8-bit sRGB, with its alpha band if it has one, whatever the picture was: grey, 16 bits, CMYK.
vips::VImage ToSrgb(vips::VImage image) {
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR) {
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    }
    return image.format() == VIPS_FORMAT_UCHAR ? image : image.cast(VIPS_FORMAT_UCHAR);
}

// The decoded picture as the layout takes it: red, green, blue and alpha bytes; a grey picture's
// band repeated, an alpha band kept where there is one.
Raster ToRaster(const vips::VImage& image) {
    const bool alpha = image.has_alpha();
    const int colourBands = image.bands() - (alpha ? 1 : 0);
    vips::VImage colour = image.extract_band(0);
    if (colourBands >= 3) {
        colour = image.extract_band(0, vips::VImage::option()->set("n", 3));
    } else {
        colour = colour.bandjoin(std::vector<vips::VImage>{colour, colour});
    }
    const vips::VImage rgba = alpha ? colour.bandjoin(image.extract_band(image.bands() - 1))
                                    : colour.bandjoin_const({255});
    std::size_t size = 0;
    const std::unique_ptr<std::uint8_t, decltype(&g_free)> pixels(
        static_cast<std::uint8_t*>(rgba.write_to_memory(&size)), &g_free);
    if (!pixels) {
        throw std::bad_alloc();
    }
    Raster raster = Raster::Blank(rgba.width(), rgba.height(), alpha);
    std::copy_n(pixels.get(), std::min(size, raster.rgba.size()), raster.rgba.begin());
    return raster;
}

void ReportEval(VipsImage*, VipsProgress* done, void* client) {
    (*static_cast<const ImportProgress*>(client))(done->percent);
}

}  // namespace

std::string FirstLine(const std::string& words) {
    return words.substr(0, words.find('\n'));
}

ImportError FromDecoder(const std::string& words) {
    const bool memory = SaysMemoryRanOut(words);
    return ImportError{.kind = memory ? ImportErrorKind::OutOfMemory : ImportErrorKind::Damaged,
                       .detail = InPlainWords(FirstLine(words))};
}

Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodePicture(
    int descriptor, std::span<const std::uint8_t> head, PictureFormat format,
    const ImportProgress& progress) {
    const auto tooLarge = [](std::uint64_t width, std::uint64_t height) {
        return Failure{ImportError{.kind = ImportErrorKind::TooManyPixels, .width = width, .height = height}};
    };
    // ImageMagick reads a whole BMP even for its header: the BMP's own header is judged first.
    if (const auto declared = BmpDeclaredSize(head); declared && PastTheSizeRule(*declared)) {
        return tooLarge(declared->width, declared->height);
    }
    // What an earlier picture left in libvips's error buffer is not this one's.
    vips_error_clear();
    DecoderWarnings warnings;
    // libvips reports failures as exceptions; none leaves this function.
    try {
        auto decoded = std::make_shared<DecodedPicture>();
        {
            vips::VImage header = OpenSequential(descriptor, format);
            const DeclaredSize stored{static_cast<std::uint64_t>(std::max(header.width(), 0)),
                                      static_cast<std::uint64_t>(std::max(header.height(), 0))};
            if (stored.width == 0 || stored.height == 0) {
                return Failure{ImportError{.kind = ImportErrorKind::Damaged,
                                           .detail = "the picture has no pixels"}};
            }
            if (PastTheSizeRule(stored)) {
                return tooLarge(stored.width, stored.height);
            }
            // Orientations 5 to 8 turn the picture by a quarter: it shows with its sides swapped.
            const bool turned = vips_image_get_orientation_swap(header.get_image()) != 0;
            decoded->width = turned ? header.height() : header.width();
            decoded->height = turned ? header.width() : header.height();
            const bool convertProfile =
                header.get_typeof(VIPS_META_ICC_NAME) != 0 && !HasSrgbProfile(header);
            // Kept at what every fit needs or a little more, so that drawing any fit from it is
            // one resampling of good quality.
            const Needed needed = NeededForEveryFit(decoded->width, decoded->height);
            vips::VImage image =
                ToSrgb(DecodeSmall(descriptor, format, header, needed, convertProfile));
            if (progress) {
                vips_image_set_progress(image.get_image(), TRUE);
                g_signal_connect(image.get_image(), "eval", G_CALLBACK(ReportEval),
                                 const_cast<ImportProgress*>(&progress));
            }
            decoded->kept = ToRaster(image);
        }
        // libvips tells some of what it read past only when it lets go of the file, above.
        if (warnings.MemoryRanOut()) {
            return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
        }
        decoded->repairs = warnings.Take();
        return std::shared_ptr<const DecodedPicture>(std::move(decoded));
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{FromDecoder(error.what())};
    }
}

}  // namespace rotopal
