#include "disk/mtools.h"

#include <cerrno>
#include <cstdlib>

namespace rotopal {
namespace {

// What the child gets: the image as its descriptor 3, our configuration as 4, content as 5.
constexpr const char* kImageName = "/proc/self/fd/3";
constexpr const char* kConfigurationName = "/proc/self/fd/4";
constexpr const char* kContentName = "/proc/self/fd/5";

// Read after /etc/mtools.conf and ~/.mtoolsrc, so it overrides them: every global flag that
// changes which names match or what is written is set to mtools's own default, and drive Z: is
// the volume. Locking is ours: the child shares our locked open file.
std::string Configuration(std::uint64_t offset) {
    return "MTOOLS_SKIP_CHECK=0\n"
           "MTOOLS_LOWER_CASE=0\n"
           "MTOOLS_FAT_COMPATIBILITY=0\n"
           "MTOOLS_NO_VFAT=0\n"
           "MTOOLS_DOTTED_DIR=0\n"
           "MTOOLS_NAME_NUMERIC_TAIL=1\n"
           "drive z: file=\"" + std::string(kImageName) + "\" offset=" + std::to_string(offset) +
           " nolock\n";
}

// "Z:" and the path with forward slashes.
std::string OnDrive(const std::string& path) {
    std::string name = "z:";
    for (const char c : path) {
        name += c == '\\' ? '/' : c;
    }
    return name;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

Failure<DiskError> Refused(const std::string& command, const ProcessOutput& output) {
    const bool full = output.err.find("Disk full") != std::string::npos ||
                      output.err.find("No free cluster") != std::string::npos ||
                      output.err.find("No directory slots") != std::string::npos;
    // A tool that a signal ended, or that failed without a word, is told by how it ended.
    std::string said = FirstLine(output.err);
    if (output.exitCode > 128) {
        said = "stopped by signal " + std::to_string(output.exitCode - 128);
    } else if (said.find_first_not_of(" .") == std::string::npos) {
        said = "failed with exit status " + std::to_string(output.exitCode);
    }
    return Failure{DiskError{.kind = full ? DiskErrorKind::VolumeFull : DiskErrorKind::ToolFailed,
                             .detail = command + ": " + said}};
}

}  // namespace

Result<Mtools, DiskError> Mtools::For(const DiskImage& image, std::uint64_t offset) {
    const std::string text = Configuration(offset);
    const std::array pieces{std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())};
    auto configuration = MakePrivateFile(pieces);
    if (!configuration) {
        return Failure{DiskError{.kind = DiskErrorKind::ToolFailed,
                                 .detail = "cannot prepare mtools's settings: " +
                                           DescribeFileReadError(configuration.error())}};
    }
    return Mtools(image, std::move(configuration.value()));
}

Result<ProcessOutput, DiskError> Mtools::Run(const std::string& command,
                                             std::vector<std::string> arguments,
                                             const ReadableFile* content,
                                             const OutputSink& sink) const {
    ChildProgram program{.arguments = {command},
                         .environment = {"LC_ALL=C", "HOME=/nonexistent",
                                         std::string("MTOOLSRC=") + kConfigurationName},
                         .handed = {image_->descriptor(), configuration_.descriptor()}};
    if (const char* zone = std::getenv("TZ")) {
        program.environment.push_back(std::string("TZ=") + zone);  // the files' times
    }
    if (content != nullptr) {
        program.handed.push_back(content->descriptor());
    }
    program.arguments.insert(program.arguments.end(), arguments.begin(), arguments.end());
    auto ran = RunProgram(program, sink);
    if (!ran) {
        if (ran.error().systemError == ENOENT) {
            return Failure{DiskError{.kind = DiskErrorKind::ToolMissing, .detail = command}};
        }
        return Failure{DiskError{.kind = DiskErrorKind::ToolFailed,
                                 .detail = command + ": " + SystemReason(ran.error().systemError)}};
    }
    if (ran.value().exitCode != 0) {
        return Refused(command, ran.value());
    }
    return std::move(ran.value());
}

Result<void, DiskError> Mtools::CopyIn(const ReadableFile& content, const std::string& path) const {
    // The content is read from its start through a new opening of it.
    if (auto ran = Run("mcopy", {kContentName, OnDrive(path)}, &content, {}); !ran) {
        return Failure{ran.error()};
    }
    return {};
}

Result<void, DiskError> Mtools::Rename(const std::string& from, const std::string& to) const {
    if (auto ran = Run("mren", {OnDrive(from), OnDrive(to)}, nullptr, {}); !ran) {
        return Failure{ran.error()};
    }
    return {};
}

Result<void, DiskError> Mtools::Delete(const std::string& path) const {
    if (auto ran = Run("mdel", {OnDrive(path)}, nullptr, {}); !ran) {
        return Failure{ran.error()};
    }
    return {};
}

Result<std::uint64_t, DiskError> Mtools::Type(const std::string& path,
                                              const OutputSink& sink) const {
    std::uint64_t count = 0;
    const auto ran = Run("mtype", {OnDrive(path)}, nullptr,
                         [&](std::span<const std::uint8_t> piece) {
                             count += piece.size();
                             sink(piece);
                         });
    if (!ran) {
        return Failure{ran.error()};
    }
    return count;
}

}  // namespace rotopal
