#include "import/jpeg_decoding.h"

// libjpeg's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "document/file_io.h"
#include "import/decoder_words.h"
#include "import/exif_orientation.h"
#include "import/fit_geometry.h"
#include "import/icc_profile.h"
#include "import/picture_format.h"
#include "import/resample.h"

namespace rotopal {
namespace {

constexpr std::size_t kReadBytes = 64 * 1024;
// As many different warnings as the other decoders keep.
constexpr std::size_t kMaxRepairs = 8;
// An ICC profile comes in at most 255 numbered chunks of an APP2 segment each.
constexpr std::size_t kMaxIccChunks = 255;
constexpr std::array<std::uint8_t, 6> kExifSignature{'E', 'x', 'i', 'f', 0, 0};
constexpr std::array<std::uint8_t, 12> kIccSignature{'I', 'C', 'C', '_', 'P', 'R',
                                                      'O', 'F', 'I', 'L', 'E', 0};

struct IccChunk {
    unsigned number = 0;  // 1 to `of`
    unsigned of = 0;
    std::vector<std::uint8_t> bytes;
};

// Everything libjpeg's callbacks reach, kept outside the frame that calls setjmp so that a
// longjmp leaves nothing behind that needed destroying. The callbacks allocate nothing that
// could throw across libjpeg's frames.
struct Session {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    std::jmp_buf failed{};
    int descriptor = -1;
    std::uint64_t offset = 0;
    std::array<JOCTET, kReadBytes> buffer{};
    bool cutShort = false;     // the file ended before the decoder had read all it needed
    bool outOfMemory = false;  // something we kept could not be held
    int fatalCode = 0;         // libjpeg's code for what stopped it, and its words
    std::array<char, JMSG_LENGTH_MAX> fatal{};
    std::vector<std::string> repairs;
    // What the APP1 and APP2 segments carry: the first EXIF block's orientation, the chunks
    // of the ICC profile.
    std::vector<std::uint8_t> segment;
    bool exifSeen = false;
    int orientation = 1;
    std::vector<IccChunk> icc;
    bool iccBroken = false;
};

Session& Of(j_common_ptr info) {
    return *static_cast<Session*>(info->client_data);
}

// ---- Reading from the open file, from its start, whatever its position.

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
    Session& s = Of(reinterpret_cast<j_common_ptr>(info));
    const auto read = ReadAtOffset(s.descriptor, s.offset, s.buffer);
    std::size_t got = read ? read.value() : 0;
    if (got == 0) {
        // The end came early: libjpeg is handed an end marker and the picture is refused.
        s.cutShort = true;
        s.buffer[0] = 0xFF;
        s.buffer[1] = JPEG_EOI;
        got = 2;
    }
    s.offset += got;
    s.source.next_input_byte = s.buffer.data();
    s.source.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
    Session& s = Of(reinterpret_cast<j_common_ptr>(info));
    if (count <= 0) {
        return;
    }
    auto skip = static_cast<std::size_t>(count);
    if (skip <= s.source.bytes_in_buffer) {
        s.source.next_input_byte += skip;
        s.source.bytes_in_buffer -= skip;
        return;
    }
    skip -= s.source.bytes_in_buffer;
    s.offset += skip;
    s.source.bytes_in_buffer = 0;
}

void TermSource(j_decompress_ptr) {}

// ---- Errors and warnings as values.

[[noreturn]] void Fail(j_common_ptr info) {
    Session& s = Of(info);
    s.fatalCode = info->err->msg_code;
    info->err->format_message(info, s.fatal.data());
    std::longjmp(s.failed, 1);
}

void KeepRepair(Session& s, j_common_ptr info) {
    std::array<char, JMSG_LENGTH_MAX> text{};
    info->err->format_message(info, text.data());
    std::string said = InPlainWords(text.data());
    if (s.repairs.size() < kMaxRepairs &&
        std::find(s.repairs.begin(), s.repairs.end(), said) == s.repairs.end()) {
        s.repairs.push_back(std::move(said));
    }
}

// Level -1 is a warning: corrupt data the decoder goes past. The rest is tracing.
void Note(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    Session& s = Of(info);
    if (info->err->msg_code == JWRN_JPEG_EOF) {
        s.cutShort = true;
        return;
    }
    try {
        KeepRepair(s, info);
    } catch (const std::bad_alloc&) {
        s.outOfMemory = true;
    }
}

// ---- The APP1 and APP2 segments, read as they come: libjpeg's own keeping of them walks its
// whole list for each new one, which a file of many small segments makes take minutes.

// The next `count` bytes of the file into s.segment; false when the file ends first.
bool ReadSegment(Session& s, std::size_t count) {
    s.segment.clear();
    while (s.segment.size() < count) {
        if (s.source.bytes_in_buffer == 0) {
            FillInput(&s.info);
            if (s.cutShort) {
                return false;
            }
        }
        const std::size_t take = std::min(count - s.segment.size(), s.source.bytes_in_buffer);
        s.segment.insert(s.segment.end(), s.source.next_input_byte, s.source.next_input_byte + take);
        s.source.next_input_byte += take;
        s.source.bytes_in_buffer -= take;
    }
    return true;
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> signature) {
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin());
}

