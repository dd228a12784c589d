#pragma once

#include <cstdint>
#include <string>

namespace rotopal {

// Why a file could not be read, in enough detail to act on. The user sees one of three
// rejections (see Rejection); the kinds behind them stay distinct for messages and tests.
enum class ReadErrorKind {
    CannotOpen,              // missing or unreadable
    NotRegularFile,          // a folder, device or pipe
    NotBmpSignature,         // does not start with "BM"
    TruncatedHeaders,        // ends before the 14 + 40 header bytes
    NotEightBit,             // biBitCount is not 8
    WrongSize,               // not 320 x 400 bottom-up
    UnsupportedCompression,  // neither uncompressed nor RLE8
    TooManyColours,          // biClrUsed above 256
};

// The three rejections the user is shown.
enum class Rejection { NotBitmap, NotEightBit, WrongSize };

struct ReadError {
    ReadErrorKind kind = ReadErrorKind::CannotOpen;
    int systemError = 0;  // errno for CannotOpen, else 0
    // The offending header values as stored, where the kind has them.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t value = 0;  // bit count, compression or colour count

    friend bool operator==(const ReadError&, const ReadError&) = default;
};

// The single place where detailed kinds collapse into what the user is told.
Rejection RejectionOf(ReadErrorKind kind);

// Plain English description of the error, for the command-line tool.
std::string DescribeReadError(const ReadError& error);

}  // namespace rotopal
