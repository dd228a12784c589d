#include "document/rle8.h"

#include <algorithm>
#include <cassert>

namespace rotopal {
namespace {

// Escape codes that follow a zero count byte.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

}  // namespace

void DecodeRle8(std::span<const std::uint8_t> stream, int width, int height,
                std::span<std::uint8_t> pixels) {
    assert(width > 0 && height > 0);
    assert(pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

    // Positions are kept in long long so that deltas of up to 255 can never overflow them.
    long long x = 0;
    long long y = 0;
    std::size_t pos = 0;

    // Writes one run of `count` pixels at the cursor, dropping whatever lies past the row's end.
    const auto put = [&](long long count, auto pixelAt) {
        const long long room = std::max(0LL, width - x);
        const long long shown = std::min(count, room);
        auto* row = pixels.data() + static_cast<std::size_t>(y * width);
        for (long long i = 0; i < shown; ++i) {
            row[x + i] = pixelAt(i);
        }
        x += count;
    };

    // Every step consumes at least two bytes, so decoding always ends.
    while (y < height && pos + 2 <= stream.size()) {
        const std::uint8_t count = stream[pos];
        const std::uint8_t code = stream[pos + 1];
        pos += 2;
        if (count > 0) {
            put(count, [code](long long) { return code; });
            continue;
        }
        switch (code) {
            case kEndOfLine:
                x = 0;
                ++y;
                break;
            case kEndOfBitmap: return;
            case kDelta: {
                if (pos + 2 > stream.size()) {
                    return;
                }
                x += stream[pos];
                y += stream[pos + 1];
                pos += 2;
                break;
            }
            default: {
                // Absolute mode: `code` literal indices, padded to an even length.
                const std::size_t available = std::min<std::size_t>(code, stream.size() - pos);
                const auto* literal = stream.data() + pos;
                put(static_cast<long long>(available),
                    [literal](long long i) { return literal[i]; });
                if (available < code) {
                    return;
                }
                pos += code + (code & 1u);
                break;
            }
        }
    }
}

}  // namespace rotopal
