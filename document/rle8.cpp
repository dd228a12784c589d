#include "document/rle8.h"

#include <algorithm>
#include <cassert>

namespace rotopal {
namespace {

// Escape codes that follow a zero count byte.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

class Rle8Decoder {
public:
    Rle8Decoder(std::span<const std::uint8_t> stream, int width, int height,
                std::span<std::uint8_t> pixels)
        : stream_(stream), width_(width), height_(height), pixels_(pixels) {}

    Rle8Repairs Decode() {
        // Every step consumes at least two bytes, so decoding always ends.
        while (y_ < height_) {
            if (!Has(2)) {
                repairs_.cutShort = true;
                return repairs_;
            }
            const std::uint8_t count = stream_[pos_];
            const std::uint8_t code = stream_[pos_ + 1];
            pos_ += 2;
            if (count > 0) {
                Put(count, [code](long long) { return code; });
            } else if (code == kEndOfBitmap) {
                return repairs_;
            } else if (!Escape(code)) {
                repairs_.cutShort = true;
                return repairs_;
            }
        }
        // The line end of the last row may be followed by the end of the bitmap, and by nothing
        // else.
        if (Has(2) && !(stream_[pos_] == 0 && stream_[pos_ + 1] == kEndOfBitmap)) {
            repairs_.belowImage = true;
        }
        return repairs_;
    }

private:
    bool Has(std::size_t bytes) const { return pos_ + bytes <= stream_.size(); }

    // A line end, a move or a literal run; false when the stream ends inside it.
    bool Escape(std::uint8_t code) {
        switch (code) {
            case kEndOfLine:
                x_ = 0;
                ++y_;
                return true;
            case kDelta:
                if (!Has(2)) {
                    return false;
                }
                x_ += stream_[pos_];
                y_ += stream_[pos_ + 1];
                pos_ += 2;
                repairs_.belowImage = repairs_.belowImage || y_ >= height_;
                return true;
            default: return Literal(code);
        }
    }

    // Absolute mode: `count` literal indices, padded to an even length.
    bool Literal(std::uint8_t count) {
        const std::size_t available = std::min<std::size_t>(count, stream_.size() - pos_);
        const auto* literal = stream_.data() + pos_;
        Put(static_cast<long long>(available), [literal](long long i) { return literal[i]; });
        pos_ += count + (count & 1u);
        return available == count;
    }

    // Writes one run of `count` pixels at the cursor, dropping whatever lies past the row's end.
    template <class PixelAt>
    void Put(long long count, PixelAt pixelAt) {
        const long long room = std::max(0LL, width_ - x_);
        const long long shown = std::min(count, room);
        repairs_.runsClipped = repairs_.runsClipped || shown < count;
        auto* row = pixels_.data() + static_cast<std::size_t>(y_ * width_);
        for (long long i = 0; i < shown; ++i) {
            row[x_ + i] = pixelAt(i);
        }
        x_ += count;
    }

    std::span<const std::uint8_t> stream_;
    int width_, height_;
    std::span<std::uint8_t> pixels_;
    // Positions are kept in long long so that deltas of up to 255 can never overflow them.
    long long x_ = 0, y_ = 0;
    std::size_t pos_ = 0;
    Rle8Repairs repairs_;
};

}  // namespace

Rle8Repairs DecodeRle8(std::span<const std::uint8_t> stream, int width, int height,
                       std::span<std::uint8_t> pixels) {
    assert(width > 0 && height > 0);
    assert(pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return Rle8Decoder(stream, width, height, pixels).Decode();
}

}  // namespace rotopal
