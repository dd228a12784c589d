#include "import/screen_picture.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <string>

#include "core/logo_document.h"
#include "import/vips_runtime.h"

namespace rotopal {
namespace {

// The screen is seen on a 4:3 display; in square pixels of that display its 320 x 400 pixels
// cover 640 x 480, each one 2 wide and 1.2 tall.
constexpr int kDisplayWidth = 640;
constexpr int kDisplayHeight = 480;

// What decoding and resampling a picture may take beyond what the libraries themselves take, so
// that the import stays under 100 MiB: 27.5 MiB here, and 30 leaves room for other builds of
// them (at 27, a progressive JPEG at its limit peaked at 99.1 MiB).
constexpr double kDecodingBudget = (100.0 - 30.0) * (1 << 20);

// The decoder's first line says what it ran into; the rest repeats it.
std::string FirstLine(const std::string& words) {
    return words.substr(0, words.find('\n'));
}

ImportError Refusal(ImportErrorKind kind, const std::string& detail) {
    return ImportError{.kind = kind, .detail = FirstLine(detail)};
}

ImportError FromDecoder(const std::string& words) {
    // libvips says so in these words when an allocation of its own fails, and glib so when
    // it cannot map a new thread's stack.
    const bool memory = words.find("out of memory") != std::string::npos ||
                        words.find("Insufficient memory") != std::string::npos ||
                        words.find("Error creating thread") != std::string::npos;
    return Refusal(memory ? ImportErrorKind::OutOfMemory : ImportErrorKind::Damaged, words);
}

// The part of the picture that shows, centred in it, and the size it is drawn at on the screen,
// both in the picture's upright orientation.
struct Placement {
    int regionWidth = 0;
    int regionHeight = 0;
    int width = 0;
    int height = 0;
};

int RoundInto(double value, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(value)), low, high);
}

Placement Place(int width, int height, Fit fit) {
    const double across = static_cast<double>(kDisplayWidth) / width;
    const double down = static_cast<double>(kDisplayHeight) / height;
    switch (fit) {
        case Fit::Contain: {
            const double scale = std::min(across, down);
            // From the display's square pixels to the screen's: half the columns, 5/6 the rows.
            return {width, height, RoundInto(width * scale / 2, 1, kLogoWidth),
                    RoundInto(height * scale * 5 / 6, 1, kLogoHeight)};
        }
        case Fit::Cover: {
            const double scale = std::max(across, down);
            return {RoundInto(kDisplayWidth / scale, 1, width),
                    RoundInto(kDisplayHeight / scale, 1, height), kLogoWidth, kLogoHeight};
        }
        case Fit::Stretch: break;
    }
    return {width, height, kLogoWidth, kLogoHeight};
}

// ImageMagick, which reads BMP for libvips, keeps its 16-bit pixels, the file it reads whole and
// the copy libvips takes.
constexpr double kBmpBytesPerPixel = 16;

// What a decoder keeps of the whole picture at once, in bytes per pixel, for the kinds and
// variants that cannot be decoded a few rows at a time; 0 for those that can. Measured with
// GNU time on pictures of each kind.
double WholePictureBytesPerPixel(PictureFormat format, const vips::VImage& header,
                                 bool losslessWebP) {
    const double bands = header.bands();
    const double sample = static_cast<double>(vips_format_sizeof(header.format()));
    const bool interlaced =
        header.get_typeof("interlaced") != 0 && header.get_int("interlaced") != 0;
    switch (format) {
        case PictureFormat::Jpeg: {
            if (!interlaced) {
                return 0;
            }
            // A progressive JPEG keeps every coefficient, two bytes each, of every component;
            // subsampled colour components have a quarter of the samples. libjpeg's own
            // bookkeeping adds about a tenth (measured at the limit).
            const bool subsampled =
                header.get_typeof("jpeg-chroma-subsample") != 0 &&
                std::string(header.get_string("jpeg-chroma-subsample")) == "4:2:0";
            return 2.2 * (subsampled ? 1 + (bands - 1) / 4 : bands);
        }
        case PictureFormat::Png: return interlaced ? bands * sample : 0;
        case PictureFormat::Gif: return 6;  // the frame as RGBA, and the file mapped whole
        // Lossy ones scale as they decode; a lossless one is decoded whole, as RGBA, and takes
        // about 5 bytes a pixel in all (measured at the limit).
        case PictureFormat::WebP: return losslessWebP ? 5.5 : 0;
        // The frame twice (libheif's and libvips's) and its YUV planes, and libheif's codecs
        // take about 6 MiB more than the other decoders: measured at 7.9 bytes a pixel for RGB.
        case PictureFormat::Heif: return 2 * bands * sample + 3;
        case PictureFormat::Bmp: return kBmpBytesPerPixel;
        case PictureFormat::Tiff:
        case PictureFormat::Unknown: break;
    }
    return 0;
}

