// Feeds arbitrary RLE8 streams to the decoder at sizes taken from the input, into a buffer
// fenced on both sides: the decoder may write only inside the image, and never hangs.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "document/rle8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // Small images reach the edges and the end quickly; one in four uses the screen's size.
    const bool screen = (data[0] & 3) == 0;
    const int width = screen ? 320 : 1 + data[0] % 40;
    const int height = screen ? 400 : 1 + data[1] % 40;
    constexpr std::size_t kFence = 64;
    constexpr std::uint8_t kFenceByte = 0xA5;
    const auto area = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> buffer(area + 2 * kFence, kFenceByte);
    const std::span<std::uint8_t> pixels(buffer.data() + kFence, area);
    std::fill(pixels.begin(), pixels.end(), 0);

    rotopal::DecodeRle8(std::span<const std::uint8_t>(data + 2, size - 2), width, height, pixels);

    const auto untouched = [&](std::size_t from) {
        return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(from),
                           buffer.begin() + static_cast<std::ptrdiff_t>(from + kFence),
                           [&](std::uint8_t b) { return b == kFenceByte; });
    };
    if (!untouched(0) || !untouched(kFence + area)) {
        std::abort();
    }
    return 0;
}
