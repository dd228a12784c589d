#include "import/import_error.h"

#include "document/file_io.h"

namespace rotopal {
namespace {

// Megapixels with one decimal, as a camera names them.
std::string Megapixels(std::uint64_t pixels) {
    const std::uint64_t tenths = (pixels + 50'000) / 100'000;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

std::string DescribeImportError(const ImportError& error) {
    const auto withDetail = [&error](std::string text) {
        return error.detail.empty() ? text : text + ": " + error.detail;
    };
    switch (error.kind) {
        case ImportErrorKind::InvalidOptions: return error.detail;
        case ImportErrorKind::HelperMissing:
            return withDetail("the picture decoder (rotopal-decode) cannot be started");
        case ImportErrorKind::CannotOpen:
            return "cannot read the picture: " + SystemReason(error.systemError);
        case ImportErrorKind::NotRegularFile: return "the picture is not a regular file";
        case ImportErrorKind::Empty: return "the picture file is empty";
        case ImportErrorKind::UnknownFormat:
            return "not a picture this program reads (PNG, JPEG, GIF, WebP, TIFF, HEIF or BMP)";
        case ImportErrorKind::TooManyPixels:
            return "the picture declares " + std::to_string(error.width) + " x " +
                   std::to_string(error.height) + " pixels (" + Megapixels(error.width * error.height) +
                   " MP); pictures are read up to " + Megapixels(kMaxPicturePixels) + " MP and " +
                   std::to_string(kMaxPictureSide) + " pixels on a side";
        case ImportErrorKind::Damaged: return withDetail("the picture cannot be decoded");
        case ImportErrorKind::OutOfMemory: {
            std::string text = "not enough memory to import the picture";
            if (error.limit != 0) {
                text += ": the decoder used up its " + std::to_string(error.limit >> 20) +
                        " MiB allowance";
            }
            return error.detail.empty() ? text : text + " (" + error.detail + ")";
        }
        case ImportErrorKind::QuantizeFailed: return withDetail("the colours could not be reduced");
        case ImportErrorKind::DecoderStopped:
            return error.signal != 0
                       ? "the decoder stopped on this picture (signal " + std::to_string(error.signal) + ")"
                       : "the decoder stopped on this picture (exit status " +
                             std::to_string(error.exitCode) + ")";
        case ImportErrorKind::BrokenReply: return withDetail("the decoder's answer cannot be read");
        case ImportErrorKind::NotStarted:
            return withDetail("the import cannot be started: " + SystemReason(error.systemError));
        case ImportErrorKind::TimedOut:
            return "the decoder took longer than " + std::to_string(error.limit) +
                   " s on this picture and was stopped";
    }
    return "the picture cannot be imported";
}

}  // namespace rotopal
