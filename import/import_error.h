#pragma once

#include <cstdint>
#include <string>

namespace rotopal {

// The size rule: a picture whose header declares more pixels than this, or more on a side, is
// refused before any pixel is decoded. Anything smaller is decoded, and only the decoder's
// allowance of memory can stop it.
inline constexpr std::uint64_t kMaxPicturePixels = 100'000'000;
inline constexpr std::uint64_t kMaxPictureSide = 30'000;

enum class ImportErrorKind {
    InvalidOptions,  // detail says which
    HelperMissing,   // the picture decoder cannot be started, or is another build's; detail says why
    CannotOpen,      // missing or unreadable; systemError says why
    NotRegularFile,  // a folder, device or pipe
    Empty,           // no bytes at all
    UnknownFormat,   // none of the picture kinds the import reads
    TooManyPixels,   // the header declares width x height, past the size rule
    Damaged,         // the decoder gave up: cut short, corrupt, or no pixels; detail has its words
    // Memory ran out while decoding or reducing the picture; limit is the decoder's allowance in
    // bytes when that is what ran out.
    OutOfMemory,
    QuantizeFailed,  // the colour reduction failed for another reason; detail says which
    // The decoder ended without an answer: signal is the signal that ended it, or 0 and
    // exitCode its status.
    DecoderStopped,
    BrokenReply,  // what the decoder sent is not a message of ours; detail says what
    NotStarted,   // the work could not be started (a thread, a process); systemError says why
    TimedOut,     // the decoder took longer than limit seconds
};

struct ImportError {
    ImportErrorKind kind = ImportErrorKind::Damaged;
    int systemError = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t limit = 0;
    std::string detail{};
    int signal = 0;
    int exitCode = 0;
};

// The reason in plain English, for the command line.
std::string DescribeImportError(const ImportError& error);

}  // namespace rotopal
