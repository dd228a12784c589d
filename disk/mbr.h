#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"

namespace rotopal {

inline constexpr std::size_t kSectorBytes = 512;

// One of the four entries of a master boot record's partition table.
struct MbrPartition {
    int number = 0;  // 1 to 4
    std::uint8_t type = 0;
    bool active = false;
    std::uint64_t firstSector = 0;
    std::uint64_t sectors = 0;
};

// What partition type bytes say of the file system.
enum class PartitionFileSystem { Fat12, Fat16, Fat32, Other };
PartitionFileSystem FileSystemOfType(std::uint8_t type);

// The used entries of the partition table in the disk's first sector, for a disk of
// diskSectors sectors. Refused (NotADisk, with the reason) when the sector is cut short, has no
// boot signature, holds a status byte other than 0x00 or 0x80, or an entry that starts at 0,
// reaches past the disk's end or overlaps another.
Result<std::vector<MbrPartition>, DiskError> ReadPartitionTable(
    std::span<const std::uint8_t> sector, std::uint64_t diskSectors);

// Whether the sector is the boot sector of a FAT volume (a floppy image, a volume without a
// partition table): a jump, then a BIOS parameter block with sensible sizes.
bool IsFatBootSector(std::span<const std::uint8_t> sector);

}  // namespace rotopal
