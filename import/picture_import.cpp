#include "import/picture_import.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "core/version.h"
#include "document/file_io.h"
#include "document/logo_reader.h"
#include "process/child_process.h"

namespace rotopal {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kMostAllowance = 1024 * kMiB;
// Below this the decoder cannot even map its libraries.
constexpr std::uint64_t kLeastAllowance = 64 * kMiB;
constexpr const char* kDecoderFile = "rotopal-decode";

// What the decoder (or glib, libstdc++ and libgomp in it) says on stderr when memory runs out,
// and what the decoder says itself when a fatal signal comes with its address space spent.
bool SaysOutOfMemory(const std::string& errors) {
    constexpr std::array<std::string_view, 9> kWords{
        "failed to allocate",    "Cannot allocate memory", "out of memory",
        "Out of memory",         "bad_alloc",              "Thread creation failed",
        "Error creating thread", "out of address space",
        // The dynamic linker, when the allowance cannot even hold the decoder's libraries.
        "failed to map segment"};
    return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view words) {
        return errors.find(words) != std::string::npos;
    });
}

// The decoder's file: where ROTOPAL_DECODER says, else where the package puts it beside the
// programs, else the build's own.
std::optional<std::string> FindDecoder() {
    if (const char* chosen = std::getenv("ROTOPAL_DECODER"); chosen != nullptr && *chosen != '\0') {
        return std::string(chosen);
    }
    if (const std::string folder = ProgramFolder(); !folder.empty()) {
        const std::string installed =
            folder + "/" ROTOPAL_DECODER_FROM_PROGRAMS "/" + std::string(kDecoderFile);
        if (IsExecutable(installed)) {
            return installed;
        }
    }
    if (IsExecutable(ROTOPAL_BUILD_DECODER)) {
        return std::string(ROTOPAL_BUILD_DECODER);
    }
    return std::nullopt;
}

// The decoder's whole environment. libvips is pointed at a home without its optional loader
// modules, so that it starts without mapping ImageMagick and the rest; the decoder loads the one
// a picture needs. OpenMP's threads sleep rather than spin while they wait, malloc keeps few
// arenas (each one is address space), and messages are in English, as they are read here.
std::vector<std::string> DecoderEnvironment() {
    std::vector<std::string> environment{
        "VIPSHOME=" ROTOPAL_VIPS_HOME, "OMP_WAIT_POLICY=PASSIVE", "OMP_NUM_THREADS=1",
        "MALLOC_ARENA_MAX=2",          "G_SLICE=always-malloc",   "LC_ALL=C",
        "HOME=/nonexistent"};
    // A sanitizer's settings reach an instrumented decoder, so that its reports stop it.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

ImportError FromReadError(const FileReadError& error) {
    if (error.kind == FileReadError::Kind::NotRegularFile) {
        return ImportError{.kind = ImportErrorKind::NotRegularFile};
    }
    return ImportError{.kind = ImportErrorKind::CannotOpen, .systemError = error.systemError};
}

}  // namespace

std::optional<std::uint64_t> MemoryAllowanceFromEnvironment(std::string* errorText) {
    const char* text = std::getenv("ROTOPAL_DECODER_MEMORY_MIB");
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long mib = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || mib * kMiB < kLeastAllowance ||
        mib > (std::uint64_t{1} << 40)) {
        if (errorText != nullptr) {
            *errorText = std::string("ROTOPAL_DECODER_MEMORY_MIB=") + text +
                         " is not a number of MiB from 64 up; the default is used";
        }
        return std::nullopt;
    }
    return mib * kMiB;
}

DecoderLimits DefaultDecoderLimits() {
    DecoderLimits limits;
    const std::uint64_t half = PhysicalMemoryBytes() / 2;
    limits.addressSpaceBytes = MemoryAllowanceFromEnvironment().value_or(
        half == 0 ? kMostAllowance : std::min(kMostAllowance, half));
#if defined(ROTOPAL_SANITIZED)
    limits.addressSpaceBytes = 0;  // the sanitizer's shadow memory alone is terabytes
#endif
    return limits;
}

