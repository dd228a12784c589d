#pragma once

// Private to the document library.

#include <cstddef>
#include <cstdint>
#include <span>

namespace rotopal {

// Decodes a BI_RLE8 stream into width x height indices, rows in stream order (the stream starts
// with the bottom row, which is also the first row of our pixel arrays). Pixels the stream never
// reaches are left as they are, so a short or damaged stream leaves them at the caller's zero.
// Runs that would cross the right edge are clipped; moves below the last row end decoding.
void DecodeRle8(std::span<const std::uint8_t> stream, int width, int height,
                std::span<std::uint8_t> pixels);

}  // namespace rotopal
