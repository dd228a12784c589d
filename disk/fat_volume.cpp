#include "disk/fat_volume.h"

#include <algorithm>

#include "disk/mbr.h"

namespace rotopal {
namespace {

// A fixed-size VHD ends with a 512-byte footer that starts "conectix"; a dynamic or
// differencing one starts with a copy of it.
constexpr std::string_view kVhdCookie = "conectix";
constexpr std::size_t kVhdDiskTypeAt = 60;  // big-endian: 2 fixed, 3 dynamic, 4 differencing

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() &&
           std::equal(text.begin(), text.end(), bytes.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

}  // namespace

Result<VolumePlace, DiskError> FindFatVolume(const DiskImage& image,
                                             std::optional<int> partition) {
    const auto head = image.Read(0, kSectorBytes);
    if (!head) {
        return Failure{head.error()};
    }
    std::uint64_t diskBytes = image.size();
    if (StartsWith(head.value(), kVhdCookie)) {
        return Failure{DiskError{.kind = DiskErrorKind::UnsupportedImage,
                                 .detail = "a dynamic or differencing VHD (only fixed-size ones "
                                           "are raw images)"}};
    }
    if (diskBytes >= 2 * kSectorBytes) {
        const auto footer = image.Read(diskBytes - kSectorBytes, kSectorBytes);
        if (footer && StartsWith(footer.value(), kVhdCookie) &&
            footer.value().size() > kVhdDiskTypeAt + 3 && footer.value()[kVhdDiskTypeAt + 3] == 2) {
            diskBytes -= kSectorBytes;  // a fixed VHD: the footer is not part of the disk
        }
    }

    if (IsFatBootSector(head.value())) {
        if (partition && *partition != 1) {
            return Failure{DiskError{.kind = DiskErrorKind::NoSuchPartition,
                                     .detail = "the image is one FAT volume, without a "
                                               "partition table"}};
        }
        return VolumePlace{.offset = 0, .room = diskBytes, .partition = std::nullopt};
    }
    const auto table = ReadPartitionTable(head.value(), diskBytes / kSectorBytes);
    if (!table) {
        return Failure{table.error()};
    }
    const auto& partitions = table.value();
    const auto fat = [](const MbrPartition& p) {
        return FileSystemOfType(p.type) != PartitionFileSystem::Other;
    };
    const MbrPartition* chosen = nullptr;
    if (partition) {
        const auto found = std::find_if(partitions.begin(), partitions.end(),
                                        [&](const MbrPartition& p) { return p.number == *partition; });
        if (found == partitions.end()) {
            return Failure{DiskError{.kind = DiskErrorKind::NoSuchPartition,
                                     .detail = "partition " + std::to_string(*partition) +
                                               " is empty or not there"}};
        }
        chosen = &*found;
    } else {
        const auto active = std::find_if(partitions.begin(), partitions.end(),
                                         [&](const MbrPartition& p) { return p.active && fat(p); });
        const auto first = std::find_if(partitions.begin(), partitions.end(), fat);
        chosen = active != partitions.end() ? &*active
                 : first != partitions.end() ? &*first
                                             : &partitions.front();
    }
    if (!fat(*chosen)) {
        constexpr char kHex[] = "0123456789ABCDEF";
        const std::string type = {'0', 'x', kHex[chosen->type >> 4], kHex[chosen->type & 15]};
        return Failure{DiskError{.kind = DiskErrorKind::NotFat,
                                 .detail = "partition " + std::to_string(chosen->number) +
                                           " is of type " + type}};
    }
    const bool noActiveFat =
        !partition && std::none_of(partitions.begin(), partitions.end(),
                                   [&](const MbrPartition& p) { return p.active && fat(p); });
    return VolumePlace{.offset = chosen->firstSector * kSectorBytes,
                       .room = chosen->sectors * kSectorBytes,
                       .partition = chosen->number,
                       .noActiveFat = noActiveFat};
}

}  // namespace rotopal
