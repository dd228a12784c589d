#include "import/picture_import.h"

#include "document/file_io.h"
#include "document/screen_headers.h"
#include "import/animated_band.h"
#include "import/colour_reduction.h"
#include "import/picture_format.h"
#include "import/screen_picture.h"

namespace rotopal {
namespace {

ImportError FromReadError(const FileReadError& error) {
    switch (error.kind) {
        case FileReadError::Kind::NotRegularFile:
            return ImportError{.kind = ImportErrorKind::NotRegularFile};
        case FileReadError::Kind::TooLarge:
            return ImportError{.kind = ImportErrorKind::FileTooLarge};
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
    const auto stops = options.bandStops.empty() ? DefaultBandStops() : options.bandStops;
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

}  // namespace

Result<LogoDocument, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                const ImportOptions& options) {
    if (const auto problem = OptionsProblem(options)) {
        return Failure{ImportError{.kind = ImportErrorKind::InvalidOptions, .detail = *problem}};
    }
    if (bytes.empty()) {
        return Failure{ImportError{.kind = ImportErrorKind::Empty}};
    }
    if (SniffPictureFormat(bytes) == PictureFormat::Unknown) {
        return Failure{ImportError{.kind = ImportErrorKind::UnknownFormat}};
    }
    auto fitted = FitPictureToScreen(bytes, options.fit, options.background);
    if (!fitted) {
        return Failure{fitted.error()};
    }
    const auto& picture = fitted.value();
    const auto reduced = ReduceColours(
        picture.rgba, kLogoWidth, kLogoHeight, static_cast<int>(kPaletteEntries) - options.range,
        options.dither,
        picture.showsBackground ? std::optional<Rgb>(options.background) : std::nullopt);
    if (!reduced) {
        return Failure{reduced.error()};
    }
    return AssembleScreen(reduced.value(), options);
}

bool IsPictureFile(const std::string& path) {
    // Enough for every signature the sniffer knows.
    constexpr std::size_t kSignatureBytes = 16;
    const auto head = ReadFilePrefix(path, kSignatureBytes);
    return head && SniffPictureFormat(head.value().span()) != PictureFormat::Unknown;
}

Result<LogoDocument, ImportError> ImportPictureFile(const std::string& path,
                                                    const ImportOptions& options) {
    const auto bytes = ReadWholeFile(path, kMaxPictureFileBytes);
    if (!bytes) {
        return Failure{FromReadError(bytes.error())};
    }
    return ImportPicture(bytes.value().span(), options);
}

}  // namespace rotopal