// The talk with one decoder: requests go one at a time; Kill may come from another thread.
struct PictureDecoder::Channel {
    Channel(ChildProcess started, const DecoderLimits& chosen, ReadableFile given)
        : child(std::move(started)), limits(chosen), picture(std::move(given)) {}

    ChildProcess child;
    DecoderLimits limits;
    ReadableFile picture;  // kept open for the decoder's life
    mutable std::mutex talking;
    std::atomic<bool> killed{false};
    std::optional<ImportError> ended;  // once it has ended, every request gets this

    // What the decoder's end means, once it has gone without an answer.
    ImportError Ending(ImportError timedOut = {}) {
        if (timedOut.kind == ImportErrorKind::TimedOut) {
            child.Kill();
            child.Wait();
            return timedOut;
        }
        const ChildEnding ending = child.Wait();
        const std::string errors = child.errors();
        if (killed) {
            return ImportError{.kind = ImportErrorKind::DecoderStopped, .signal = SIGKILL};
        }
        if (SaysOutOfMemory(errors)) {
            return ImportError{.kind = ImportErrorKind::OutOfMemory, .limit = limits.addressSpaceBytes};
        }
        if (ending.signal == SIGXCPU) {
            return ImportError{.kind = ImportErrorKind::TimedOut, .limit = limits.cpuSeconds};
        }
        // Nobody here sent it: the kernel stops a process this way when memory runs out.
        if (ending.signal == SIGKILL) {
            return ImportError{.kind = ImportErrorKind::OutOfMemory,
                               .detail = "the system stopped the decoder"};
        }
        return ImportError{.kind = ImportErrorKind::DecoderStopped, .signal = ending.signal,
                           .exitCode = ending.signal == 0 ? ending.exitCode : 0};
    }

    // Broken, and every later request refused the same way.
    ImportError EndBroken(const std::string& what) {
        ended = Broken(what);
        return *ended;
    }

    ImportError Broken(const std::string& what) {
        child.Kill();
        child.Wait();
        return ImportError{.kind = ImportErrorKind::BrokenReply, .detail = what};
    }

    // The next message from the decoder, Progress ones handed to `progress` on the way.
    Result<Message, ImportError> Receive(std::chrono::seconds within, const ImportProgress& progress) {
        const auto deadline = ChildProcess::Clock::now() + within;
        const ImportError timedOut{.kind = ImportErrorKind::TimedOut,
                                   .limit = static_cast<std::uint64_t>(within.count())};
        for (;;) {
            std::array<std::uint8_t, kFrameHeaderBytes> header{};
            auto got = child.Receive(header, deadline);
            if (got != ChildProcess::Received::All) {
                return Failure{Ending(got == ChildProcess::Received::TimedOut ? timedOut : ImportError{})};
            }
            const auto length = FrameLength(header);
            if (!length) {
                return Failure{Broken(length.error().what)};
            }
            std::vector<std::uint8_t> frame(length.value());
            got = child.Receive(frame, deadline);
            if (got != ChildProcess::Received::All) {
                return Failure{Ending(got == ChildProcess::Received::TimedOut ? timedOut : ImportError{})};
            }
            auto message = ParseMessage(frame);
            if (!message) {
                return Failure{Broken(message.error().what)};
            }
            if (message.value().kind != MessageKind::Progress) {
                return std::move(message.value());
            }
            const auto percent = ParseProgress(message.value().body);
            if (!percent) {
                return Failure{Broken(percent.error().what)};
            }
            if (progress) {
                progress(percent.value());
            }
        }
    }

