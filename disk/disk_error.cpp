#include "disk/disk_error.h"

#include "document/file_io.h"

namespace rotopal {

std::string DescribeDiskError(const DiskError& error) {
    switch (error.kind) {
        case DiskErrorKind::CannotOpen:
            return "cannot read " + (error.detail.empty() ? "the disk image" : error.detail) +
                   ": " + SystemReason(error.systemError);
        case DiskErrorKind::NotAScreen: return "not a start-up screen: " + error.detail;
        case DiskErrorKind::NotADisk:
            return "not a disk image with a partition table or a FAT volume: " + error.detail;
        case DiskErrorKind::UnsupportedImage:
            return "this kind of disk image is not read: " + error.detail;
        case DiskErrorKind::NoSuchPartition: return "no such partition: " + error.detail;
        case DiskErrorKind::NotFat:
            return "not a FAT12, FAT16 or FAT32 volume: " + error.detail;
        case DiskErrorKind::NoFolder:
            return "the volume has no folder " + error.detail + " for the screen";
        case DiskErrorKind::NotOnDisk: return "there is no " + error.detail + " on the volume";
        case DiskErrorKind::ToolMissing:
            return error.detail + " is not installed (Debian package mtools)";
        case DiskErrorKind::VolumeFull:
            return "no room on the volume; its old screen is as it was (" + error.detail + ")";
        case DiskErrorKind::ToolFailed: return error.detail;
        case DiskErrorKind::WriteFailed: return error.detail;
    }
    return "the disk image cannot be used";
}

}  // namespace rotopal
