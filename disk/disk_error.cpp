#include "disk/disk_error.h"

namespace rotopal {

std::string DescribeDiskError(const DiskError& error) {
    switch (error.kind) {
        case DiskErrorKind::CannotOpen: return "cannot read the disk image: " + error.detail;
        case DiskErrorKind::Busy:
            return "the disk image is in use: " + error.detail + "; nothing was changed";
        case DiskErrorKind::NotAScreen: return "not a start-up screen: " + error.detail;
        case DiskErrorKind::NotADisk:
            return "not a disk image with a partition table or a FAT volume: " + error.detail;
        case DiskErrorKind::UnsupportedImage:
            return "this kind of disk image is not read: " + error.detail;
        case DiskErrorKind::NoSuchPartition: return "no such partition: " + error.detail;
        case DiskErrorKind::NotFat:
            return "not a FAT12, FAT16 or FAT32 volume: " + error.detail;
        case DiskErrorKind::BadVolume:
            return "the FAT volume's boot sector cannot be trusted: " + error.detail +
                   "; nothing was changed";
        case DiskErrorKind::VolumeErrors:
            return "the volume has errors: repair it first (fsck.fat or ScanDisk): " +
                   error.detail + "; nothing was changed";
        case DiskErrorKind::NameInTheWay: return error.detail + "; nothing was changed";
        case DiskErrorKind::BadWindowsFolder:
            return "\\MSDOS.SYS names a Windows folder that cannot be used: " + error.detail;
        case DiskErrorKind::NoFolder:
            return "the volume has no folder " + error.detail + " for the screen";
        case DiskErrorKind::NotOnDisk: return "there is no " + error.detail + " on the volume";
        case DiskErrorKind::TooLarge: return error.detail;
        case DiskErrorKind::ReadOnlyImage: return error.detail;
        case DiskErrorKind::ToolMissing:
            return error.detail + " is not installed (Debian package mtools)";
        case DiskErrorKind::VolumeFull:
            return "no room on the volume; its old screen is as it was (" + error.detail + ")";
        case DiskErrorKind::ToolFailed: return error.detail;
        case DiskErrorKind::NotVerified: return error.detail;
        case DiskErrorKind::WriteFailed: return error.detail;
    }
    return "the disk image cannot be used";
}

bool IsInputError(const DiskError& error) {
    switch (error.kind) {
        case DiskErrorKind::VolumeFull:
        case DiskErrorKind::ToolFailed:
        case DiskErrorKind::NotVerified:
        case DiskErrorKind::WriteFailed: return false;
        default: return true;
    }
}

}  // namespace rotopal
