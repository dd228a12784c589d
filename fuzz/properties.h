#pragma once

// What the fuzz targets check on every input, shared with the test that replays the corpus kept
// in fuzz/corpus/ so that every input found worth keeping is checked in every build.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "disk/mbr.h"
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

// What the partition table reader accepts lies inside the disk (whose size in sectors the
// first four bytes give), one entry per number, none at sector 0, none overlapping another.
inline bool PartitionTableIsSound(std::span<const std::uint8_t> data) {
    if (data.size() < 4) {
        return true;
    }
    const std::uint64_t diskSectors = std::uint64_t{data[0]} | std::uint64_t{data[1]} << 8 |
                                      std::uint64_t{data[2]} << 16 | std::uint64_t{data[3]} << 24;
    const auto table = ReadPartitionTable(data.subspan(4), diskSectors);
    if (!table) {
        return true;
    }
    const auto& partitions = table.value();
    for (std::size_t i = 0; i < partitions.size(); ++i) {
        const MbrPartition& p = partitions[i];
        if (p.number < 1 || p.number > 4 || p.firstSector == 0 || p.sectors == 0 ||
            p.firstSector + p.sectors > diskSectors) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const MbrPartition& q = partitions[j];
            if (p.number == q.number || (p.firstSector < q.firstSector + q.sectors &&
                                         q.firstSector < p.firstSector + p.sectors)) {
                return false;
            }
        }
    }
    return !partitions.empty();
}

}  // namespace rotopal::fuzz
