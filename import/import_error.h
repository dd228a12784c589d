#pragma once

#include <cstdint>
#include <string>

namespace rotopal {

// Pictures above this many pixels are refused from their header, before they are decoded.
inline constexpr std::uint64_t kMaxPicturePixels = 50'000'000;
// Files above this size are refused before they are read.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{1} << 30;

enum class ImportErrorKind {
    InvalidOptions,  // detail says which
    CannotOpen,      // missing or unreadable; systemError says why
    NotRegularFile,  // a folder, device or pipe
    FileTooLarge,    // over kMaxPictureFileBytes
    Empty,           // no bytes at all
    UnknownFormat,   // none of the picture kinds the import reads
    TooManyPixels,   // the header declares over kMaxPicturePixels; width and height say how many
    Damaged,         // the decoder gave up: cut short, corrupt, or no pixels; detail has its words
    QuantizeFailed,  // the colour reduction failed (out of memory)
};

struct ImportError {
    ImportErrorKind kind = ImportErrorKind::Damaged;
    int systemError = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::string detail{};
};

// The reason in plain English, for the command line.
std::string DescribeImportError(const ImportError& error);

}  // namespace rotopal
