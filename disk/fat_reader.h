#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"
#include "disk/disk_image.h"
#include "disk/fat_directory.h"
#include "disk/fat_geometry.h"
#include "disk/fat_table.h"
#include "disk/fat_volume.h"

namespace rotopal {

// A folder of the volume as read, with the clusters it takes (none for the fixed root folder of
// FAT12 and FAT16).
struct FatFolder {
    std::string path;  // "\WIN98", or "" for the root
    std::vector<FolderEntry> entries;
    std::vector<std::uint32_t> clusters;
};

// Our own reader of a FAT volume: its geometry, checked against the room it has, then folders
// and files, every chain checked as it is followed. It reads only the boot sector, the FAT and
// what it is asked for, so its cost does not grow with the volume.
class FatReader {
public:
    static Result<FatReader, DiskError> Open(const DiskImage& image, const VolumePlace& place);

    const FatGeometry& geometry() const { return geometry_; }
    FatTable& table() { return table_; }

    // The folder at the path from the root, each name a short name.
    Result<FatFolder, DiskError> ReadFolder(std::span<const std::string> names);
    // A plain file's clusters, checked against its size: exactly as many as the size needs.
    Result<std::vector<std::uint32_t>, DiskError> FileClusters(const FolderEntry& file,
                                                               const std::string& what);
    // A plain file's first maxBytes bytes (all of it when shorter), its chain checked.
    Result<std::vector<std::uint8_t>, DiskError> ReadFile(const FolderEntry& file,
                                                          const std::string& what,
                                                          std::size_t maxBytes);

private:
    FatReader(const DiskImage& image, const VolumePlace& place, const FatGeometry& geometry);
    Result<std::vector<std::uint8_t>, DiskError> ReadClusters(std::span<const std::uint32_t> clusters,
                                                              std::size_t maxBytes) const;

    const DiskImage* image_;
    VolumePlace place_;
    FatGeometry geometry_;
    FatTable table_;
};

}  // namespace rotopal
