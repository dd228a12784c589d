#pragma once

#include <cstdint>
#include <string>

namespace rotopal {

// Pictures above this many pixels are refused from their header, before they are decoded.
inline constexpr std::uint64_t kMaxPicturePixels = 50'000'000;

enum class ImportErrorKind {
    InvalidOptions,  // detail says which
    ModuleMissing,   // the picture import's module cannot be loaded; detail says why
    CannotOpen,      // missing or unreadable; systemError says why
    NotRegularFile,  // a folder, device or pipe
    Empty,           // no bytes at all
    UnknownFormat,   // none of the picture kinds the import reads
    // The header declares more pixels than the import reads in this kind of picture: width and
    // height say how many, limit how many it reads (fewer where the decoder holds them all).
    TooManyPixels,
    Damaged,  // the decoder gave up: cut short, corrupt, or no pixels; detail has its words
    // Memory ran out while decoding or reducing the picture; limit is the address space in
    // bytes that was wanted and not to be had, when that is what was found before starting.
    OutOfMemory,
    QuantizeFailed,  // the colour reduction failed for another reason; detail says which
};

struct ImportError {
    ImportErrorKind kind = ImportErrorKind::Damaged;
    int systemError = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t limit = 0;
    std::string detail{};
};

// The reason in plain English, for the command line.
std::string DescribeImportError(const ImportError& error);

}  // namespace rotopal
