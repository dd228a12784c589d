#include "animation/export_error.h"

#include "core/message_layout.h"

namespace rotopal {

std::string DescribeExportError(const ExportError& error, const ExportWording& wording) {
    const std::string frame = std::to_string(error.frame);
    switch (error.kind) {
        case ExportError::Kind::InvalidSpan:
            return FillIn(wording.invalidSpanLayout, {{"path", error.path}});
        case ExportError::Kind::WriteFailed: {
            const std::string write = DescribeWriteError(error.write, wording.write);
            if (error.frame == 0) {
                return write;
            }
            return FillIn(wording.frameLayout, {{"frame", frame}, {"message", write}});
        }
        case ExportError::Kind::InvalidOptions:
            return FillIn(wording.invalidOptionsLayout,
                          {{"path", error.path}, {"detail", error.detail}});
        case ExportError::Kind::EncodeFailed: {
            const auto& encoder = error.encoder;
            const std::string stage = FillIn(
                wording.stages.at(static_cast<std::size_t>(encoder.stage)), {{"frame", frame}});
            return FillIn(wording.encoderLayout, {{"path", error.path},
                                                  {"stage", stage},
                                                  {"code", std::to_string(encoder.code)},
                                                  {"message", encoder.message}});
        }
    }
    return {};
}

}  // namespace rotopal
