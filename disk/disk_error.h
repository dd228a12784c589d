#pragma once

#include <string>

namespace rotopal {

enum class DiskErrorKind {
    CannotOpen,        // the disk image cannot be opened or read; detail says why
    Busy,              // another program holds the disk image's lock
    NotAScreen,        // the file to install is not a start-up screen; detail says why
    NotADisk,          // neither a partition table nor a FAT volume; detail says what was found
    UnsupportedImage,  // a kind of disk image that is not raw (a dynamic VHD, say)
    NoSuchPartition,   // --partition names one that is empty or not there
    NotFat,            // the partition is not FAT12, FAT16 or FAT32; detail names its type
    BadVolume,         // the boot sector's numbers do not fit together, the volume or its room
    VolumeErrors,      // a chain or folder the change touches is damaged; detail says which
    NameInTheWay,      // a folder, label or protected file has a name the change needs
    BadWindowsFolder,  // \MSDOS.SYS names a Windows folder that cannot be taken literally
    NoFolder,          // the folder the screen goes into is not on the volume
    NotOnDisk,         // extract: the screen is not on the volume
    TooLarge,          // extract: the file on the volume is far larger than any screen
    ReadOnlyImage,     // an interrupted install needs finishing, but the image is read-only
    ToolMissing,       // mtools is not installed
    VolumeFull,        // no room on the volume for the screen
    ToolFailed,        // mtools refused; detail has its words
    NotVerified,       // the file read back from the volume is not what was written
    WriteFailed,       // extract: the screen could not be written out; detail says why
};

struct DiskError {
    DiskErrorKind kind = DiskErrorKind::ToolFailed;
    std::string detail{};
};

// The reason in plain English, for the command line.
std::string DescribeDiskError(const DiskError& error);

// Whether the error is about the input (the disk image or what is on it: exit status 1), rather
// than a write that failed (exit status 3).
bool IsInputError(const DiskError& error);

}  // namespace rotopal
