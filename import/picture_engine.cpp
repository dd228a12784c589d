#include "import/picture_engine.h"

#include <algorithm>
#include <array>
#include <new>

#include "document/file_io.h"
#include "document/screen_headers.h"
#include "import/animated_band.h"
#include "import/colour_reduction.h"
#include "import/jpeg_decoding.h"
#include "import/picture_format.h"
#include "import/screen_layout.h"

namespace rotopal::engine {
namespace {

ImportError FromReadError(const FileReadError& error) {
    switch (error.kind) {
        case FileReadError::Kind::NotRegularFile:
            return ImportError{.kind = ImportErrorKind::NotRegularFile};
        case FileReadError::Kind::TooLarge:
        case FileReadError::Kind::Busy:
        case FileReadError::Kind::System: break;
    }
    return ImportError{.kind = ImportErrorKind::CannotOpen, .systemError = error.systemError};
}

// The reduced picture in entries from 0 up, the band in the top `range` entries of its rows.
LogoDocument AssembleScreen(const ReducedPicture& picture, const ImportOptions& options) {
    LogoDocument document;
    const auto firstAnimated =
        static_cast<std::uint32_t>(kPaletteEntries) - static_cast<std::uint32_t>(options.range);
    SetScreenHeaders(document, 0, firstAnimated);
    for (std::size_t i = 0; i < picture.palette.size() && i < firstAnimated; ++i) {
        document.palette[i] = picture.palette[i];
    }
    const auto& stops = options.bandStops.empty() ? DefaultBandStops() : options.bandStops;
    // Without a band the animated entries stay black, free for the user's own colours.
    const auto band =
        options.bandRows > 0 ? BandColours(stops, options.range) : std::vector<RGBQUAD>{};
    for (std::size_t i = 0; i < band.size(); ++i) {
        document.palette[firstAnimated + i] = band[i];
    }

    // The picture runs top row first; the document stores the bottom row first.
    for (int y = 0; y < kLogoHeight; ++y) {
        const bool inBand = y >= kLogoHeight - options.bandRows;
        const auto row = static_cast<std::size_t>(kLogoHeight - 1 - y) * kLogoWidth;
        const auto source = static_cast<std::size_t>(y) * kLogoWidth;
        for (int x = 0; x < kLogoWidth; ++x) {
            const auto column = static_cast<std::size_t>(x);
            const auto entry = inBand ? BandEntryAt(x, options.range) : std::nullopt;
            document.pixels[row + column] =
                entry ? static_cast<std::uint8_t>(firstAnimated + static_cast<unsigned>(*entry))
                      : picture.indices[source + column];
        }
    }
    return document;
}

std::optional<ImportError> OptionsError(const ImportOptions& options) {
    if (const auto problem = OptionsProblem(options)) {
        return ImportError{.kind = ImportErrorKind::InvalidOptions, .detail = *problem};
    }
    return std::nullopt;
}

}  // namespace

Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeDescriptor(
    int descriptor, const ImportProgress& progress, const VipsBackend* others) {
    std::array<std::uint8_t, kPictureSignatureBytes> head{};
    const auto read = ReadAtOffset(descriptor, 0, head);
    if (!read) {
        return Failure{FromReadError(read.error())};
    }
    const auto bytes = std::span(head).first(read.value());
    if (bytes.empty()) {
        return Failure{ImportError{.kind = ImportErrorKind::Empty}};
    }
    const PictureFormat format = SniffPictureFormat(bytes);
    if (format == PictureFormat::Unknown) {
        return Failure{ImportError{.kind = ImportErrorKind::UnknownFormat}};
    }
    // Whatever runs out of memory, in our code or in a library's C++, is told as such.
    try {
        if (format == PictureFormat::Jpeg) {
            return DecodeJpeg(descriptor, progress);
        }
    } catch (const std::bad_alloc&) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
    }
    if (others == nullptr) {
        return Failure{ImportError{.kind = ImportErrorKind::HelperMissing,
                                   .detail = "the decoders of this kind of picture are not loaded"}};
    }
    if (auto problem = others->prepare(descriptor, format)) {
        return Failure{*problem};
    }
    return others->decode(descriptor, bytes, format, progress);
}

Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options) {
    if (const auto error = OptionsError(options)) {
        return Failure{*error};
    }
    try {
        auto laid = LayOntoScreen(picture, options.fit, options.background, options.bandRows);
        if (!laid) {
            return Failure{laid.error()};
        }
        const ScreenPicture& screen = laid.value();
        const auto reduced = ReduceColours(
            screen.rgba, kLogoWidth, kLogoHeight,
            static_cast<int>(kPaletteEntries) - options.range, options.dither,
            screen.showsBackground ? std::optional<Rgb>(options.background) : std::nullopt);
        if (!reduced) {
            return Failure{reduced.error()};
        }
        return ImportedScreen{AssembleScreen(reduced.value(), options), screen.repairs};
    } catch (const std::bad_alloc&) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
    }
}

Result<ImportedScreen, ImportError> ImportBytes(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options,
                                                const ImportProgress& progress,
                                                const VipsBackend* others) {
    if (const auto error = OptionsError(options)) {
        return Failure{*error};
    }
    const std::array pieces{bytes};
    const auto file = MakePrivateFile(pieces);
    if (!file) {
        return Failure{FromReadError(file.error())};
    }
    const auto decoded = DecodeDescriptor(file.value().descriptor(), progress, others);
    if (!decoded) {
        return Failure{decoded.error()};
    }
    return MakeScreen(*decoded.value(), options);
}

}  // namespace rotopal::engine