// How much memory decoding and resampling a picture takes beyond the libraries' own: libvips
// keeps up to about this many of the decoded rows in flight while it shrinks them (found with
// GNU time: 1000 to 1900 rows of 16-bit pictures 6000 to 14000 pixels wide).
constexpr double kRowsInFlight = 2000;

double DecodingBytes(PictureFormat format, const vips::VImage& header, int decodedWidth,
                     bool losslessWebP) {
    // Transparency is resampled premultiplied, as 4-byte floats.
    const double sample =
        header.has_alpha() ? 4.0 : static_cast<double>(vips_format_sizeof(header.format()));
    const double rows = kRowsInFlight * decodedWidth * header.bands() * sample;
    const double pixels = static_cast<double>(header.width()) * header.height();
    return rows + pixels * WholePictureBytesPerPixel(format, header, losslessWebP);
}

vips::VSource OpenSource(const PictureSource& source) {
    if (source.descriptor >= 0) {
        return vips::VSource::new_from_descriptor(source.descriptor);
    }
    return vips::VSource::new_from_memory(source.bytes.data(), source.bytes.size());
}

vips::VOption* LoadOptions() {
    return vips::VImage::option()
        ->set("access", VIPS_ACCESS_SEQUENTIAL)
        // A picture cut short is refused, not padded with grey.
        ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
}

struct BlobUnref {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};

// Opens the picture lazily: only its header is read until pixels are asked for. libvips reads
// BMP through ImageMagick, which takes a file by name or bytes in memory, not a stream.
vips::VImage Open(const PictureSource& source, PictureFormat format, vips::VOption* options) {
    if (format != PictureFormat::Bmp) {
        return vips::VImage::new_from_source(OpenSource(source), "", options);
    }
    if (source.descriptor >= 0) {
        const std::string name = "/proc/self/fd/" + std::to_string(source.descriptor);
        return vips::VImage::magickload(name.c_str(), options);
    }
    const std::unique_ptr<VipsBlob, BlobUnref> blob(
        vips_blob_new(nullptr, source.bytes.data(), source.bytes.size()));
    return vips::VImage::magickload_buffer(blob.get(), options);
}

// How many times the loader shrinks as it decodes, by no more than `room` (how many times
// larger the picture is than what the screen draws of it): JPEG by 2, 4 or 8, WebP by any
// factor, the others not at all.
double LoadShrink(PictureFormat format, double room) {
    if (format == PictureFormat::Jpeg) {
        double shrink = 1;
        while (shrink < 8 && shrink * 2 <= room) {
            shrink *= 2;
        }
        return shrink;
    }
    return format == PictureFormat::WebP ? std::max(room, 1.0) : 1.0;
}

vips::VImage Decode(const PictureSource& source, PictureFormat format, double shrink) {
    vips::VOption* options = LoadOptions();
    if (format == PictureFormat::Jpeg) {
        options->set("shrink", static_cast<int>(shrink));
    } else if (format == PictureFormat::WebP && shrink > 1) {
        options->set("scale", 1 / shrink);
    }
    return Open(source, format, options);
}

void ReportEval(VipsImage*, VipsProgress* done, void* client) {
    (*static_cast<const ImportProgress*>(client))(done->percent);
}

// A colour as libvips takes it for filling.
std::vector<double> BackgroundBands(Rgb colour) {
    return {static_cast<double>(colour.red), static_cast<double>(colour.green),
            static_cast<double>(colour.blue)};
}

