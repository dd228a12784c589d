#include "animation/frame_export.h"

#include "animation/rotation.h"
#include "animation/save_targets.h"
#include "document/logo_writer.h"

namespace rotopal {

Result<void, ExportError> ExportFrames(const LogoDocument& document, std::string_view fileName,
                                       std::int32_t span, const ExportProgress& progress) {
    if (span < 0 || span > document.lastIndex) {
        return Failure{InvalidSpanError(std::string(fileName))};
    }
    const auto step = static_cast<std::uint8_t>(span);
    const int frameCount = span + 1;

    Palette framePalette = document.palette;
    // Every frame shares the same doubled pixels; only the colour table differs.
    const FramePixels widened = WidenPixels(document.pixels);

    for (int frame = 1; frame <= frameCount; ++frame) {
        RotatePalette(framePalette, document.lastIndex, step);
        const std::string name = FrameFileName(fileName, frame);
        if (progress) {
            progress(frame, frameCount);
        }
        auto written = WriteFrameFile(name, document, framePalette, widened);
        if (!written) {
            return Failure{WriteFailedError(std::string(fileName), frame, written.error())};
        }
    }
    return {};
}

}  // namespace rotopal
