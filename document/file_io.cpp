#include "document/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/message_layout.h"

namespace rotopal {
namespace {

// Closes a descriptor when it goes out of scope, unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor over to a new owner.
    int Release() { return std::exchange(fd_, -1); }

    // Closes now and reports the result, which for a written file may carry a late I/O error.
    int CloseChecked() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

private:
    int fd_;
};

// Writes all pieces with as few system calls as the kernel allows, resuming after short writes.
bool WriteAll(int fd, std::span<const std::span<const std::uint8_t>> pieces) {
    constexpr std::size_t kMaxPieces = 8;
    if (pieces.size() > kMaxPieces) {
        return WriteAll(fd, pieces.first(kMaxPieces)) && WriteAll(fd, pieces.subspan(kMaxPieces));
    }
    std::array<iovec, kMaxPieces> vectors{};
    std::size_t count = 0;
    for (const auto piece : pieces) {
        if (!piece.empty()) {
            // writev takes non-const buffers but only reads them.
            vectors[count++] = {const_cast<std::uint8_t*>(piece.data()), piece.size()};
        }
    }
    std::size_t first = 0;
    while (first < count) {
        const ssize_t n = ::writev(fd, vectors.data() + first, static_cast<int>(count - first));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            // A regular file that accepts nothing is full; never spin on it.
            errno = ENOSPC;
            return false;
        }
        auto done = static_cast<std::size_t>(n);
        while (first < count && done >= vectors[first].iov_len) {
            done -= vectors[first++].iov_len;
        }
        if (first < count) {
            vectors[first].iov_base = static_cast<std::uint8_t*>(vectors[first].iov_base) + done;
            vectors[first].iov_len -= done;
        }
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// What stands where a write is going: the file it really replaces (the end of a symbolic-link
// chain, or the path itself) and that file's status when there is one.
struct Target {
    std::string path;
    bool exists = false;
    struct stat status {};
};

Target InspectTarget(const std::string& path) {
    Target target{path};
    if (::lstat(path.c_str(), &target.status) != 0) {
        return target;
    }
    target.exists = true;
    if (!S_ISLNK(target.status.st_mode)) {
        return target;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        target.exists = false;  // a dangling link is replaced by the file, as a rename does
        return target;
    }
    target.path = resolved;
    target.exists = ::stat(resolved, &target.status) == 0;
    return target;
}

// Opens a new, uniquely named file next to target. The name starts with a dot so that a file
// left behind by a crash stays out of the way; the mode is 0666 less the umask, as for any
// newly created file.
int CreateTemporaryNextTo(const std::string& target, std::string& temporaryPath) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto folder = FolderOf(target);
    const auto base = target.substr(target.find_last_of('/') + 1);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        // Clashes with another writer are settled by O_EXCL and the next attempt.
        temporaryPath = folder + "/." + base + ".tmp-" + std::to_string(now.tv_sec % 100000) +
                        std::to_string(now.tv_nsec) + "-" + std::to_string(attempt);
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable. A folder that cannot be synced does not undo the save.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsOpenFile(const std::string& path, int descriptor) {
    struct stat named {}, open {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(descriptor, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool IsStandardOutput(const std::string& path) {
    return IsOpenFile(path, STDOUT_FILENO);
}

void ReportFileSizeLimitAsError() {
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader that goes away early (gif ... /dev/stdout | head) is a failed write too.
    std::signal(SIGPIPE, SIG_IGN);
}

std::string SystemReason(int systemError) {
    return std::strerror(systemError);
}

std::string DescribeWriteError(const WriteError& error, const WriteWording& wording) {
    return FillIn(wording.layout, {{"path", error.path},
                                   {"step", wording.steps.at(static_cast<std::size_t>(error.step))},
                                   {"reason", wording.reason(error.systemError)}});
}

FileBytes::FileBytes(std::size_t capacity)
    : data_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)) {}

// Both readers in one: the file's first maxBytes, or, with refuseLonger, all of it or nothing.
Result<FileBytes, FileReadError> ReadFileBytes(const std::string& path, std::size_t maxBytes,
                                               bool refuseLonger);

Result<FileBytes, FileReadError> ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
    return ReadFileBytes(path, maxBytes, false);
}

Result<FileBytes, FileReadError> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    return ReadFileBytes(path, maxBytes, true);
}

namespace {

// Opens path for reading when it is a regular file, and gives its status.
Result<Descriptor, FileReadError> OpenRegularFile(const std::string& path, struct stat& st) {
    using Kind = FileReadError::Kind;
    // O_NONBLOCK keeps open() from waiting for a writer when the path names a pipe.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid()) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    if (::fstat(file.get(), &st) != 0) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure{FileReadError{Kind::NotRegularFile, 0}};
    }
    return file;
}

}  // namespace

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

