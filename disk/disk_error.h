#pragma once

#include <string>

namespace rotopal {

enum class DiskErrorKind {
    CannotOpen,          // the disk image or the screen cannot be read; systemError says why
    NotAScreen,          // the file to install is not a start-up screen; detail says why
    NotADisk,            // neither a partition table nor a FAT volume; detail says what was found
    UnsupportedImage,    // a kind of disk image that is not raw (a dynamic VHD, say)
    NoSuchPartition,     // --partition names one that is empty or not there
    NotFat,              // the partition is not FAT12, FAT16 or FAT32; detail names its type
    NoFolder,            // the folder the screen goes into is not on the volume
    NotOnDisk,           // extract: the screen is not on the volume
    ToolMissing,         // mtools is not installed
    VolumeFull,          // no room on the volume for the screen
    ToolFailed,          // mtools refused; detail has its words
    WriteFailed,         // extract: the screen could not be written out; detail says why
};

struct DiskError {
    DiskErrorKind kind = DiskErrorKind::ToolFailed;
    int systemError = 0;
    std::string detail{};
};

// The reason in plain English, for the command line.
std::string DescribeDiskError(const DiskError& error);

}  // namespace rotopal
