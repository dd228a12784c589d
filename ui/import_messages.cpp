#include "ui/import_messages.h"

#include "core/message_layout.h"
#include "ui/label_texts.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

std::string Reason(const ImportError& error) {
    switch (error.kind) {
        case ImportErrorKind::InvalidOptions:
            return std::string(texts::kImportReasonInvalidOptions);
        case ImportErrorKind::HelperMissing: return std::string(texts::kImportReasonHelperMissing);
        case ImportErrorKind::CannotOpen:
            return std::string(texts::kImportReasonCannotOpen) +
                   FailureReasonText(error.systemError);
        case ImportErrorKind::NotRegularFile:
            return std::string(texts::kImportReasonNotRegularFile);
        case ImportErrorKind::Empty: return std::string(texts::kImportReasonEmpty);
        case ImportErrorKind::UnknownFormat: return std::string(texts::kImportReasonUnknownFormat);
        case ImportErrorKind::TooManyPixels:
            return FillIn(texts::kImportReasonTooManyPixels,
                          {{"width", std::to_string(error.width)},
                           {"height", std::to_string(error.height)},
                           {"megapixels", std::to_string(kMaxPicturePixels / 1'000'000)},
                           {"side", std::to_string(kMaxPictureSide)}});
        case ImportErrorKind::Damaged: return std::string(texts::kImportReasonDamaged);
        case ImportErrorKind::OutOfMemory: return std::string(texts::kImportReasonOutOfMemory);
        case ImportErrorKind::QuantizeFailed: return std::string(texts::kImportReasonQuantize);
        case ImportErrorKind::DecoderStopped:
            return std::string(texts::kImportReasonDecoderStopped) + "(" +
                   (error.signal != 0 ? "signal " + std::to_string(error.signal)
                                      : "status " + std::to_string(error.exitCode)) +
                   ")";
        case ImportErrorKind::BrokenReply: return std::string(texts::kImportReasonBrokenReply);
        case ImportErrorKind::NotStarted:
            return std::string(texts::kImportReasonNotStarted) + FailureReasonText(error.systemError);
        case ImportErrorKind::TimedOut:
            return FillIn(texts::kImportReasonTimedOut, {{"seconds", std::to_string(error.limit)}});
    }
    return std::string(texts::kImportReasonDamaged);
}

}  // namespace

std::string DamageText(const std::string& words) {
    for (const auto& [english, japanese] : texts::kDamageInJapanese) {
        if (words == english) {
            return std::string(japanese);
        }
    }
    return words;
}

std::string ImportProgressText(int percent) {
    return FillIn(texts::kImportProgress, {{"percent", std::to_string(percent)}});
}

std::string ImportFailureText(const std::string& path, const ImportError& error) {
    std::string text =
        std::string(texts::kImportFailedMessage) + "\r\n" + path + "\r\n" + Reason(error);
    // Memory is told in full by its reason; what ran short is the decoder's business.
    if (!error.detail.empty() && error.kind != ImportErrorKind::OutOfMemory) {
        text += "\r\n" + DamageText(error.detail);
    }
    return text;
}

std::string ImportRepairText(const std::vector<std::string>& repairs) {
    std::string text(texts::kImportRepairedMessage);
    for (const std::string& repair : repairs) {
        text += "\r\n" + DamageText(repair);
    }
    return text;
}

}  // namespace rotopal