// Whether an embedded colour profile is sRGB's own, as most cameras and editors embed it:
// converting from it to sRGB changes nothing and costs a fifth of a photograph's import. Told
// by its description tag (the "desc" tag of version 2, or the first name of version 4's "mluc").
bool IsSrgbProfile(const vips::VImage& image) {
    std::size_t size = 0;
    const auto* profile =
        static_cast<const std::uint8_t*>(image.get_blob(VIPS_META_ICC_NAME, &size));
    const auto at = [&](std::size_t offset) {
        return offset + 4 <= size
                   ? std::uint32_t{profile[offset]} << 24 |
                         std::uint32_t{profile[offset + 1]} << 16 |
                         std::uint32_t{profile[offset + 2]} << 8 | profile[offset + 3]
                   : 0u;
    };
    constexpr std::uint32_t kDesc = 0x64657363;  // "desc"
    constexpr std::uint32_t kMluc = 0x6D6C7563;  // "mluc"
    constexpr std::uint32_t kRgb = 0x52474220;   // "RGB "
    if (profile == nullptr || size < 132 || at(16) != kRgb) {
        return false;
    }
    const std::uint32_t tags = at(128);
    for (std::uint32_t i = 0; i < tags && 132 + 12 * (i + 1) <= size; ++i) {
        const std::size_t entry = 132 + 12 * std::size_t{i};
        if (at(entry) != kDesc) {
            continue;
        }
        const std::size_t offset = at(entry + 4);
        const std::size_t length = at(entry + 8);
        if (offset > size || length > size - offset || length < 12) {
            return false;
        }
        std::string text;
        if (at(offset) == kDesc) {  // ASCII count, then the text
            const std::size_t count = std::min<std::size_t>(at(offset + 8), length - 12);
            text.assign(reinterpret_cast<const char*>(profile + offset + 12), count);
        } else if (at(offset) == kMluc && length >= 28) {  // UTF-16BE records; ASCII is enough
            const std::size_t textLength = at(offset + 20);
            const std::size_t textAt = at(offset + 24);
            for (std::size_t k = 0; k + 1 < textLength && textAt + k + 1 < length; k += 2) {
                text.push_back(static_cast<char>(profile[offset + textAt + k + 1]));
            }
        }
        return text.rfind("sRGB", 0) == 0;
    }
    return false;
}

// 8-bit sRGB, with its alpha band if it has one, whatever the picture had: a colour profile,
// grey, 16 bits, CMYK.
vips::VImage ToSrgb(vips::VImage image, std::vector<std::string>& repairs) {
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0 &&
        !(image.interpretation() == VIPS_INTERPRETATION_sRGB && IsSrgbProfile(image))) {
        try {
            image = image.icc_transform(
                "srgb", vips::VImage::option()->set("embedded", true)->set("depth", 8));
        } catch (const vips::VError& error) {
            vips_error_clear();
            repairs.push_back("the colour profile cannot be used: " + FirstLine(error.what()));
        }
    }
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR) {
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    }
    if (image.format() != VIPS_FORMAT_UCHAR) {
        image = image.cast(VIPS_FORMAT_UCHAR);
    }
    return image;
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

// How much each fit shrinks the picture, across and down, at most: what the decoded picture
// must keep for every fit to be drawn from it by shrinking (or, where a fit enlarges, as it is).
struct Needed {
    int width = 0;
    int height = 0;
};

