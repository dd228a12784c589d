#include "import/import_error.h"

#include "document/file_io.h"

namespace rotopal {

std::string DescribeImportError(const ImportError& error) {
    switch (error.kind) {
        case ImportErrorKind::InvalidOptions: return error.detail;
        case ImportErrorKind::CannotOpen:
            return "cannot read the picture: " + SystemReason(error.systemError);
        case ImportErrorKind::NotRegularFile: return "the picture is not a regular file";
        case ImportErrorKind::FileTooLarge:
            return "the picture file is larger than " + std::to_string(kMaxPictureFileBytes >> 20) +
                   " MiB";
        case ImportErrorKind::Empty: return "the picture file is empty";
        case ImportErrorKind::UnknownFormat:
            return "not a picture this program reads (PNG, JPEG, GIF, WebP, TIFF, HEIF or BMP)";
        case ImportErrorKind::TooManyPixels:
            return "the picture declares " + std::to_string(error.width) + " x " +
                   std::to_string(error.height) + " pixels, more than the " +
                   std::to_string(kMaxPicturePixels / 1'000'000) + " million this program reads";
        case ImportErrorKind::Damaged:
            return "the picture cannot be decoded" +
                   (error.detail.empty() ? std::string() : ": " + error.detail);
        case ImportErrorKind::QuantizeFailed:
            return "the colours could not be reduced: " + error.detail;
    }
    return "the picture cannot be imported";
}

}  // namespace rotopal
