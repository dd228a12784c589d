#include "import/picture_decoding.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "import/bmp_rows.h"
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
    vips::VOption* options = vips::VImage::option()
                                 ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                 ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    if (format == PictureFormat::Bmp) {
        if (auto rows = OpenBmpRows(descriptor)) {
            return *rows;
        }
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

// The kinds whose loaders shrink as they decode (JPEG by 2, 4 or 8, WebP and HEIF by any
// factor or from an embedded thumbnail), where libvips's thumbnail serves best.
bool ShrinksOnLoad(PictureFormat format) {
    return format == PictureFormat::Jpeg || format == PictureFormat::WebP ||
           format == PictureFormat::Heif;
}

// Shrunk to fit inside width x height, never enlarged, upright, and out of an embedded profile
// into sRGB unless that profile is sRGB's own already.
vips::VImage Thumbnail(int descriptor, int width, int height, bool convertProfile) {
    vips::VOption* options = vips::VImage::option()
                                 ->set("height", height)
                                 ->set("size", VIPS_SIZE_DOWN)
                                 // A picture cut short is refused, not padded with grey; the
                                 // loader of a source is told so in its own options.
                                 ->set("fail_on", VIPS_FAIL_ON_TRUNCATED)
                                 ->set("option_string", "fail_on=truncated");
    if (convertProfile) {
        options->set("export_profile", "srgb");
    }
    return vips::VImage::thumbnail_source(vips::VSource::new_from_descriptor(descriptor), width,
                                          options);
}

// The same for the kinds decoded whole rows at a time: thumbnail's resampling keeps a thousand
// rows or more in flight (75 MiB for a 4K RGBA PNG), while a box shrink by whole factors, across
// and then down, keeps narrow ones, and the lanczos resampling that follows works on the small
// picture.
vips::VImage ShrinkWhileDecoding(int descriptor, PictureFormat format, int width, int height,
                                 bool convertProfile) {
    vips::VImage image = OpenSequential(descriptor, format);
    // The factors are judged against the stored picture: the turn comes after, on the small one.
    const bool turned = vips_image_get_orientation_swap(image.get_image()) != 0;
    const int boxWidth = turned ? height : width;
    const int boxHeight = turned ? width : height;
    const double scale = std::min({1.0, static_cast<double>(boxWidth) / image.width(),
                                   static_cast<double>(boxHeight) / image.height()});
    const int factor = static_cast<int>(std::floor(1.0 / scale));
    const bool alpha = image.has_alpha() && scale < 1;
    const VipsBandFormat format8 = image.format();
    if (alpha) {
        image = image.premultiply();  // neighbours mix weighted by how much of each shows
    }
    if (factor > 1) {
        // Across first: the rows the vertical shrink keeps in flight are then narrow ones.
        image = image.shrinkh(factor).shrinkv(factor);
    }
    if (scale * factor < 1) {
        image = image.resize(scale * factor);
    }
    if (alpha) {
        image = image.unpremultiply().cast(format8);
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

void ReportEval(VipsImage*, VipsProgress* done, void* client) {
    (*static_cast<const ImportProgress*>(client))(done->percent);
}

}  // namespace

std::string FirstLine(const std::string& words) {
    return words.substr(0, words.find('\n'));
}

ImportError FromDecoder(const std::string& words) {
    // libvips says so in these words when an allocation of its own fails, and glib so when it
    // cannot map a new thread's stack.
    const bool memory = words.find("out of memory") != std::string::npos ||
                        words.find("Insufficient memory") != std::string::npos ||
                        words.find("Error creating thread") != std::string::npos;
    return ImportError{.kind = memory ? ImportErrorKind::OutOfMemory : ImportErrorKind::Damaged,
                       .detail = FirstLine(words)};
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
            // Kept at twice what every fit needs, so that drawing any fit from it is a shrink of
            // good quality.
            const Needed needed = NeededForEveryFit(decoded->width, decoded->height);
            vips::VImage image =
                ToSrgb(ShrinksOnLoad(format)
                           ? Thumbnail(descriptor, 2 * needed.width, 2 * needed.height, convertProfile)
                           : ShrinkWhileDecoding(descriptor, format, 2 * needed.width,
                                                 2 * needed.height, convertProfile));
            if (progress) {
                vips_image_set_progress(image.get_image(), TRUE);
                g_signal_connect(image.get_image(), "eval", G_CALLBACK(ReportEval),
                                 const_cast<ImportProgress*>(&progress));
            }
            decoded->image = image.copy_memory();
        }
        // libvips tells some of what it read past only when it lets go of the file, above.
        decoded->repairs = warnings.Take();
        return std::shared_ptr<const DecodedPicture>(std::move(decoded));
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{FromDecoder(error.what())};
    }
}

}  // namespace rotopal
