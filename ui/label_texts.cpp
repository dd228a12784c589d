#include "ui/label_texts.h"

#include <cerrno>

#include "document/file_io.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// The first two lines of every failed save's message.
std::string SaveFailureHead() {
    return std::string(texts::kSaveFailedMessage)
        .append(kLineBreak)
        .append("{path}")
        .append(kLineBreak);
}

WriteWording JapaneseWriteWording() {
    return {SaveFailureHead() + "{step}{reason}",
            {std::string(texts::kStepCheck), std::string(texts::kStepCreateTemporary),
             std::string(texts::kStepWrite), std::string(texts::kStepFlush),
             std::string(texts::kStepReplace)},
            FailureReasonText};
}

}  // namespace

std::string_view FileNameOf(std::string_view path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string InfoLabelText(std::string_view path, const LogoDocument& document) {
    const auto& info = document.infoHeader;
    std::string text(FileNameOf(path));
    text.append(kLineBreak).append(texts::kInfoWidth).append(std::to_string(info.biWidth));
    text.append(kLineBreak).append(texts::kInfoHeight).append(std::to_string(info.biHeight));
    text.append(kLineBreak).append(texts::kInfoBits).append(std::to_string(info.biBitCount));
    text.append(kLineBreak)
        .append(texts::kInfoColours)
        .append(std::to_string(StoredColourCount(document)));
    return text;
}

std::string AnimationCountText(RangeValue n, std::uint8_t lastIndex) {
    return std::to_string(AnimatedCount(n, lastIndex)).append(texts::kAnimationCountTail);
}

std::string ColourCountQuestion(int colours) {
    return std::to_string(colours).append(texts::kColourCountQuestionTail);
}

std::string FrameCounterText(int frame, int frameCount) {
    return std::to_string(frame) + "/" + std::to_string(frameCount);
}

std::string EntryLabelText(int index, const RGBQUAD& entry) {
    std::string text(texts::kEntryLabelTitle);
    text.append(kLineBreak).append(std::to_string(index)).append(texts::kEntryNumberTail);
    text.append(kLineBreak).append("Red=").append(std::to_string(entry.rgbRed));
    text.append(kLineBreak).append("Green=").append(std::to_string(entry.rgbGreen));
    text.append(kLineBreak).append("Blue=").append(std::to_string(entry.rgbBlue));
    return text;
}

std::string FailureReasonText(int systemError) {
    switch (systemError) {
        case ENOENT: return std::string(texts::kReasonNotFound);
        case EACCES:
        case EPERM: return std::string(texts::kReasonDenied);
        case EROFS: return std::string(texts::kReasonReadOnly);
        case ENOSPC: return std::string(texts::kReasonDiskFull);
        case EDQUOT: return std::string(texts::kReasonQuota);
        case EISDIR: return std::string(texts::kReasonFolderInTheWay);
        case ENOTDIR: return std::string(texts::kReasonNotAFolder);
        case EFBIG: return std::string(texts::kReasonTooLarge);
        case ENAMETOOLONG: return std::string(texts::kReasonNameTooLong);
        case EIO: return std::string(texts::kReasonIoError);
        default: return SystemReason(systemError);
    }
}

std::string SaveFailureText(const WriteError& error) {
    return DescribeWriteError(error, JapaneseWriteWording());
}

std::string SaveFailureText(const ExportError& error) {
    // A frame's own file name carries its number, so the frame needs no words of its own.
    ExportWording wording{
        JapaneseWriteWording(),
        "{message}",
        SaveFailureHead().append(texts::kReasonInvalidSpan),
        SaveFailureHead().append("{stage}").append(texts::kGifLibraryError),
        {std::string(texts::kGifStageOpen), std::string(texts::kGifStageFrame),
         std::string(texts::kGifStageTrailer)}};
    wording.invalidOptionsLayout =
        SaveFailureHead().append(texts::kReasonInvalidGifOptions).append("\r\n{detail}");
    return DescribeExportError(error, wording);
}

}  // namespace rotopal