ReadableFile::~ReadableFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Result<std::size_t, FileReadError> ReadableFile::ReadInto(std::uint64_t offset,
                                                         std::span<std::uint8_t> buffer) const {
    return ReadAtOffset(fd_, offset, buffer);
}

Result<std::size_t, FileReadError> ReadAtOffset(int descriptor, std::uint64_t offset,
                                                std::span<std::uint8_t> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t n = ::pread(descriptor, buffer.data() + filled, buffer.size() - filled,
                                  static_cast<off_t>(offset + filled));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure{FileReadError{FileReadError::Kind::System, errno}};
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

Result<std::vector<std::uint8_t>, FileReadError> ReadableFile::ReadAt(std::uint64_t offset,
                                                                     std::size_t maxBytes) const {
    std::vector<std::uint8_t> bytes(maxBytes);
    const auto filled = ReadInto(offset, bytes);
    if (!filled) {
        return Failure{filled.error()};
    }
    bytes.resize(filled.value());
    return bytes;
}

Result<ReadableFile, FileReadError> OpenForReading(const std::string& path) {
    struct stat st {};
    auto file = OpenRegularFile(path, st);
    if (!file) {
        return Failure{file.error()};
    }
    return ReadableFile(file.value().Release(), static_cast<std::uint64_t>(st.st_size));
}

Result<ReadableFile, FileReadError> OpenLocked(const std::string& path, LockedAccess access,
                                               int waitSeconds) {
    using Kind = FileReadError::Kind;
    const int mode = access == LockedAccess::ReadWrite ? O_RDWR : O_RDONLY;
    Descriptor file(::open(path.c_str(), mode | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure{FileReadError{Kind::NotRegularFile, 0}};
    }
    // Polled rather than blocking, so that the wait has an end.
    constexpr long kPollNanoseconds = 50'000'000;
    for (long waited = 0;; waited += kPollNanoseconds) {
        if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
            break;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return Failure{FileReadError{Kind::System, errno}};
        }
        if (waited >= waitSeconds * 1'000'000'000L) {
            return Failure{FileReadError{Kind::Busy, 0}};
        }
        const timespec pause{0, kPollNanoseconds};
        ::nanosleep(&pause, nullptr);
    }
    // Taken again now that the lock is held: a writer before us may have changed it.
    if (::fstat(file.get(), &st) != 0) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    return ReadableFile(file.Release(), static_cast<std::uint64_t>(st.st_size));
}

Result<ReadableFile, FileReadError> MakePrivateFile(
    std::span<const std::span<const std::uint8_t>> pieces) {
    using Kind = FileReadError::Kind;
    Descriptor file(::memfd_create("rotopal", MFD_CLOEXEC));
    if (!file.valid()) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    if (!WriteAll(file.get(), pieces) || ::lseek(file.get(), 0, SEEK_SET) != 0) {
        return Failure{FileReadError{Kind::System, errno}};
    }
    std::uint64_t size = 0;
    for (const auto piece : pieces) {
        size += piece.size();
    }
    return ReadableFile(file.Release(), size);
}

std::string DescribeFileReadError(const FileReadError& error) {
    switch (error.kind) {
        case FileReadError::Kind::System: return SystemReason(error.systemError);
        case FileReadError::Kind::NotRegularFile:
            return "it is not a regular file (a folder, a device or a pipe)";
        case FileReadError::Kind::TooLarge: return "it is too large";
        case FileReadError::Kind::Busy:
            return "another program holds its lock (another rotopal-cli install or extract?)";
    }
    return "it cannot be read";
}

Result<FileBytes, FileReadError> ReadFileBytes(const std::string& path, std::size_t maxBytes,
                                               bool refuseLonger) {
    using Kind = FileReadError::Kind;
    struct stat st {};
    auto opened = OpenRegularFile(path, st);
    if (!opened) {
        return Failure{opened.error()};
    }
    const Descriptor& file = opened.value();

    const auto length = static_cast<std::size_t>(st.st_size);
    if (refuseLonger && length > maxBytes) {
        return Failure{FileReadError{Kind::TooLarge, 0}};
    }
    const std::size_t capacity = length < maxBytes ? length : maxBytes;
    FileBytes bytes(capacity);
    std::size_t& filled = bytes.size_;
    // A file that shrinks while it is read ends where it ends; growth after the size was taken
    // is not looked at.
    while (filled < capacity) {
        const ssize_t n = ::read(file.get(), bytes.data_.get() + filled, capacity - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure{FileReadError{Kind::System, errno}};
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return bytes;
}

FileReplacement::FileReplacement(std::string path, std::string target, std::string temporary,
                                 int fd, Durability durability)
    : path_(std::move(path)),
      target_(std::move(target)),
      temporary_(std::move(temporary)),
      fd_(fd),
      durability_(durability) {}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      fd_(std::exchange(other.fd_, -1)),
      durability_(other.durability_) {}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) {
        ::close(fd_);
        if (!temporary_.empty()) {
            ::unlink(temporary_.c_str());
        }
    }
}

Result<FileReplacement, WriteError> FileReplacement::Begin(const std::string& path,
                                                           Durability durability) {
    const auto fail = [&path](WriteStep step, int systemError) {
        return Failure{WriteError{step, path, systemError}};
    };
    // A device or a FIFO has no content to replace: renaming over it would put a regular file
    // where /dev/null or a pipe's reader was.
    struct stat followed {};
    if (::stat(path.c_str(), &followed) == 0 && !S_ISREG(followed.st_mode)) {
        if (S_ISDIR(followed.st_mode)) {
            return fail(WriteStep::Check, EISDIR);
        }
        if (!S_ISCHR(followed.st_mode) && !S_ISFIFO(followed.st_mode)) {
            return fail(WriteStep::Check, EPERM);  // a block device or a socket
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return fail(WriteStep::Check, errno);
        }
        return FileReplacement(path, path, "", fd, durability);
    }

    const Target inspected = InspectTarget(path);
    const struct stat& old = inspected.status;
    if (inspected.exists) {
        // Checked up front: the rename would refuse a folder only after all data was written,
        // and on this system it would silently replace a file the user marked read-only.
        if (S_ISDIR(old.st_mode)) {
            return fail(WriteStep::Check, EISDIR);
        }
        if (::access(inspected.path.c_str(), W_OK) != 0) {
            return fail(WriteStep::Check, errno);
        }
    }
    std::string temporaryPath;
    const int fd = CreateTemporaryNextTo(inspected.path, temporaryPath);
    if (fd < 0) {
        return fail(WriteStep::CreateTemporary, errno);
    }
    if (inspected.exists) {
        // A replaced file keeps its permission bits.
        ::fchmod(fd, old.st_mode & 07777);
    }
    return FileReplacement(path, inspected.path, std::move(temporaryPath), fd, durability);
}

Result<void, WriteError> FileReplacement::Abandon(WriteStep step, int systemError) {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
    return Failure{WriteError{step, path_, systemError}};
}

Result<void, WriteError> FileReplacement::Write(
    std::span<const std::span<const std::uint8_t>> pieces) {
    if (fd_ < 0) {
        return Failure{WriteError{WriteStep::Write, path_, EBADF}};
    }
    if (!WriteAll(fd_, pieces)) {
        return Abandon(WriteStep::Write, errno);
    }
    return {};
}

Result<void, WriteError> FileReplacement::Commit() {
    if (fd_ < 0) {
        return Failure{WriteError{WriteStep::Flush, path_, EBADF}};
    }
    const bool through = temporary_.empty();
    if (durability_ == Durability::Synced && !through && ::fsync(fd_) != 0) {
        return Abandon(WriteStep::Flush, errno);
    }
    if (::close(std::exchange(fd_, -1)) != 0) {
        return Abandon(WriteStep::Flush, errno);
    }
    if (through) {
        return {};
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temporary_.c_str());
        return Failure{WriteError{WriteStep::Replace, path_, saved}};
    }
    if (durability_ == Durability::Synced) {
        SyncFolder(FolderOf(target_));
    }
    return {};
}

Result<void, WriteError> WriteFileAtomically(const std::string& path,
                                             std::span<const std::span<const std::uint8_t>> pieces,
                                             Durability durability) {
    auto replacement = FileReplacement::Begin(path, durability);
    if (!replacement) {
        return Failure{replacement.error()};
    }
    if (auto written = replacement.value().Write(pieces); !written) {
        return written;
    }
    return replacement.value().Commit();
}

}  // namespace rotopal