    // Sends a request and gives the final reply; a Failed reply is its error.
    Result<Message, ImportError> Ask(const Message& request, std::chrono::seconds within,
                                     const ImportProgress& progress) {
        if (ended) {
            return Failure{*ended};
        }
        if (!child.Send(FrameMessage(request))) {
            ended = Ending();
            return Failure{*ended};
        }
        auto reply = Receive(within, progress);
        if (!reply) {
            ended = reply.error();
            return Failure{*ended};
        }
        if (reply.value().kind == MessageKind::Failed) {
            const auto error = ParseFailed(reply.value().body);
            if (!error) {
                ended = Broken(error.error().what);
                return Failure{*ended};
            }
            return Failure{error.value()};
        }
        return reply;
    }
};

PictureDecoder::PictureDecoder(std::unique_ptr<Channel> channel) : channel_(std::move(channel)) {}

PictureDecoder::~PictureDecoder() = default;

namespace {

Result<std::shared_ptr<PictureDecoder>, ImportError> StartWith(ReadableFile picture,
                                                               const DecoderLimits& limits) {
    const auto program = FindDecoder();
    if (!program) {
        return Failure{ImportError{.kind = ImportErrorKind::HelperMissing,
                                   .detail = std::string(kDecoderFile) + " cannot be found"}};
    }
    ChildLimits childLimits{.addressSpaceBytes = std::nullopt, .cpuSeconds = limits.cpuSeconds};
    if (limits.addressSpaceBytes != 0) {
        childLimits.addressSpaceBytes = limits.addressSpaceBytes;
    }
    // What a want of memory names is the allowance the decoder really has.
    DecoderLimits given = limits;
    given.addressSpaceBytes = AddressSpaceWithin(childLimits.addressSpaceBytes).value_or(0);
    auto child = ChildProcess::Start(ChildProgram{.arguments = {*program},
                                                  .environment = DecoderEnvironment(),
                                                  .handed = {picture.descriptor()},
                                                  .limits = childLimits});
    if (!child) {
        return Failure{ImportError{.kind = child.error().systemError == ENOENT
                                               ? ImportErrorKind::HelperMissing
                                               : ImportErrorKind::NotStarted,
                                   .systemError = child.error().systemError,
                                   .detail = *program + ": " + SystemReason(child.error().systemError)}};
    }
    auto channel = std::make_unique<PictureDecoder::Channel>(std::move(child.value()), given,
                                                             std::move(picture));
    // It speaks first, once it has started libvips and shut itself in.
    const auto ready = channel->Receive(limits.start, {});
    if (!ready) {
        ImportError error = ready.error();
        if (error.kind == ImportErrorKind::DecoderStopped && error.signal == 0 && error.exitCode == 127) {
            error = ImportError{.kind = ImportErrorKind::HelperMissing, .detail = *program + " cannot be run"};
        }
        return Failure{error};
    }
    if (ready.value().kind == MessageKind::Failed) {
        const auto error = ParseFailed(ready.value().body);
        return Failure{error ? error.value() : channel->Broken(error.error().what)};
    }
    const auto body = ready.value().kind == MessageKind::Ready
                          ? ParseReady(ready.value().body)
                          : Result<ReadyBody, ProtocolError>(Failure{ProtocolError{"no Ready"}});
    if (!body || body.value().protocol != kDecodeProtocolVersion ||
        body.value().version != kVersion) {
        channel->Broken("");
        return Failure{ImportError{.kind = ImportErrorKind::HelperMissing,
                                   .detail = *program + " is not the picture decoder of rotopal " +
                                             std::string(kVersion)}};
    }
    return std::make_shared<PictureDecoder>(std::move(channel));
}

}  // namespace

Result<std::shared_ptr<PictureDecoder>, ImportError> PictureDecoder::Start(
    const std::string& path, const DecoderLimits& limits) {
    auto picture = OpenForReading(path);
    if (!picture) {
        return Failure{FromReadError(picture.error())};
    }
    return StartWith(std::move(picture.value()), limits);
}

Result<std::shared_ptr<PictureDecoder>, ImportError> PictureDecoder::Start(
    std::span<const std::uint8_t> bytes, const DecoderLimits& limits) {
    const std::array pieces{bytes};
    auto picture = MakePrivateFile(pieces);
    if (!picture) {
        return Failure{FromReadError(picture.error())};
    }
    return StartWith(std::move(picture.value()), limits);
}

