#pragma once

// Private to the document library.

#include <cstddef>
#include <cstdint>
#include <span>

namespace rotopal {

// What a damaged stream made the decoder overlook; all false for a sound stream.
struct Rle8Repairs {
    bool cutShort = false;     // the bytes ran out before an end-of-bitmap code, with rows left
    bool runsClipped = false;  // runs crossing a row's right edge were cut off there
    bool belowImage = false;   // the stream went on below the last row; that part was ignored

    friend bool operator==(const Rle8Repairs&, const Rle8Repairs&) = default;
};

// Decodes a BI_RLE8 stream into width x height indices, rows in stream order (the stream starts
// with the bottom row, which is also the first row of our pixel arrays). Pixels the stream never
// reaches are left as they are, so a short or damaged stream leaves them at the caller's zero.
// Runs that would cross the right edge are clipped; moves below the last row end decoding.
Rle8Repairs DecodeRle8(std::span<const std::uint8_t> stream, int width, int height,
                       std::span<std::uint8_t> pixels);

}  // namespace rotopal
