#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"

namespace rotopal {

// A FAT volume inside a disk image: the image's path and where the volume starts in it.
struct FatVolume {
    std::string image;
    std::uint64_t offset = 0;
};

// Finds the volume a screen goes onto: the given partition (counted from 1) of the image's
// partition table, else its first active FAT partition, else its first FAT partition; or, in an
// image without a partition table (a floppy), the whole image. A fixed-size VHD is a raw image
// with a footer and is taken the same way.
Result<FatVolume, DiskError> FindFatVolume(const std::string& image, std::optional<int> partition);

// The volume's files, through mtools run as child processes; paths are DOS paths from the
// volume's root, such as "\WINDOWS\LOGOW.SYS". mtools's complaints come back in its own words.
// A file's bytes, or nothing when it is not there.
Result<std::optional<std::vector<std::uint8_t>>, DiskError> ReadVolumeFile(
    const FatVolume& volume, const std::string& path);
Result<bool, DiskError> VolumeHas(const FatVolume& volume, const std::string& path);
// Copies a local file in under a name that must not exist yet.
Result<void, DiskError> CopyIntoVolume(const FatVolume& volume, const std::string& localPath,
                                       const std::string& path);
Result<void, DiskError> RenameOnVolume(const FatVolume& volume, const std::string& from,
                                       const std::string& to);
Result<void, DiskError> DeleteFromVolume(const FatVolume& volume, const std::string& path);

}  // namespace rotopal