Result<DecodedBody, ImportError> PictureDecoder::Decode(const ImportProgress& progress) {
    const std::lock_guard lock(channel_->talking);
    const auto reply = channel_->Ask(DecodeRequest(), channel_->limits.decode, progress);
    if (!reply) {
        return Failure{reply.error()};
    }
    auto decoded = ParseDecoded(reply.value().body);
    if (reply.value().kind != MessageKind::Decoded || !decoded) {
        return Failure{channel_->EndBroken("not the answer to Decode")};
    }
    return std::move(decoded.value());
}

Result<ImportedScreen, ImportError> PictureDecoder::Make(const ImportOptions& options) {
    if (const auto problem = OptionsProblem(options)) {
        return Failure{ImportError{.kind = ImportErrorKind::InvalidOptions, .detail = *problem}};
    }
    const std::lock_guard lock(channel_->talking);
    const auto reply = channel_->Ask(MakeRequest(options), channel_->limits.make, {});
    if (!reply) {
        return Failure{reply.error()};
    }
    auto screen = ParseScreen(reply.value().body);
    if (reply.value().kind != MessageKind::Screen || !screen) {
        return Failure{channel_->EndBroken("not the answer to Make")};
    }
    // The screen is read as any file is: what the decoder sent must be a sound screen.
    auto document = DecodeLogoFile(screen.value().file, [](int) { return false; });
    if (!document || document.value().repairs != LogoRepairs{} ||
        document.value().document.lastIndex != 255) {
        return Failure{channel_->EndBroken("the screen it sent is not sound")};
    }
    return ImportedScreen{std::move(document.value().document), std::move(screen.value().repairs)};
}

bool PictureDecoder::ended() const {
    const std::lock_guard lock(channel_->talking);
    return channel_->ended.has_value();
}

void PictureDecoder::Kill() {
    channel_->killed = true;
    channel_->child.Kill();
}

ImportError PictureDecoder::Misbehave(const MisbehaveBody& how) {
    const std::lock_guard lock(channel_->talking);
    const auto reply = channel_->Ask(MisbehaveRequest(how), channel_->limits.make, {});
    return reply ? ImportError{.kind = ImportErrorKind::BrokenReply, .detail = "it answered"}
                 : reply.error();
}

Result<ImportedScreen, ImportError> ImportPictureFile(const std::string& path,
                                                      const ImportOptions& options,
                                                      const ImportProgress& progress,
                                                      const DecoderLimits& limits) {
    if (const auto problem = OptionsProblem(options)) {
        return Failure{ImportError{.kind = ImportErrorKind::InvalidOptions, .detail = *problem}};
    }
    const auto decoder = PictureDecoder::Start(path, limits);
    if (!decoder) {
        return Failure{decoder.error()};
    }
    // Decoding is most of an import: the screen takes the last tenth.
    const auto decoded = decoder.value()->Decode(
        progress ? ImportProgress([&](int percent) { progress(percent * 9 / 10); }) : ImportProgress());
    if (!decoded) {
        return Failure{decoded.error()};
    }
    auto screen = decoder.value()->Make(options);
    if (screen && progress) {
        progress(100);
    }
    return screen;
}

Result<ImportedScreen, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                  const ImportOptions& options,
                                                  const ImportProgress& progress) {
    const auto decoder = PictureDecoder::Start(bytes);
    if (!decoder) {
        return Failure{decoder.error()};
    }
    const auto decoded = decoder.value()->Decode(progress);
    if (!decoded) {
        return Failure{decoded.error()};
    }
    return decoder.value()->Make(options);
}

PictureFormat PictureFileFormat(const std::string& path) {
    const auto head = ReadFilePrefix(path, kPictureSignatureBytes);
    return head ? SniffPictureFormat(head.value().span()) : PictureFormat::Unknown;
}

}  // namespace rotopal
