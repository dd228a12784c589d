#include "animation/gif_export.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <memory>

#include "animation/rotation.h"
#include "core/vga_dac.h"
#include "document/file_io.h"

namespace rotopal {
namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
using GifWriter = std::unique_ptr<GifFileType, GifCloser>;

// Where giflib's output goes, and whether the sink refused any of it.
struct Output {
    const GifSink& sink;
    bool refused = false;
};

int PassOn(GifFileType* gif, const GifByteType* bytes, int length) {
    auto& output = *static_cast<Output*>(gif->UserData);
    if (!output.sink({bytes, static_cast<std::size_t>(length)})) {
        output.refused = true;
        return 0;
    }
    return length;
}

// giflib copies the map it is given, so the entries can live on the stack.
struct ColourTable {
    ColourTable(const Palette& palette, bool sixBits) {
        const auto level = [sixBits](std::uint8_t v) { return sixBits ? AtSixBitLevel(v) : v; };
        for (std::size_t i = 0; i < kPaletteEntries; ++i) {
            colours[i] = {level(palette[i].rgbRed), level(palette[i].rgbGreen),
                          level(palette[i].rgbBlue)};
        }
    }
    ColourTable(const ColourTable&) = delete;
    ColourTable& operator=(const ColourTable&) = delete;

