#pragma once

// What the fuzz targets check on every input, shared with the test that replays the corpus kept
// in fuzz/corpus/ so that every input found worth keeping is checked in every build.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "document/rle8.h"

namespace rotopal::fuzz {

// Whatever the reader accepts, the writer writes and the reader reads back as the same image,
// with nothing to repair. The colour question is asked only with a count of 1 to 255.
inline bool ReaderRoundTrips(std::span<const std::uint8_t> bytes) {
    // The last byte picks the answer to the colour question, so both paths are explored.
    const bool convert = !bytes.empty() && (bytes.back() & 1) != 0;
    bool askedWell = true;
    const auto read = DecodeLogoFile(bytes, [&](int colours) {
        askedWell = askedWell && colours >= 1 && colours <= 255;
        return convert;
    });
    if (!askedWell) {
        return false;
    }
    if (!read) {
        return true;
    }
    const LogoDocument& doc = read.value().document;
    const auto again = DecodeLogoFile(EncodeLogoFile(doc), [](int) { return false; });
    if (!again) {
        return false;
    }
    const LogoDocument& copy = again.value().document;
    return copy.palette == doc.palette && copy.pixels == doc.pixels &&
           copy.lastIndex == doc.lastIndex && again.value().repairs == LogoRepairs{};
}

// The RLE8 decoder, at a size taken from the first two bytes, writes only inside the image.
inline bool Rle8StaysInside(std::span<const std::uint8_t> data) {
    if (data.size() < 2) {
        return true;
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
    DecodeRle8(data.subspan(2), width, height, pixels);
    const auto untouched = [&](std::size_t from) {
        return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(from),
                           buffer.begin() + static_cast<std::ptrdiff_t>(from + kFence),
                           [&](std::uint8_t b) { return b == kFenceByte; });
    };
    return untouched(0) && untouched(kFence + area);
}

}  // namespace rotopal::fuzz
