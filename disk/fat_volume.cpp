#include "disk/fat_volume.h"

#include <algorithm>
#include <cerrno>

#include "disk/mbr.h"
#include "disk/process.h"
#include "document/file_io.h"

namespace rotopal {
namespace {

// A fixed-size VHD ends with a 512-byte footer that starts "conectix"; a dynamic or
// differencing one starts with a copy of it.
constexpr std::string_view kVhdCookie = "conectix";
constexpr std::size_t kVhdDiskTypeAt = 60;  // big-endian: 2 fixed, 3 dynamic, 4 differencing

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() &&
           std::equal(text.begin(), text.end(), bytes.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// mtools's name for a file of the volume: "::" and the path with forward slashes.
std::string MtoolsPath(const std::string& path) {
    std::string name = "::";
    for (const char c : path) {
        name += c == '\\' ? '/' : c;
    }
    return name;
}

std::string ImageArgument(const FatVolume& volume) {
    return volume.image + "@@" + std::to_string(volume.offset);
}

// Runs one of mtools's commands on the volume. Its own settings files are left out, so that a
// user's mtoolsrc cannot change what the commands do.
Result<ProcessOutput, DiskError> Mtools(const std::string& command, const FatVolume& volume,
                                        std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {command, "-i", ImageArgument(volume)});
    auto ran = RunProgram(arguments, {{"MTOOLSRC", "/dev/null"}});
    if (!ran) {
        if (ran.error().systemError == ENOENT) {
            return Failure{DiskError{.kind = DiskErrorKind::ToolMissing, .detail = command}};
        }
        return Failure{DiskError{.kind = DiskErrorKind::ToolFailed,
                                 .systemError = ran.error().systemError,
                                 .detail = command}};
    }
    return std::move(ran.value());
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

bool SaysNotFound(const ProcessOutput& output) {
    return output.err.find("not found") != std::string::npos;
}

Failure<DiskError> Refused(const std::string& command, const ProcessOutput& output) {
    const bool full = output.err.find("Disk full") != std::string::npos ||
                      output.err.find("No free cluster") != std::string::npos ||
                      output.err.find("No directory slots") != std::string::npos;
    return Failure{DiskError{.kind = full ? DiskErrorKind::VolumeFull : DiskErrorKind::ToolFailed,
                             .detail = command + ": " + FirstLine(output.err)}};
}

Result<void, DiskError> Run(const std::string& command, const FatVolume& volume,
                            std::vector<std::string> arguments) {
    auto ran = Mtools(command, volume, std::move(arguments));
    if (!ran) {
        return Failure{ran.error()};
    }
    if (ran.value().exitCode != 0) {
        return Refused(command, ran.value());
    }
    return {};
}

}  // namespace

Result<FatVolume, DiskError> FindFatVolume(const std::string& image,
                                           std::optional<int> partition) {
    const auto file = OpenForReading(image);
    if (!file) {
        return Failure{DiskError{.kind = DiskErrorKind::CannotOpen,
                                 .systemError = file.error().systemError}};
    }
    const auto head = file.value().ReadHead(kSectorBytes);
    if (!head) {
        return Failure{DiskError{.kind = DiskErrorKind::CannotOpen,
                                 .systemError = head.error().systemError}};
    }
    std::uint64_t diskBytes = file.value().size();
    if (StartsWith(head.value(), kVhdCookie)) {
        return Failure{DiskError{.kind = DiskErrorKind::UnsupportedImage,
                                 .detail = "a dynamic or differencing VHD (only fixed-size ones "
                                           "are raw images)"}};
    }
    if (diskBytes >= 2 * kSectorBytes) {
        const auto footer = file.value().ReadAt(diskBytes - kSectorBytes, kSectorBytes);
        if (footer && StartsWith(footer.value(), kVhdCookie) &&
            footer.value().size() > kVhdDiskTypeAt + 3 && footer.value()[kVhdDiskTypeAt + 3] == 2) {
            diskBytes -= kSectorBytes;  // a fixed VHD: the footer is not part of the disk
        }
    }

    if (IsFatBootSector(head.value())) {
        if (partition && *partition != 1) {
            return Failure{DiskError{.kind = DiskErrorKind::NoSuchPartition,
                                     .detail = "the image is one FAT volume, without a "
                                               "partition table"}};
        }
        return FatVolume{image, 0};
    }
    const auto table = ReadPartitionTable(head.value(), diskBytes / kSectorBytes);
    if (!table) {
        return Failure{table.error()};
    }
    const auto& partitions = table.value();
    const auto fat = [](const MbrPartition& p) {
        return FileSystemOfType(p.type) != PartitionFileSystem::Other;
    };
    const MbrPartition* chosen = nullptr;
    if (partition) {
        const auto found = std::find_if(partitions.begin(), partitions.end(),
                                        [&](const MbrPartition& p) { return p.number == *partition; });
        if (found == partitions.end()) {
            return Failure{DiskError{.kind = DiskErrorKind::NoSuchPartition,
                                     .detail = "partition " + std::to_string(*partition) +
                                               " is empty or not there"}};
        }
        chosen = &*found;
    } else {
        const auto active = std::find_if(partitions.begin(), partitions.end(),
                                         [&](const MbrPartition& p) { return p.active && fat(p); });
        const auto first = std::find_if(partitions.begin(), partitions.end(), fat);
        chosen = active != partitions.end() ? &*active
                 : first != partitions.end() ? &*first
                                             : &partitions.front();
    }
    if (!fat(*chosen)) {
        constexpr char kHex[] = "0123456789ABCDEF";
        const std::string type = {'0', 'x', kHex[chosen->type >> 4], kHex[chosen->type & 15]};
        return Failure{DiskError{.kind = DiskErrorKind::NotFat,
                                 .detail = "partition " + std::to_string(chosen->number) +
                                           " is of type " + type}};
    }
    return FatVolume{image, chosen->firstSector * kSectorBytes};
}

Result<std::optional<std::vector<std::uint8_t>>, DiskError> ReadVolumeFile(
    const FatVolume& volume, const std::string& path) {
    auto ran = Mtools("mtype", volume, {MtoolsPath(path)});
    if (!ran) {
        return Failure{ran.error()};
    }
    if (ran.value().exitCode != 0) {
        if (SaysNotFound(ran.value())) {
            return std::optional<std::vector<std::uint8_t>>();
        }
        return Refused("mtype", ran.value());
    }
    return std::optional<std::vector<std::uint8_t>>(std::move(ran.value().out));
}

Result<bool, DiskError> VolumeHas(const FatVolume& volume, const std::string& path) {
    auto ran = Mtools("mdir", volume, {"-b", MtoolsPath(path)});
    if (!ran) {
        return Failure{ran.error()};
    }
    if (ran.value().exitCode != 0 && !SaysNotFound(ran.value())) {
        return Refused("mdir", ran.value());
    }
    return ran.value().exitCode == 0;
}

Result<void, DiskError> CopyIntoVolume(const FatVolume& volume, const std::string& localPath,
                                       const std::string& path) {
    // -o: a name left over from an earlier attempt is overwritten, never asked about.
    return Run("mcopy", volume, {"-o", localPath, MtoolsPath(path)});
}

Result<void, DiskError> RenameOnVolume(const FatVolume& volume, const std::string& from,
                                       const std::string& to) {
    return Run("mren", volume, {MtoolsPath(from), MtoolsPath(to)});
}

Result<void, DiskError> DeleteFromVolume(const FatVolume& volume, const std::string& path) {
    return Run("mdel", volume, {MtoolsPath(path)});
}

}  // namespace rotopal
