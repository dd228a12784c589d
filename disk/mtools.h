#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/result.h"
#include "disk/disk_error.h"
#include "disk/disk_image.h"
#include "document/file_io.h"
#include "process/child_process.h"

namespace rotopal {

// mtools's commands on the FAT volume at an offset of a locked disk image. Each runs as a child
// process that gets the image's own open file (so it holds the lock too, and cannot open
// another file of a similar name) and a configuration of our own that names it as drive Z:,
// with a clean environment, so that no setting of the user's changes what a command does.
// Paths are DOS paths from the root, such as "\WIN98\LOGOW.SYS", made of checked short names
// only, so that none can be read as a pattern; mtools's complaints come back in its own words.
class Mtools {
public:
    static Result<Mtools, DiskError> For(const DiskImage& image, std::uint64_t offset);

    // Copies the content in under a name that does not exist yet.
    Result<void, DiskError> CopyIn(const ReadableFile& content, const std::string& path) const;
    Result<void, DiskError> Rename(const std::string& from, const std::string& to) const;
    Result<void, DiskError> Delete(const std::string& path) const;
    // Streams the file's bytes to the sink; gives how many there were.
    Result<std::uint64_t, DiskError> Type(const std::string& path, const OutputSink& sink) const;

private:
    Mtools(const DiskImage& image, ReadableFile configuration)
        : image_(&image), configuration_(std::move(configuration)) {}
    Result<ProcessOutput, DiskError> Run(const std::string& command,
                                         std::vector<std::string> arguments,
                                         const ReadableFile* content, const OutputSink& sink) const;

    const DiskImage* image_;
    ReadableFile configuration_;
};

}  // namespace rotopal
