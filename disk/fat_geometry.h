#pragma once

#include <cstdint>
#include <span>

#include "core/result.h"
#include "disk/disk_error.h"

namespace rotopal {

enum class FatKind { Fat12, Fat16, Fat32 };

// The layout of a FAT volume, from its boot sector. Offsets are bytes from the volume's start.
struct FatGeometry {
    FatKind kind = FatKind::Fat16;
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerCluster = 1;
    std::uint32_t reservedSectors = 1;
    std::uint32_t fatCount = 2;
    std::uint32_t rootEntries = 0;  // FAT12 and FAT16: the fixed root folder's slots
    std::uint64_t totalSectors = 0;
    std::uint64_t sectorsPerFat = 0;
    std::uint32_t clusterCount = 0;  // data clusters, numbered 2 to clusterCount + 1
    std::uint32_t rootCluster = 0;   // FAT32: the root folder's first cluster
    std::uint32_t activeFat = 0;     // the FAT in use: FAT32 may turn mirroring off and use one
    std::uint32_t infoSector = 0;    // FAT32: the FSInfo sector, 0 for none

    std::uint64_t ClusterBytes() const { return std::uint64_t{bytesPerSector} * sectorsPerCluster; }
    std::uint64_t FatOffset() const { return std::uint64_t{reservedSectors} * bytesPerSector; }
    std::uint64_t ActiveFatOffset() const { return FatOffset() + activeFat * FatBytes(); }
    std::uint64_t FatBytes() const { return sectorsPerFat * bytesPerSector; }
    std::uint64_t RootOffset() const { return FatOffset() + fatCount * FatBytes(); }
    std::uint64_t RootBytes() const { return std::uint64_t{rootEntries} * 32; }
    std::uint64_t DataOffset() const;
    std::uint64_t ClusterOffset(std::uint32_t cluster) const {
        return DataOffset() + (cluster - 2) * ClusterBytes();
    }
    std::uint64_t VolumeBytes() const { return totalSectors * bytesPerSector; }
    bool HasCluster(std::uint32_t cluster) const {
        return cluster >= 2 && cluster - 2 < clusterCount;
    }
};

// Reads a boot sector's BIOS parameter block and checks it against itself and against the
// room the volume has (its partition, or the rest of the image): sector and cluster sizes,
// reserved, FAT and root areas that fit in the volume, a FAT large enough for every cluster,
// a cluster count that matches the FAT kind, a root folder of whole sectors, FAT32's FSInfo and
// backup boot sectors among the reserved ones, and a volume no larger than its room. mtools
// trusts these fields, so a volume that fails is never handed to it (NotFat for a sector that
// is no FAT boot sector at all, BadVolume for one whose numbers do not fit).
Result<FatGeometry, DiskError> ReadFatGeometry(std::span<const std::uint8_t> bootSector,
                                               std::uint64_t roomBytes);

}  // namespace rotopal
