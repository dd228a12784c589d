#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "animation/frame_export.h"
#include "core/logo_document.h"
#include "core/result.h"

namespace rotopal {

// The shape of the frames: the screen's own pixels, or as a 4:3 display shows them.
enum class GifAspect {
    Pixels,       // `width` x 400
    FourByThree,  // 640 x 480: columns doubled, every fifth row shown twice (`width` unused)
};

struct GifOptions {
    int delayMilliseconds = 150;  // 0 to 655350, stored in hundredths of a second: 150 becomes 15
    int width = 320;              // 320, or 640 with every pixel doubled as in the preview
    int loopCount = 0;            // 0 repeats forever; at most 65535
    GifAspect aspect = GifAspect::Pixels;
    int dacBits = 8;  // 8, or 6 for the colours at the VGA DAC's levels, as the machine shows them
};

// The frames' size in pixels.
struct GifSize {
    int width = 0;
    int height = 0;
};
GifSize GifFrameSize(const GifOptions& options);

// What is wrong with the options, or nothing when a GIF can store them. The encoders refuse
// options with a problem (InvalidOptions) before anything is written.
std::optional<std::string> GifOptionsProblem(const GifOptions& options);

// The palette animation as an animated GIF: one frame per rotation step over lastIndex - span ..
// lastIndex, in the order of the numbered export (frame k after k steps, the last one with the
// document's palette). Each frame carries the rotated palette as its own colour table. The
// first frame holds the whole picture; the later ones only the rectangle of pixels that use an
// animated entry, with the others transparent, since nothing else changes colour.
Result<std::vector<std::uint8_t>, ExportError> EncodeAnimatedGif(const LogoDocument& document,
                                                                 std::int32_t span,
                                                                 const GifOptions& options);

// Takes each piece of the encoded stream as giflib produces it; false refuses the piece, which
// ends the encoding as a failed write.
using GifSink = std::function<bool(std::span<const std::uint8_t> piece)>;

// The same stream handed to sink piece by piece instead of collected in memory.
Result<void, ExportError> StreamAnimatedGif(const LogoDocument& document, std::int32_t span,
                                            const GifOptions& options, const GifSink& sink);

// The same, written to path; an existing file is replaced only once the new one is complete.
Result<void, ExportError> WriteAnimatedGif(const std::string& path, const LogoDocument& document,
                                           std::int32_t span, const GifOptions& options);

}  // namespace rotopal
