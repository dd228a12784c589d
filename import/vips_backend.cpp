#include "import/vips_backend.h"

#include <new>
#include <string>

#include "import/bmp_rows.h"
#include "import/decoder_words.h"
#include "import/picture_decoding.h"
#include "import/vips_runtime.h"

namespace rotopal {
namespace {

std::optional<ImportError> Prepare(int descriptor, PictureFormat format) {
    if (!StartVips()) {
        return ImportError{.kind = ImportErrorKind::Damaged,
                           .detail = "the picture decoders cannot be started"};
    }
    // A BMP that our own reader takes needs no ImageMagick.
    if (format == PictureFormat::Bmp && ReadsBmpRows(descriptor)) {
        return std::nullopt;
    }
    const auto missing = LoadDecoderModuleFor(format);
    if (!missing) {
        return std::nullopt;
    }
    // A module the allowance has no room to map is a want of memory, not a missing module.
    if (SaysNoRoomToLoad(*missing)) {
        return ImportError{.kind = ImportErrorKind::OutOfMemory, .detail = *missing};
    }
    return ImportError{.kind = ImportErrorKind::HelperMissing,
                       .detail = "libvips's loader for this kind of picture cannot be loaded: " +
                                 *missing};
}

Result<std::shared_ptr<const DecodedPicture>, ImportError> Decode(
    int descriptor, std::span<const std::uint8_t> head, PictureFormat format,
    const ImportProgress& progress) {
    // Whatever runs out of memory, in our code or in a library's C++, is told as such.
    try {
        return DecodePicture(descriptor, head, format, progress);
    } catch (const std::bad_alloc&) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
    }
}

constexpr VipsBackend kBackend{.prepare = Prepare, .decode = Decode};

}  // namespace
}  // namespace rotopal

extern "C" const rotopal::VipsBackend* RotopalVipsBackend() {
    return &rotopal::kBackend;
}
