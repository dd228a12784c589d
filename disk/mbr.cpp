#include "disk/mbr.h"

#include <algorithm>
#include <string>

#include "disk/le_bytes.h"

namespace rotopal {
namespace {

constexpr std::size_t kTableAt = 446;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kSignatureAt = 510;

Failure<DiskError> NotADisk(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::NotADisk, .detail = std::move(why)}};
}

bool PowerOfTwo(unsigned value) {
    return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

PartitionFileSystem FileSystemOfType(std::uint8_t type) {
    switch (type) {
        case 0x01: return PartitionFileSystem::Fat12;
        case 0x04:
        case 0x06:
        case 0x0E:  // FAT16, the last addressed by LBA
            return PartitionFileSystem::Fat16;
        case 0x0B:
        case 0x0C: return PartitionFileSystem::Fat32;
        default: return PartitionFileSystem::Other;
    }
}

Result<std::vector<MbrPartition>, DiskError> ReadPartitionTable(
    std::span<const std::uint8_t> sector, std::uint64_t diskSectors) {
    if (sector.size() < kSectorBytes) {
        return NotADisk("the disk is shorter than one sector");
    }
    if (sector[kSignatureAt] != 0x55 || sector[kSignatureAt + 1] != 0xAA) {
        return NotADisk("the first sector has no boot signature");
    }
    std::vector<MbrPartition> used;
    for (int i = 0; i < 4; ++i) {
        const auto entry = sector.subspan(kTableAt + kEntryBytes * static_cast<std::size_t>(i),
                                          kEntryBytes);
        const std::string number = std::to_string(i + 1);
        if (entry[0] != 0x00 && entry[0] != 0x80) {
            return NotADisk("partition entry " + number + " has no valid status byte");
        }
        MbrPartition partition{.number = i + 1,
                               .type = entry[4],
                               .active = entry[0] == 0x80,
                               .firstSector = Le32(entry, 8),
                               .sectors = Le32(entry, 12)};
        if (partition.type == 0 || partition.sectors == 0) {
            continue;  // an empty entry
        }
        // Sector 0 holds the table itself; wide arithmetic, so no sum can wrap.
        if (partition.firstSector == 0 || partition.firstSector + partition.sectors > diskSectors) {
            return NotADisk("partition " + number + " lies outside the disk");
        }
        for (const MbrPartition& other : used) {
            if (partition.firstSector < other.firstSector + other.sectors &&
                other.firstSector < partition.firstSector + partition.sectors) {
                return NotADisk("partitions " + std::to_string(other.number) + " and " + number +
                                " overlap");
            }
        }
        used.push_back(partition);
    }
    if (used.empty()) {
        return NotADisk("the partition table is empty");
    }
    return used;
}

bool IsFatBootSector(std::span<const std::uint8_t> sector) {
    if (sector.size() < kSectorBytes) {
        return false;
    }
    const bool jump = (sector[0] == 0xEB && sector[2] == 0x90) || sector[0] == 0xE9;
    const unsigned bytesPerSector = Le16(sector, 11);
    const unsigned sectorsPerCluster = sector[13];
    const unsigned reserved = Le16(sector, 14);
    const unsigned fats = sector[16];
    const unsigned media = sector[21];
    return jump && bytesPerSector >= 512 && bytesPerSector <= 4096 && PowerOfTwo(bytesPerSector) &&
           PowerOfTwo(sectorsPerCluster) && sectorsPerCluster <= 128 && reserved >= 1 &&
           (fats == 1 || fats == 2) && (media == 0xF0 || media >= 0xF8);
}

}  // namespace rotopal
