#include "disk/disk_image.h"

#include <algorithm>
#include <cerrno>

namespace rotopal {
namespace {

// Long enough for another install to finish; short enough that a forgotten holder is told.
constexpr int kLockWaitSeconds = 30;

}  // namespace

Result<DiskImage, DiskError> DiskImage::Open(const std::string& path, LockedAccess access) {
    auto opened = OpenLocked(path, access, kLockWaitSeconds);
    bool writable = access == LockedAccess::ReadWrite;
    if (!opened && writable && opened.error().kind == FileReadError::Kind::System &&
        (opened.error().systemError == EACCES || opened.error().systemError == EROFS ||
         opened.error().systemError == EPERM)) {
        opened = OpenLocked(path, LockedAccess::ReadOnly, kLockWaitSeconds);
        writable = false;
    }
    if (!opened) {
        const auto kind = opened.error().kind == FileReadError::Kind::Busy ? DiskErrorKind::Busy
                                                                            : DiskErrorKind::CannotOpen;
        return Failure{DiskError{.kind = kind, .detail = DescribeFileReadError(opened.error())}};
    }
    return DiskImage(std::move(opened.value()), writable);
}

Result<std::vector<std::uint8_t>, DiskError> DiskImage::Read(std::uint64_t offset,
                                                             std::size_t size) const {
    auto bytes = file_.ReadAt(offset, size);
    if (!bytes) {
        return Failure{DiskError{.kind = DiskErrorKind::CannotOpen,
                                 .detail = DescribeFileReadError(bytes.error())}};
    }
    return std::move(bytes.value());
}

Result<void, DiskError> DiskImage::ReadInto(std::uint64_t offset,
                                            std::span<std::uint8_t> buffer) const {
    const auto filled = file_.ReadInto(offset, buffer);
    if (!filled) {
        return Failure{DiskError{.kind = DiskErrorKind::CannotOpen,
                                 .detail = DescribeFileReadError(filled.error())}};
    }
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(filled.value()), buffer.end(), 0);
    return {};
}

}  // namespace rotopal