    std::array<GifColorType, kPaletteEntries> colours{};
    ColorMapObject map{static_cast<int>(kPaletteEntries), 8, false, colours.data()};
};

// A rectangle of the picture in screen rows (top row 0).
struct Area {
    int left = 0, top = 0, width = 0, height = 0;
};

// The smallest rectangle holding every pixel with an index in [first, last], if any.
Area AnimatedArea(const LogoPixels& pixels, int first, int last) {
    int left = kLogoWidth, right = -1, top = kLogoHeight, bottom = -1;
    for (int fileRow = 0; fileRow < kLogoHeight; ++fileRow) {
        const int row = kLogoHeight - 1 - fileRow;
        const std::uint8_t* line = pixels.data() + static_cast<std::size_t>(fileRow) * kLogoWidth;
        for (int x = 0; x < kLogoWidth; ++x) {
            if (line[x] >= first && line[x] <= last) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
        }
    }
    if (right < 0) {
        return {0, 0, 1, 1};  // nothing animates: a one-pixel frame keeps the timing
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

// The screen row (top row 0) a frame's row shows, of `height` rows: the one under its centre.
int SourceRow(int row, int height) {
    return (2 * row + 1) * kLogoHeight / (2 * height);
}

// The frame's rows that show screen rows [top, top + height).
Area RowsShowing(const Area& area, int frameHeight) {
    int top = frameHeight, bottom = -1;
    for (int row = 0; row < frameHeight; ++row) {
        const int source = SourceRow(row, frameHeight);
        if (source >= area.top && source < area.top + area.height) {
            top = std::min(top, row);
            bottom = row;
        }
    }
    return {area.left, top, area.width, bottom - top + 1};
}

// Each step returns giflib's error code, E_GIF_SUCCEEDED when it went well.
class GifBuilder {
public:
    GifBuilder(const LogoDocument& document, int span, const GifOptions& options,
               const GifSink& sink)
        : document_(document),
          first_(document.lastIndex - span),
          last_(document.lastIndex),
          scale_(GifFrameSize(options).width / kLogoWidth),
          height_(GifFrameSize(options).height),
          sixBits_(options.dacBits == 6),
          delay_(static_cast<std::uint16_t>(
              std::clamp((options.delayMilliseconds + 5) / 10, 0, 65535))),
          loops_(static_cast<std::uint16_t>(std::clamp(options.loopCount, 0, 65535))),
          output_{sink} {
        // The index drawn as transparent: any one outside the animated range keeps its colour.
        transparent_ = first_ > 0 ? 0 : last_ + 1;
        animated_ = RowsShowing(AnimatedArea(document_.pixels, first_, last_), height_);
    }

    // A range over the whole palette leaves no index to be transparent: every frame is whole.
    bool PartialFramesPossible() const { return first_ > 0 || last_ < 255; }

    int Begin() {
        int error = E_GIF_SUCCEEDED;
        gif_.reset(EGifOpen(&output_, PassOn, &error));
        if (!gif_) {
            return error;
        }
        EGifSetGifVersion(gif_.get(), true);
        // NETSCAPE2.0: how often the animation repeats.
        const GifByteType loop[3] = {1, static_cast<GifByteType>(loops_ & 0xFF),
                                     static_cast<GifByteType>(loops_ >> 8)};
        const bool begun =
            EGifPutScreenDesc(gif_.get(), kLogoWidth * scale_, height_, 8, 0, nullptr) !=
                GIF_ERROR &&
            EGifPutExtensionLeader(gif_.get(), APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
            EGifPutExtensionBlock(gif_.get(), 11, "NETSCAPE2.0") != GIF_ERROR &&
            EGifPutExtensionBlock(gif_.get(), 3, loop) != GIF_ERROR &&
            EGifPutExtensionTrailer(gif_.get()) != GIF_ERROR;
        return Outcome(begun ? E_GIF_SUCCEEDED : gif_->Error);
    }

    int Frame(const Palette& palette, bool whole) {
        return Outcome(PutFrame(palette, whole) ? E_GIF_SUCCEEDED : gif_->Error);
    }

    int Finish() {
        int error = E_GIF_SUCCEEDED;
        // EGifCloseFile frees the writer whether or not it succeeds.
        if (EGifCloseFile(gif_.release(), &error) == GIF_ERROR) {
            return error;
        }
        return Outcome(E_GIF_SUCCEEDED);
    }

private:
    // giflib does not check every write it makes (5.2 ignores the trailer's), so a piece the
    // sink refused counts as giflib's failed write even where giflib saw none.
    int Outcome(int code) const {
        return code == E_GIF_SUCCEEDED && output_.refused ? E_GIF_ERR_WRITE_FAILED : code;
    }

    bool PutFrame(const Palette& palette, bool whole) {
        const Area area = whole ? Area{0, 0, kLogoWidth, height_} : animated_;
        // Graphics control: leave the frame in place, delay, and a transparent index after the
        // first frame.
        const GifByteType control[4] = {static_cast<GifByteType>((1 << 2) | (whole ? 0 : 1)),
                                        static_cast<GifByteType>(delay_ & 0xFF),
                                        static_cast<GifByteType>(delay_ >> 8),
                                        static_cast<GifByteType>(whole ? 0 : transparent_)};
        if (EGifPutExtension(gif_.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_ERROR) {
            return false;
        }
        const ColourTable table(palette, sixBits_);
        if (EGifPutImageDesc(gif_.get(), area.left * scale_, area.top, area.width * scale_,
                             area.height, false, &table.map) == GIF_ERROR) {
            return false;
        }
        std::vector<GifPixelType> line(static_cast<std::size_t>(area.width * scale_));
        for (int row = area.top; row < area.top + area.height; ++row) {
            const std::uint8_t* source =
                document_.pixels.data() +
                static_cast<std::size_t>(kLogoHeight - 1 - SourceRow(row, height_)) * kLogoWidth;
            for (int x = 0; x < area.width; ++x) {
                std::uint8_t index = source[area.left + x];
                if (!whole && (index < first_ || index > last_)) {
                    index = static_cast<std::uint8_t>(transparent_);
                }
                for (int s = 0; s < scale_; ++s) {
                    line[static_cast<std::size_t>(x * scale_ + s)] = index;
                }
            }
            if (EGifPutLine(gif_.get(), line.data(), static_cast<int>(line.size())) == GIF_ERROR) {
                return false;
            }
        }
        return true;
    }

    const LogoDocument& document_;
    int first_, last_, scale_, height_;
    bool sixBits_;
    int transparent_ = 0;
    std::uint16_t delay_, loops_;
    Area animated_;
    Output output_;
    GifWriter gif_;
};

Failure<ExportError> EncodeFailed(GifStage stage, int frame, int code) {
    const char* message = GifErrorString(code);
    return Failure{EncodeFailedError(frame, {stage, code, message ? message : ""})};
}

}  // namespace

GifSize GifFrameSize(const GifOptions& options) {
    if (options.aspect == GifAspect::FourByThree) {
        return {2 * kLogoWidth, 480};
    }
    return {options.width, kLogoHeight};
}

std::optional<std::string> GifOptionsProblem(const GifOptions& options) {
    // A frame's delay is a 16-bit count of hundredths of a second.
    if (options.delayMilliseconds < 0 || options.delayMilliseconds > 655350) {
        return "the delay must be 0 to 655350 ms";
    }
    if (options.width != kLogoWidth && options.width != 2 * kLogoWidth) {
        return "the width must be 320 or 640";
    }
    if (options.loopCount < 0 || options.loopCount > 65535) {
        return "the loop count must be 0 to 65535";
    }
    if (options.dacBits != 8 && options.dacBits != 6) {
        return "the DAC must have 6 or 8 bits";
    }
    return std::nullopt;
}

Result<void, ExportError> StreamAnimatedGif(const LogoDocument& document, std::int32_t span,
                                            const GifOptions& options, const GifSink& sink) {
    if (const auto problem = GifOptionsProblem(options)) {
        return Failure{InvalidOptionsError(*problem)};
    }
    if (span < 0 || span > document.lastIndex) {
        return Failure{InvalidSpanError({})};
    }
    GifBuilder gif(document, span, options, sink);
    if (const int code = gif.Begin(); code != E_GIF_SUCCEEDED) {
        return EncodeFailed(GifStage::Open, 0, code);
    }
    Palette palette = document.palette;
    for (std::int32_t k = 0; k <= span; ++k) {
        RotatePalette(palette, document.lastIndex, static_cast<std::uint8_t>(span));
        const int code = gif.Frame(palette, k == 0 || !gif.PartialFramesPossible());
        if (code != E_GIF_SUCCEEDED) {
            return EncodeFailed(GifStage::Frame, k + 1, code);
        }
    }
    if (const int code = gif.Finish(); code != E_GIF_SUCCEEDED) {
        return EncodeFailed(GifStage::Trailer, 0, code);
    }
    return {};
}

Result<std::vector<std::uint8_t>, ExportError> EncodeAnimatedGif(const LogoDocument& document,
                                                                 std::int32_t span,
                                                                 const GifOptions& options) {
    std::vector<std::uint8_t> bytes;
    const auto streamed = StreamAnimatedGif(document, span, options, [&bytes](auto piece) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        return true;
    });
    if (!streamed) {
        return Failure{streamed.error()};
    }
    return bytes;
}

Result<void, ExportError> WriteAnimatedGif(const std::string& path, const LogoDocument& document,
                                           std::int32_t span, const GifOptions& options) {
    auto encoded = EncodeAnimatedGif(document, span, options);
    if (!encoded) {
        auto error = encoded.error();
        error.path = path;
        return Failure{error};
    }
    const std::span<const std::uint8_t> piece(encoded.value());
    const auto written = WriteFileAtomically(path, {&piece, 1}, Durability::Synced);
    if (!written) {
        return Failure{WriteFailedError(path, 0, written.error())};
    }
    return {};
}

}  // namespace rotopal
