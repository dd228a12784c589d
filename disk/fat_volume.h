#pragma once

#include <cstdint>
#include <optional>

#include "core/result.h"
#include "disk/disk_error.h"
#include "disk/disk_image.h"

namespace rotopal {

// Where a FAT volume lies in a disk image, and the room it has there: its partition, or the
// rest of the image.
struct VolumePlace {
    std::uint64_t offset = 0;
    std::uint64_t room = 0;
    std::optional<int> partition;  // counted from 1; none for a volume without a table
    // Chosen as the first FAT partition because none of them is marked active (the one the
    // machine starts from), so it may not be the volume the machine reads the screen from.
    bool noActiveFat = false;
};

// Finds the volume a screen goes onto: the given partition (counted from 1) of the image's
// partition table, else its first active FAT partition, else its first FAT partition; or, in an
// image without a partition table (a floppy), the whole image. A fixed-size VHD is a raw image
// with a footer, which is no part of the disk's room.
Result<VolumePlace, DiskError> FindFatVolume(const DiskImage& image, std::optional<int> partition);

}  // namespace rotopal