// Keeps what a segment of `count` bytes after its length says; false when memory ran out.
bool KeepSegment(Session& s, int marker, std::size_t count) {
    try {
        if (!ReadSegment(s, count)) {
            return true;  // the header then fails on the end the source gives
        }
        if (marker == JPEG_APP0 + 1 && !s.exifSeen && StartsWith(s.segment, kExifSignature)) {
            // Only the first EXIF block counts, as every viewer reads it.
            s.exifSeen = true;
            s.orientation = ExifOrientation(s.segment);
        } else if (marker == JPEG_APP0 + 2 && StartsWith(s.segment, kIccSignature)) {
            if (s.segment.size() < kIccSignature.size() + 2 || s.icc.size() == kMaxIccChunks) {
                s.iccBroken = true;
                return true;
            }
            const auto body = s.segment.begin() + kIccSignature.size();
            s.icc.push_back(IccChunk{body[0], body[1], std::vector<std::uint8_t>(body + 2, s.segment.end())});
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

boolean ReadAppSegment(j_decompress_ptr info) {
    Session& s = Of(reinterpret_cast<j_common_ptr>(info));
    std::array<std::uint8_t, 2> length{};
    for (std::uint8_t& byte : length) {
        if (s.source.bytes_in_buffer == 0) {
            FillInput(info);
        }
        byte = *s.source.next_input_byte++;
        --s.source.bytes_in_buffer;
    }
    const unsigned total = unsigned{length[0]} << 8 | length[1];
    if (total < 2) {
        ERREXIT(info, JERR_BAD_LENGTH);
    }
    if (!KeepSegment(s, info->unread_marker, total - 2)) {
        s.outOfMemory = true;
        std::longjmp(s.failed, 1);
    }
    return TRUE;
}

// The profile from its chunks, when they are all there once each; else none, and a note.
std::vector<std::uint8_t> AssembleProfile(Session& s) {
    std::vector<std::uint8_t> profile;
    if (s.icc.empty()) {
        return profile;
    }
    const unsigned of = s.icc.front().of;
    std::vector<const IccChunk*> ordered(of + 1, nullptr);
    bool sound = !s.iccBroken && of != 0 && s.icc.size() == of;
    for (const IccChunk& chunk : s.icc) {
        sound = sound && chunk.of == of && chunk.number >= 1 && chunk.number <= of &&
                ordered[chunk.number] == nullptr;
        if (sound) {
            ordered[chunk.number] = &chunk;
        }
    }
    if (!sound) {
        s.repairs.emplace_back(kProfileUnreadable);
        return profile;
    }
    for (unsigned i = 1; i <= of; ++i) {
        profile.insert(profile.end(), ordered[i]->bytes.begin(), ordered[i]->bytes.end());
    }
    return profile;
}

void Quiet(j_common_ptr) {}

// ---- Colour.

// Turns the decoded rows (the file's colours, `components` bytes a pixel) into red, green and
// blue: through the embedded profile when there is a usable one that is not sRGB's own.
class ToSrgb {
public:
    ToSrgb(std::span<const std::uint8_t> profile, J_COLOR_SPACE space, bool adobeInverted)
        : space_(space), inverted_(adobeInverted) {
        if (profile.empty() || IsSrgbProfile(profile)) {
            return;
        }
        cmsHPROFILE from = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
        const cmsColorSpaceSignature wanted = space == JCS_GRAYSCALE ? cmsSigGrayData
                                              : space == JCS_CMYK    ? cmsSigCmykData
                                                                     : cmsSigRgbData;
        if (from != nullptr && cmsGetColorSpace(from) == wanted) {
            cmsHPROFILE srgb = cmsCreate_sRGBProfile();
            const cmsUInt32Number input = space == JCS_GRAYSCALE ? TYPE_GRAY_8
                                          : space == JCS_CMYK    ? (inverted_ ? TYPE_CMYK_8_REV : TYPE_CMYK_8)
                                                                 : TYPE_RGB_8;
            transform_ = cmsCreateTransform(from, input, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
            cmsCloseProfile(srgb);
        }
        if (from != nullptr) {
            cmsCloseProfile(from);
        }
        unread_ = transform_ == nullptr;
    }
    ~ToSrgb() {
        if (transform_ != nullptr) {
            cmsDeleteTransform(transform_);
        }
    }
    ToSrgb(const ToSrgb&) = delete;
    ToSrgb& operator=(const ToSrgb&) = delete;

    // A profile was there but cannot be used.
    bool unread() const { return unread_; }
    // The decoder's own red, green and blue need nothing done to them.
    bool AsDecoded() const { return transform_ == nullptr && space_ == JCS_RGB; }

    void Row(const std::uint8_t* in, std::uint8_t* rgba, int width, std::vector<std::uint8_t>& rgb) const {
        const auto pixels = static_cast<std::size_t>(width);
        if (transform_ != nullptr) {
            rgb.resize(pixels * 3);
            cmsDoTransform(transform_, in, rgb.data(), static_cast<cmsUInt32Number>(width));
            for (std::size_t i = 0; i < pixels; ++i) {
                std::memcpy(rgba + i * 4, rgb.data() + i * 3, 3);
            }
            return;
        }
        for (std::size_t i = 0; i < pixels; ++i) {
            std::uint8_t* out = rgba + i * 4;
            switch (space_) {
                case JCS_GRAYSCALE: out[0] = out[1] = out[2] = in[i]; break;
                case JCS_CMYK: {
                    // Adobe's files store the inks inverted: 255 is no ink.
                    const std::uint8_t* p = in + i * 4;
                    const auto light = [&](std::uint8_t ink) {
                        return inverted_ ? unsigned{ink} : 255u - ink;
                    };
                    for (int c = 0; c < 3; ++c) {
                        out[c] = static_cast<std::uint8_t>((light(p[c]) * light(p[3]) + 127) / 255);
                    }
                    break;
                }
                default: std::memcpy(out, in + i * 3, 3); break;
            }
        }
    }

private:
    J_COLOR_SPACE space_;
    bool inverted_;
    cmsHTRANSFORM transform_ = nullptr;
    bool unread_ = false;
};

// ---- The decoding itself. Only the two functions below call setjmp: libjpeg's failures come
// back to them by longjmp, past nothing but libjpeg's frames and plain values.

enum class Stage { Read, Failed };

// The header, with what the APP1 and APP2 segments before the first scan carry.
Stage ReadHeader(Session& s) {
    if (setjmp(s.failed) != 0) {
        return Stage::Failed;
    }
    jpeg_read_header(&s.info, TRUE);
    return Stage::Read;
}

// The colours libjpeg is asked for: grey, inks or red, green and blue.
J_COLOR_SPACE ColoursOf(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_GRAYSCALE                                ? JCS_GRAYSCALE
           : info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK ? JCS_CMYK
                                                                                    : JCS_RGB;
}

// The pixels at 1/shrink of the picture's size, in `rows`, as libjpeg gives them in `space`.
Stage DecodeRows(Session& s, int shrink, J_COLOR_SPACE space, std::vector<std::uint8_t>& rows,
                 const ImportProgress& progress) {
    if (setjmp(s.failed) != 0) {
        return Stage::Failed;
    }
    s.info.scale_num = 1;
    s.info.scale_denom = static_cast<unsigned>(shrink);
    s.info.out_color_space = space;
    jpeg_start_decompress(&s.info);
    const std::size_t stride = static_cast<std::size_t>(s.info.output_width) *
                               static_cast<std::size_t>(s.info.output_components);
    rows.resize(stride * s.info.output_height);
    int reported = -1;
    while (s.info.output_scanline < s.info.output_height && !s.cutShort) {
        JSAMPROW row = rows.data() + stride * s.info.output_scanline;
        jpeg_read_scanlines(&s.info, &row, 1);
        const int percent = static_cast<int>(s.info.output_scanline * 100 / s.info.output_height);
        if (progress && percent != reported) {
            reported = percent;
            progress(percent);
        }
    }
    return Stage::Read;
}

ImportError Refusal(const Session& s) {
    // A size past the rule is told as such, whether or not the file went on to its pixels
    // (libjpeg itself stops at 65500 pixels a side).
    const DeclaredSize declared{s.info.image_width, s.info.image_height};
    if (s.fatalCode == JERR_IMAGE_TOO_BIG || PastTheSizeRule(declared)) {
        return ImportError{.kind = ImportErrorKind::TooManyPixels, .width = declared.width,
                           .height = declared.height};
    }
    if (s.outOfMemory || s.fatalCode == JERR_OUT_OF_MEMORY) {
        return ImportError{.kind = ImportErrorKind::OutOfMemory};
    }
    if (s.cutShort) {
        return ImportError{.kind = ImportErrorKind::Damaged, .detail = "the JPEG data ends early"};
    }
    return ImportError{.kind = ImportErrorKind::Damaged, .detail = InPlainWords(s.fatal.data())};
}

}  // namespace

Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeJpeg(
    int descriptor, const ImportProgress& progress) {
    auto session = std::make_unique<Session>();
    Session& s = *session;
    s.descriptor = descriptor;
    s.info.err = jpeg_std_error(&s.errors);
    s.errors.error_exit = Fail;
    s.errors.emit_message = Note;
    s.errors.output_message = Quiet;
    s.info.client_data = &s;
    // jpeg_create_decompress cannot fail but for memory, which the allocator reports.
    jpeg_create_decompress(&s.info);
    struct Destroy {
        jpeg_decompress_struct* info;
        ~Destroy() { jpeg_destroy_decompress(info); }
    } destroy{&s.info};
    s.source.init_source = InitSource;
    s.source.fill_input_buffer = FillInput;
    s.source.skip_input_data = SkipInput;
    s.source.resync_to_restart = jpeg_resync_to_restart;
    s.source.term_source = TermSource;
    s.info.src = &s.source;
    jpeg_set_marker_processor(&s.info, JPEG_APP0 + 1, ReadAppSegment);
    jpeg_set_marker_processor(&s.info, JPEG_APP0 + 2, ReadAppSegment);

    if (ReadHeader(s) == Stage::Failed || s.cutShort || s.outOfMemory) {
        return Failure{Refusal(s)};
    }
    const DeclaredSize stored{s.info.image_width, s.info.image_height};
    if (PastTheSizeRule(stored)) {
        return Failure{ImportError{.kind = ImportErrorKind::TooManyPixels,
                                   .width = stored.width, .height = stored.height}};
    }
    const int orientation = s.orientation;
    const bool turned = SwapsSides(orientation);
    auto decoded = std::make_shared<DecodedPicture>();
    decoded->width = static_cast<int>(turned ? stored.height : stored.width);
    decoded->height = static_cast<int>(turned ? stored.width : stored.height);
    const Needed upright = NeededForEveryFit(decoded->width, decoded->height);
    const Needed needed = turned ? Needed{upright.height, upright.width} : upright;
    const double room = std::min(static_cast<double>(stored.width) / needed.width,
                                 static_cast<double>(stored.height) / needed.height);
    int shrink = 1;
    while (shrink < 8 && shrink * 2 <= room) {
        shrink *= 2;
    }

    const J_COLOR_SPACE space = ColoursOf(s.info);
    const std::vector<std::uint8_t> profile = AssembleProfile(s);
    const ToSrgb colours(profile, space, s.info.saw_Adobe_marker != 0);
    // Plain red, green and blue go straight into the raster, with an opaque alpha.
    const bool direct = colours.AsDecoded();
    std::vector<std::uint8_t> rows;
    if (DecodeRows(s, shrink, direct ? JCS_EXT_RGBA : space, rows, progress) == Stage::Failed ||
        s.cutShort || s.outOfMemory) {
        return Failure{Refusal(s)};
    }
    const int width = static_cast<int>(s.info.output_width);
    const int height = static_cast<int>(s.info.output_height);
    Raster raster{.width = width, .height = height, .alpha = false, .rgba = {}};
    if (direct) {
        raster.rgba = std::move(rows);
    } else {
        raster = Raster::Blank(width, height);
        const auto stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(s.info.output_components);
        std::vector<std::uint8_t> rgb;
        for (int y = 0; y < height; ++y) {
            colours.Row(rows.data() + static_cast<std::size_t>(y) * stride, raster.Row(y), width, rgb);
        }
        rows = {};
    }
    // Then by whole factors, to no less than `needed` and less than twice it.
    const int factor = static_cast<int>(std::min(static_cast<double>(width) / needed.width,
                                                 static_cast<double>(height) / needed.height));
    decoded->kept = Upright(factor >= 2 ? BoxShrink(raster, factor) : std::move(raster), orientation);
    decoded->repairs = std::move(s.repairs);
    if (colours.unread()) {
        decoded->repairs.emplace_back(kProfileUnreadable);
    }
    return std::shared_ptr<const DecodedPicture>(std::move(decoded));
}

}  // namespace rotopal
