#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace rotopal {

// Thin wrappers over the file system: each opens its file, transfers everything in one pass and
// closes it before returning. Parsing and encoding happen elsewhere, on memory.

struct FileReadError {
    enum class Kind {
        System,
        NotRegularFile,
        TooLarge,
        Busy,  // another program holds the file's lock
    };
    Kind kind = Kind::System;
    int systemError = 0;  // errno when kind is System
};

// The reason in plain English: the system's words, or what kind of file it is not.
std::string DescribeFileReadError(const FileReadError& error);

// The bytes of a file, in a buffer that is never zero-filled before it is read into.
class FileBytes {
public:
    explicit FileBytes(std::size_t capacity);
    std::span<const std::uint8_t> span() const { return {data_.get(), size_}; }

private:
    friend Result<FileBytes, FileReadError> ReadFileBytes(const std::string&, std::size_t, bool);
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

// Whether anything, file or folder, has this name.
bool PathExists(const std::string& path);

// Whether the path names the file open as the descriptor (through a link or another name).
bool IsOpenFile(const std::string& path, int descriptor);

// Whether the path names the file this process's standard output goes to (/dev/stdout, or the
// file it is redirected to), where a program's own report would mix with what it writes.
bool IsStandardOutput(const std::string& path);

// Reads the first maxBytes bytes of a regular file (all of it when shorter). Folders, devices
// and pipes are refused without blocking on them.
Result<FileBytes, FileReadError> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

enum class LockedAccess { ReadOnly, ReadWrite };

// A regular file held open for reading, closed when the last owner lets go: for readers that
// pull only what they need, such as a decoder that looks at a picture's header before its pixels.
class ReadableFile {
public:
    ReadableFile(ReadableFile&& other) noexcept;
    ReadableFile& operator=(ReadableFile&& other) noexcept;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;
    ~ReadableFile();

    int descriptor() const { return fd_; }
    // Its size when it was opened.
    std::uint64_t size() const { return size_; }
    // Up to maxBytes from the offset on (fewer where the file ends), read without moving the
    // file's position.
    Result<std::vector<std::uint8_t>, FileReadError> ReadAt(std::uint64_t offset,
                                                            std::size_t maxBytes) const;
    Result<std::vector<std::uint8_t>, FileReadError> ReadHead(std::size_t maxBytes) const {
        return ReadAt(0, maxBytes);
    }
    // The same into the caller's buffer; gives how many bytes came.
    Result<std::size_t, FileReadError> ReadInto(std::uint64_t offset,
                                                std::span<std::uint8_t> buffer) const;

private:
    friend Result<ReadableFile, FileReadError> OpenForReading(const std::string& path);
    friend Result<ReadableFile, FileReadError> OpenLocked(const std::string& path,
                                                          LockedAccess access, int waitSeconds);
    friend Result<ReadableFile, FileReadError> MakePrivateFile(
        std::span<const std::span<const std::uint8_t>> pieces);
    ReadableFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_ = 0;
};

// Opens a regular file for reading; folders, devices and pipes are refused without blocking.
Result<ReadableFile, FileReadError> OpenForReading(const std::string& path);

// Fills the buffer from an open file's offset on, without moving its position; gives how many
// bytes came (fewer where it ends).
Result<std::size_t, FileReadError> ReadAtOffset(int descriptor, std::uint64_t offset,
                                                std::span<std::uint8_t> buffer);

// Opens a regular file and takes an exclusive advisory lock (flock) on it, held until the file
// is closed, by this process and by every child it hands the descriptor to. A lock held by
// another program is waited for up to waitSeconds, then refused as Kind::Busy. Writes go to
// the file through other openings of it (a child's), never through this handle.
Result<ReadableFile, FileReadError> OpenLocked(const std::string& path, LockedAccess access,
                                               int waitSeconds);

// A file of our own that no other process can reach by name: the pieces, in order, in memory
// (memfd), positioned at its start, for handing to a child process.
Result<ReadableFile, FileReadError> MakePrivateFile(
    std::span<const std::span<const std::uint8_t>> pieces);

// Reads a whole regular file, refusing one larger than maxBytes (Kind::TooLarge) before any of
// it is read or a buffer is made for it.
Result<FileBytes, FileReadError> ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Which step of a replacing write failed.
enum class WriteStep {
    Check,            // the target is a folder or a read-only file
    CreateTemporary,  // no temporary file could be made next to the target
    Write,            // writing the content (disk full, file size limit, I/O error)
    Flush,            // flushing or closing the temporary file
    Replace,          // renaming the temporary file over the target
};
inline constexpr std::size_t kWriteSteps = 5;

struct WriteError {
    WriteStep step = WriteStep::Write;
    std::string path;  // the target the caller asked for
    int systemError = 0;