Needed NeededForEveryFit(int width, int height) {
    double across = 0;
    double down = 0;
    for (const Fit fit : {Fit::Contain, Fit::Cover, Fit::Stretch}) {
        const Placement p = Place(width, height, fit);
        across = std::max(across, static_cast<double>(p.width) / p.regionWidth);
        down = std::max(down, static_cast<double>(p.height) / p.regionHeight);
    }
    return {RoundInto(std::ceil(width * across), 1, width),
            RoundInto(std::ceil(height * down), 1, height)};
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

// The picture upright in 8-bit sRGB, in memory, at no more than twice the size every fit needs
// of it, with its size as stored in the file once turned upright.
struct DecodedPicture {
    vips::VImage image;
    int width = 0;
    int height = 0;
    std::vector<std::string> repairs;
};

Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeFromSource(
    const PictureSource& source, PictureFormat format, const ImportProgress& progress) {
    if (!StartVips()) {
        return Failure{Refusal(ImportErrorKind::Damaged, "the picture decoders cannot be started")};
    }
    // ImageMagick reads a whole BMP even for its header: the BMP's own header is judged first,
    // as if it had four bands.
    if (const auto declared = BmpDeclaredSize(source.head)) {
        const double pixels =
            static_cast<double>(declared->width) * static_cast<double>(declared->height);
        const double needed =
            pixels * kBmpBytesPerPixel + kRowsInFlight * static_cast<double>(declared->width) * 4;
        if (pixels > static_cast<double>(kMaxPicturePixels) || needed > kDecodingBudget) {
            return Failure{ImportError{
                .kind = ImportErrorKind::TooManyPixels,
                .width = declared->width,
                .height = declared->height,
                .limit = std::min(kMaxPicturePixels,
                                  static_cast<std::uint64_t>(pixels * kDecodingBudget / needed))}};
        }
    }
    LoadDecoderModuleFor(format);
    // What an earlier picture left in libvips's error buffer is not this one's.
    vips_error_clear();
    // What libvips warns about while it decodes is told as repairs.
    DecoderWarnings warnings;
    // libvips reports failures as exceptions; none leaves this function.
    try {
        vips::VImage header = Open(source, format, LoadOptions());
        const auto storedWidth = static_cast<std::uint64_t>(std::max(header.width(), 0));
        const auto storedHeight = static_cast<std::uint64_t>(std::max(header.height(), 0));
        if (storedWidth == 0 || storedHeight == 0) {
            return Failure{Refusal(ImportErrorKind::Damaged, "the picture has no pixels")};
        }
        const auto tooMany = [&](std::uint64_t limit) {
            return Failure{ImportError{.kind = ImportErrorKind::TooManyPixels,
                                       .width = storedWidth,
                                       .height = storedHeight,
                                       .limit = limit}};
        };
        const std::uint64_t pixels = storedWidth * storedHeight;
        if (pixels > kMaxPicturePixels) {
            return tooMany(kMaxPicturePixels);
        }
        // Orientations 5 to 8 turn the picture by a quarter: it shows with its sides swapped.
        const bool turned = vips_image_get_orientation_swap(header.get_image()) != 0;
        const int width = turned ? header.height() : header.width();
        const int height = turned ? header.width() : header.height();
        const Needed upright = NeededForEveryFit(width, height);
        const double shrink =
            LoadShrink(format, std::min(static_cast<double>(width) / upright.width,
                                        static_cast<double>(height) / upright.height));
        const double needed =
            DecodingBytes(format, header, static_cast<int>(std::ceil(header.width() / shrink)),
                          MayBeLosslessWebP(source.head));
        if (needed > kDecodingBudget) {
            // The picture of this kind and shape that would just fit.
            return tooMany(
                static_cast<std::uint64_t>(static_cast<double>(pixels) * kDecodingBudget / needed));
        }

        // Decoded in a scope of its own: libvips tells some of what it read past only when it
        // lets go of the file.
        auto decoded = std::make_shared<DecodedPicture>();
        decoded->width = width;
        decoded->height = height;
        {
            // Without a shrink on load the header's image is the picture itself: opened once.
            vips::VImage image = shrink > 1 ? Decode(source, format, shrink) : header;
            // Kept at twice what every fit needs, so that drawing any fit from it is a shrink
            // of good quality, unless the decoded picture is hardly larger. Everything before
            // the copy to memory streams a few rows at a time; the turn comes after it, on the
            // small picture.
            const int neededWidth = turned ? upright.height : upright.width;
            const int neededHeight = turned ? upright.width : upright.height;
            if (static_cast<double>(image.width()) * image.height() >
                4.0 * neededWidth * neededHeight) {
                image = CutAndResize(image, image.width(), image.height(),
                                     std::min(image.width(), 2 * neededWidth),
                                     std::min(image.height(), 2 * neededHeight));
            }
            if (progress) {
                vips_image_set_progress(image.get_image(), TRUE);
                g_signal_connect(image.get_image(), "eval", G_CALLBACK(ReportEval),
                                 const_cast<ImportProgress*>(&progress));
            }
            decoded->image = ToSrgb(image.copy_memory().autorot(), decoded->repairs).copy_memory();
            header = vips::VImage();
        }
        const std::vector<std::string> warned = warnings.Take();
        decoded->repairs.insert(decoded->repairs.begin(), warned.begin(), warned.end());
        return std::shared_ptr<const DecodedPicture>(std::move(decoded));
    } catch (const vips::VError& error) {
        vips_error_clear();
        return Failure{FromDecoder(error.what())};
    }
}

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
