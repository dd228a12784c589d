#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"
#include "document/file_io.h"

namespace rotopal {

// The one way into a disk image: opened once, locked for as long as it is held (by this process
// and by every mtools run on it, which gets the same open file), read by byte ranges. Writes
// go through mtools on the descriptor, never through a name that could point elsewhere.
class DiskImage {
public:
    // Opens and locks the image, waiting a while for another holder of the lock. A read-only
    // image opens for reading when ReadWrite is asked but only reading is needed (extract).
    static Result<DiskImage, DiskError> Open(const std::string& path, LockedAccess access);

    std::uint64_t size() const { return file_.size(); }
    bool writable() const { return writable_; }
    int descriptor() const { return file_.descriptor(); }
    // Up to size bytes from the offset on, fewer where the image ends.
    Result<std::vector<std::uint8_t>, DiskError> Read(std::uint64_t offset, std::size_t size) const;
    // The same into the caller's buffer, the part past the image's end zeroed.
    Result<void, DiskError> ReadInto(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

private:
    DiskImage(ReadableFile file, bool writable) : file_(std::move(file)), writable_(writable) {}
    ReadableFile file_;
    bool writable_;
};

}  // namespace rotopal