    friend bool operator==(const WriteError&, const WriteError&) = default;
};

// The system's own words for an errno value.
std::string SystemReason(int systemError);

// The words a failed write is told in. The defaults are the command line's English; the window
// supplies its own language's.
struct WriteWording {
    // {path} is the target, {step} what was being done, {reason} why it failed.
    std::string layout = "cannot write {path} ({step}): {reason}";
    // What was being done, by WriteStep.
    std::array<std::string, kWriteSteps> steps = {
        "checking the target", "creating a temporary file next to it", "writing",
        "flushing it to disk", "renaming the temporary file over it"};
    std::string (*reason)(int systemError) = SystemReason;
};

// The failed write as a message: the target, the failing step and the reason.
std::string DescribeWriteError(const WriteError& error, const WriteWording& wording = {});

// Makes a write beyond the process's file-size limit (ulimit -f) fail with EFBIG, and one into a
// pipe whose reader has gone fail with EPIPE, like any other write error, so the temporary file
// is removed and the failure reported, instead of the system ending the process. Programs call
// it once at start.
void ReportFileSizeLimitAsError();

enum class Durability {
    Synced,    // fsync the file and its folder before reporting success
    Buffered,  // leave flushing to the system (frame series, where speed matters)
};

// A file being replaced, written piece by piece: the content goes to a temporary file in the
// target's folder, which takes the target's place only at Commit, once it is completely written.
// Dropped without Commit, it removes the temporary file and leaves the target as it was.
// A character device or a FIFO (/dev/null, /dev/stdout on a pipe) is written through instead,
// since there is no file to replace; any other target that is not a regular file is refused
// (WriteStep::Check, EPERM), and so is a folder (EISDIR).
class FileReplacement {
public:
    static Result<FileReplacement, WriteError> Begin(const std::string& path,
                                                     Durability durability);
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    Result<void, WriteError> Write(std::span<const std::span<const std::uint8_t>> pieces);
    Result<void, WriteError> Write(std::span<const std::uint8_t> bytes) {
        const std::array pieces{bytes};
        return Write(pieces);
    }
    // Flushes as the durability asks and puts the new content in the target's place.
    Result<void, WriteError> Commit();

private:
    FileReplacement(std::string path, std::string target, std::string temporary, int fd,
                    Durability durability);
    Result<void, WriteError> Abandon(WriteStep step, int systemError);

    std::string path_;       // as the caller named it, for messages
    std::string target_;     // the file really replaced: the end of a link chain
    std::string temporary_;  // empty when written through
    int fd_;
    Durability durability_;
};

// Writes the pieces, in order, as the new content of path. The content goes to a temporary file
// in the target's folder, which is renamed over the target only once it is completely written,
// so a failure at any step leaves the old file byte for byte as it was. A symbolic link is
// followed: the file it points to is replaced, and the link stays. Devices and FIFOs are
// written through, as FileReplacement says.
Result<void, WriteError> WriteFileAtomically(const std::string& path,
                                             std::span<const std::span<const std::uint8_t>> pieces,
                                             Durability durability);

}  // namespace rotopal
