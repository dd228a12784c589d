#include "import/exif_orientation.h"

#include <algorithm>
#include <array>

namespace rotopal {
namespace {

constexpr std::array<std::uint8_t, 6> kExifSignature{'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;
constexpr std::size_t kTiffHeaderBytes = 8;
constexpr std::size_t kEntryBytes = 12;

// The TIFF block's numbers, in the byte order its header names.
class TiffBytes {
public:
    TiffBytes(std::span<const std::uint8_t> bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}
    bool Has(std::size_t at, std::size_t count) const {
        return at <= bytes_.size() && count <= bytes_.size() - at;
    }
    std::uint32_t U16(std::size_t at) const {
        return big_ ? (std::uint32_t{bytes_[at]} << 8 | bytes_[at + 1])
                    : (std::uint32_t{bytes_[at + 1]} << 8 | bytes_[at]);
    }
    std::uint32_t U32(std::size_t at) const {
        return big_ ? (U16(at) << 16 | U16(at + 2)) : (U16(at + 2) << 16 | U16(at));
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool big_;
};

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
    if (app1.size() < kExifSignature.size() + kTiffHeaderBytes ||
        !std::equal(kExifSignature.begin(), kExifSignature.end(), app1.begin())) {
        return 1;
    }
    const auto tiff = app1.subspan(kExifSignature.size());
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!big && !(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 1;
    }
    const TiffBytes bytes(tiff, big);
    if (bytes.U16(2) != 42) {
        return 1;
    }
    const std::size_t folder = bytes.U32(4);
    if (!bytes.Has(folder, 2)) {
        return 1;
    }
    const std::size_t entries = bytes.U16(folder);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t at = folder + 2 + i * kEntryBytes;
        if (!bytes.Has(at, kEntryBytes)) {
            return 1;
        }
        if (bytes.U16(at) == kOrientationTag) {
            // A SHORT as the standard has it, or a LONG as some cameras write it.
            const std::uint32_t type = bytes.U16(at + 2);
            const std::uint32_t value = type == kLongType ? bytes.U32(at + 8) : bytes.U16(at + 8);
            const bool sound = (type == kShortType || type == kLongType) &&
                               bytes.U32(at + 4) == 1 && value >= 1 && value <= 8;
            return sound ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

}  // namespace rotopal
