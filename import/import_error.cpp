#include "import/import_error.h"

#include "document/file_io.h"

namespace rotopal {

std::string DescribeImportError(const ImportError& error) {
    const auto withDetail = [&error](std::string text) {
        return error.detail.empty() ? text : text + ": " + error.detail;
    };
    switch (error.kind) {
        case ImportErrorKind::InvalidOptions: return error.detail;
        case ImportErrorKind::ModuleMissing:
            return withDetail("the picture import module cannot be loaded");
        case ImportErrorKind::CannotOpen:
            return "cannot read the picture: " + SystemReason(error.systemError);
        case ImportErrorKind::NotRegularFile: return "the picture is not a regular file";
        case ImportErrorKind::Empty: return "the picture file is empty";
        case ImportErrorKind::UnknownFormat:
            return "not a picture this program reads (PNG, JPEG, GIF, WebP, TIFF, HEIF or BMP)";
        case ImportErrorKind::TooManyPixels:
            return "the picture declares " + std::to_string(error.width) + " x " +
                   std::to_string(error.height) + " pixels, more than the " +
                   std::to_string(error.limit) + " this program reads in such a picture";
        case ImportErrorKind::Damaged: return withDetail("the picture cannot be decoded");
        case ImportErrorKind::OutOfMemory:
            if (error.limit != 0) {
                return "not enough memory to import the picture: it needs " +
                       std::to_string(error.limit >> 20) + " MiB of address space";
            }
            return withDetail("not enough memory to import the picture");
        case ImportErrorKind::QuantizeFailed: return withDetail("the colours could not be reduced");
    }
    return "the picture cannot be imported";
}

}  // namespace rotopal
