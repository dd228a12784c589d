#include "disk/fat_geometry.h"

#include <string>

#include "disk/le_bytes.h"

namespace rotopal {
namespace {

// Cluster counts that decide the FAT kind, as every FAT driver counts them.
constexpr std::uint32_t kFat12MaxClusters = 4084;
constexpr std::uint32_t kFat16MaxClusters = 65524;
constexpr std::uint32_t kFat32MaxClusters = 0x0FFFFFF5 - 2;

bool PowerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

Failure<DiskError> Bad(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::BadVolume, .detail = std::move(why)}};
}

std::uint64_t BitsPerEntry(FatKind kind) {
    switch (kind) {
        case FatKind::Fat12: return 12;
        case FatKind::Fat16: return 16;
        case FatKind::Fat32: return 32;
    }
    return 32;
}

std::string Sectors(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " sector" : " sectors");
}

}  // namespace

std::uint64_t FatGeometry::DataOffset() const {
    const std::uint64_t rootSectors = (RootBytes() + bytesPerSector - 1) / bytesPerSector;
    return RootOffset() + rootSectors * bytesPerSector;
}

Result<FatGeometry, DiskError> ReadFatGeometry(std::span<const std::uint8_t> sector,
                                               std::uint64_t roomBytes) {
    if (sector.size() < 512) {
        return Failure{DiskError{.kind = DiskErrorKind::NotFat, .detail = "the volume is cut short"}};
    }
    const bool jump = (sector[0] == 0xEB && sector[2] == 0x90) || sector[0] == 0xE9;
    FatGeometry g;
    g.bytesPerSector = Le16(sector, 11);
    g.sectorsPerCluster = sector[13];
    g.reservedSectors = Le16(sector, 14);
    g.fatCount = sector[16];
    g.rootEntries = Le16(sector, 17);
    const std::uint32_t total16 = Le16(sector, 19);
    const std::uint32_t fat16Sectors = Le16(sector, 22);
    g.totalSectors = total16 != 0 ? total16 : Le32(sector, 32);
    g.sectorsPerFat = fat16Sectors != 0 ? fat16Sectors : Le32(sector, 36);
    if (!jump || g.bytesPerSector < 512 || g.bytesPerSector > 4096 ||
        !PowerOfTwo(g.bytesPerSector) || !PowerOfTwo(g.sectorsPerCluster) ||
        g.sectorsPerCluster > 128) {
        return Failure{DiskError{.kind = DiskErrorKind::NotFat,
                                 .detail = "its first sector is not a FAT boot sector"}};
    }
    if (g.reservedSectors == 0 || g.fatCount == 0 || g.fatCount > 2 || g.totalSectors == 0 ||
        g.sectorsPerFat == 0) {
        return Bad("it gives no reserved sector, FAT or size");
    }
    // mtools counts the root folder's sectors rounding down where we would round up.
    if (g.RootBytes() % g.bytesPerSector != 0) {
        return Bad("its root folder's " + std::to_string(g.rootEntries) +
                   " entries do not fill whole sectors");
    }
    if (g.VolumeBytes() > roomBytes) {
        return Bad("it says " + Sectors(g.totalSectors) + ", but " +
                   (roomBytes / g.bytesPerSector == 0 ? std::string("there is no room")
                                                      : "only " + Sectors(roomBytes / g.bytesPerSector)) +
                   " of " + std::to_string(g.bytesPerSector) + " bytes are there");
    }
    const std::uint64_t dataSector = g.DataOffset() / g.bytesPerSector;
    if (dataSector >= g.totalSectors) {
        return Bad("its reserved, FAT and root areas fill the whole volume");
    }
    const std::uint64_t clusters = (g.totalSectors - dataSector) / g.sectorsPerCluster;
    if (clusters == 0 || clusters > kFat32MaxClusters) {
        return Bad("it has " + std::to_string(clusters) + " clusters");
    }
    g.clusterCount = static_cast<std::uint32_t>(clusters);
    g.kind = g.clusterCount <= kFat12MaxClusters   ? FatKind::Fat12
             : g.clusterCount <= kFat16MaxClusters ? FatKind::Fat16
                                                   : FatKind::Fat32;
    // FAT32 has its root folder in clusters and its FAT size in the 32-bit field only.
    const bool fat32Fields = g.rootEntries == 0 && fat16Sectors == 0;
    if ((g.kind == FatKind::Fat32) != fat32Fields) {
        return Bad("its " + std::to_string(g.clusterCount) + " clusters make it FAT" +
                   (g.kind == FatKind::Fat32 ? "32" : g.kind == FatKind::Fat16 ? "16" : "12") +
                   ", but it is laid out for " + (fat32Fields ? "FAT32" : "FAT12 or FAT16"));
    }
    if (g.FatBytes() * 8 < (std::uint64_t{g.clusterCount} + 2) * BitsPerEntry(g.kind)) {
        return Bad("its FAT of " + Sectors(g.sectorsPerFat) + " cannot hold its " +
                   std::to_string(g.clusterCount) + " clusters");
    }
    if (g.kind == FatKind::Fat32) {
        g.rootCluster = Le32(sector, 44);
        if (!g.HasCluster(g.rootCluster)) {
            return Bad("its root folder starts at cluster " + std::to_string(g.rootCluster) +
                       ", outside the volume");
        }
        // Bit 7 set: only the FAT that bits 0 to 3 name is kept up to date. mtools reads and
        // writes the first FAT whatever the flags say, so a volume that uses another one would
        // be read wrong and written into the wrong FAT.
        const std::uint32_t flags = Le16(sector, 40);
        g.activeFat = (flags & 0x80) != 0 ? flags & 0x0F : 0;
        if (g.activeFat >= g.fatCount) {
            return Bad("it names FAT " + std::to_string(g.activeFat) + " of " +
                       std::to_string(g.fatCount) + " as the one in use");
        }
        if (g.activeFat != 0) {
            return Failure{DiskError{
                .kind = DiskErrorKind::UnsupportedImage,
                .detail = "its FAT32 volume keeps FAT " + std::to_string(g.activeFat) +
                          " alone up to date (mirroring off), and mtools reads and writes only "
                          "the first FAT; nothing was changed"}};
        }
        // mtools writes the FSInfo sector, and the backup boot sector is read by repair tools:
        // both must be reserved sectors of their own, or mtools writes over a FAT or a file.
        const std::uint32_t info = Le16(sector, 48);
        const std::uint32_t backup = Le16(sector, 50);
        const auto reservedOrNone = [&](std::uint32_t at) {
            return at == 0 || at == 0xFFFF || at < g.reservedSectors;
        };
        if (!reservedOrNone(info) || !reservedOrNone(backup) || (info == backup && info != 0 && info != 0xFFFF)) {
            return Bad("its FSInfo sector (" + std::to_string(info) + ") or backup boot sector (" +
                       std::to_string(backup) + ") is not a reserved sector of its own among the " +
                       std::to_string(g.reservedSectors));
        }
        g.infoSector = info == 0xFFFF ? 0 : info;
    }
    return g;
}

}  // namespace rotopal
