// rotopal-decode: the picture decoder. The programs start it for one picture, which it gets as
// its open descriptor 3; its stdin and stdout are a socket to the program, carrying the messages
// of import/decode_protocol.h. It loads what the picture's kind needs (nothing for JPEG, which
// libjpeg reads; libvips's module for the others), shuts itself in (import/decoder_sandbox.h)
// and says Ready; then it answers requests until the program closes the socket or kills it.

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "core/version.h"
#include "document/logo_writer.h"
#include "import/decode_protocol.h"
#include "import/decoder_sandbox.h"
#include "import/decoder_words.h"
#include "import/picture_engine.h"
#include "import/picture_format.h"
#include "import/vips_backend.h"
#include "process/child_process.h"

// Every allocation of the decoder's, its libraries' included, goes through these, which note
// when one fails: what a library then reports (a crash, a "bad seek", "unable to read pixels")
// is told as what it is, running out of the allowance. An instrumented build leaves them to
// the sanitizer.
namespace {
volatile sig_atomic_t allocationFailed = 0;
}  // namespace

#if !defined(ROTOPAL_SANITIZED)
namespace {
// Address space held back from the start and given up at the first failure, so that what
// reports the failure (glib formats a message, a library unwinds) has room to run: without it,
// glib's message about the failed allocation fails too, and recurses until its stack overflows.
void* reserve = nullptr;
constexpr std::size_t kReserveBytes = 8u << 20;
void* Noted(void* block, std::size_t size) {
    if (block == nullptr && size != 0) {
        allocationFailed = 1;
        if (void* held = std::exchange(reserve, nullptr)) {
            std::free(held);
        }
    }
    return block;
}
}  // namespace

// Each thread a library starts gets a stack of its own for the fatal-signal handler, so that a
// thread whose stack overflows (glib recursing on a failed allocation) is still told of.
namespace {
struct ThreadStart {
    void* (*routine)(void*);
    void* argument;
};
void* WithSignalStack(void* data) {
    const ThreadStart start = *static_cast<ThreadStart*>(data);
    std::free(data);
    constexpr std::size_t kStackBytes = 64 * 1024;
    void* stack = std::malloc(kStackBytes);
    if (stack != nullptr) {
        const stack_t alternate{.ss_sp = stack, .ss_flags = 0, .ss_size = kStackBytes};
        ::sigaltstack(&alternate, nullptr);
    }
    void* result = start.routine(start.argument);
    if (stack != nullptr) {
        const stack_t none{.ss_sp = nullptr, .ss_flags = SS_DISABLE, .ss_size = 0};
        ::sigaltstack(&none, nullptr);
        std::free(stack);
    }
    return result;
}
}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*routine)(void*), void* argument) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto create = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (start == nullptr) {
        return EAGAIN;
    }
    *start = ThreadStart{routine, argument};
    const int created = create(thread, attributes, WithSignalStack, start);
    if (created != 0) {
        std::free(start);
    }
    return created;
}

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void* malloc(std::size_t size) { return Noted(__libc_malloc(size), size); }
void* calloc(std::size_t count, std::size_t size) {
    return Noted(__libc_calloc(count, size), count * size);
}
void* realloc(void* block, std::size_t size) { return Noted(__libc_realloc(block, size), size); }
void* memalign(std::size_t alignment, std::size_t size) {
    return Noted(__libc_memalign(alignment, size), size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** block, std::size_t alignment, std::size_t size) {
    *block = memalign(alignment, size);
    return *block == nullptr && size != 0 ? ENOMEM : 0;
}
}
#endif

namespace rotopal {
namespace {

constexpr int kRequests = STDIN_FILENO;
constexpr int kReplies = STDOUT_FILENO;
constexpr int kPicture = 3;

// Replies may come from a decoder's thread (progress) as well as the main one.
std::mutex& Sending() {
    static std::mutex mutex;
    return mutex;
}

void Send(const Message& message) {
    const auto frame = FrameMessage(message);
    const std::lock_guard lock(Sending());
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::write(kReplies, frame.data() + sent, frame.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::_exit(0);  // the program has gone: nobody is left to answer
        }
        sent += static_cast<std::size_t>(n);
    }
}

bool ReadExactly(std::span<std::uint8_t> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t n = ::read(kRequests, buffer.data() + filled, buffer.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        filled += static_cast<std::size_t>(n);
    }
    return true;
}

// The next request, or nothing when the program has closed its end or sent what is no message.
std::optional<Message> NextRequest() {
    std::array<std::uint8_t, kFrameHeaderBytes> header{};
    if (!ReadExactly(header)) {
        return std::nullopt;
    }
    const auto length = FrameLength(header);
    if (!length) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> frame(length.value());
    if (!ReadExactly(frame)) {
        return std::nullopt;
    }
    auto message = ParseMessage(frame);
    return message ? std::optional<Message>(std::move(message.value())) : std::nullopt;
}

// A fatal signal says on stderr whether it came after an allocation failed or with the address
// space spent, which the program reads as running out of memory. Only calls that are safe in a
// signal handler.
void TellFatalSignal(int signal) {
    rlimit limit{};
    char statm[64] = {};
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        (void)!::read(fd, statm, sizeof statm - 1);
        ::close(fd);
    }
    unsigned long long pages = 0;
    for (const char* c = statm; *c >= '0' && *c <= '9'; ++c) {
        pages = pages * 10 + static_cast<unsigned long long>(*c - '0');
    }
    const unsigned long long used = pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    constexpr unsigned long long kMargin = 64ull << 20;
    if (allocationFailed != 0 || (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                                  used + kMargin >= limit.rlim_cur)) {
        constexpr char kSaid[] = "rotopal-decode: out of address space\n";
        (void)!::write(STDERR_FILENO, kSaid, sizeof kSaid - 1);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void CatchFatalSignals() {
    // Its own stack, so that a stack overflow can be told too.
    static std::array<char, 64 * 1024> stack;
    const stack_t alternate{.ss_sp = stack.data(), .ss_flags = 0, .ss_size = stack.size()};
    ::sigaltstack(&alternate, nullptr);
    struct sigaction action {};
    action.sa_handler = TellFatalSignal;
    action.sa_flags = static_cast<int>(SA_ONSTACK | SA_RESETHAND);
    for (const int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE}) {
        ::sigaction(signal, &action, nullptr);
    }
}

[[noreturn]] void Misbehave(const MisbehaveBody& how) {
    switch (how.how) {
        case Misbehaviour::Exit: ::_exit(3);
        case Misbehaviour::Abort: std::abort();
        case Misbehaviour::Crash: ::raise(SIGSEGV); break;
        case Misbehaviour::Hang:
            for (;;) {
                ::pause();
            }
        case Misbehaviour::Garbage: {
            constexpr char kNoise[] = "\xff\xff\xff\xff not a message";
            (void)!::write(kReplies, kNoise, sizeof kNoise);
            for (;;) {
                ::pause();
            }
        }
        case Misbehaviour::ExhaustMemory:
            for (;;) {
                auto* block = static_cast<char*>(std::malloc(16u << 20));
                if (block == nullptr) {
                    std::abort();  // as glib does when g_malloc fails
                }
                std::memset(block, 1, 16u << 20);
            }
        case Misbehaviour::KillSelf: ::raise(SIGKILL); break;
        case Misbehaviour::WriteFile: break;
    }
    ::_exit(4);
}

// Tries what the sandbox must refuse, and answers with what happened.
void TryToWrite(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        ::close(fd);
    }
    Send(FailedMessage(ImportError{.kind = ImportErrorKind::CannotOpen, .systemError = error}));
}

// A want of memory as the program should hear it: the allowance this decoder really has and
// what could not be had, in our words rather than the library's.
ImportError WantOfMemory(std::string_view libraryWords) {
    rlimit limit{};
    const bool limited = ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    return ImportError{.kind = ImportErrorKind::OutOfMemory,
                       .limit = limited ? limit.rlim_cur : 0,
                       .detail = MemoryInPlainWords(libraryWords)};
}

// What a request failed of, as the program should hear it: after an allocation failed, any
// failure is for want of memory, whatever words the library found for it.
Message Refusal(const ImportError& error) {
    if (allocationFailed != 0 || error.kind == ImportErrorKind::OutOfMemory) {
        return FailedMessage(WantOfMemory(error.detail));
    }
    return FailedMessage(error);
}

// libvips's part of the decoder, from the module beside this program.
Result<const VipsBackend*, ImportError> LoadVipsBackend() {
    const std::string file = ProgramFolder() + "/" + kVipsBackendFile;
    void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = ::dlerror();
        const std::string words = why != nullptr ? why : file;
        // The allowance with no room to map libvips's libraries is a want of memory.
        if (SaysNoRoomToLoad(words)) {
            return Failure{WantOfMemory(words)};
        }
        return Failure{ImportError{.kind = ImportErrorKind::HelperMissing,
                                   .detail = "the decoders' module cannot be loaded: " + words}};
    }
    using Entry = const VipsBackend* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, kVipsBackendEntry));
    if (entry == nullptr) {
        return Failure{ImportError{.kind = ImportErrorKind::HelperMissing,
                                   .detail = file + " is not the decoders' module"}};
    }
    return entry();
}

int Serve(const VipsBackend* others) {
    const ImportProgress progress = [](int percent) { Send(ProgressMessage(percent)); };
    std::shared_ptr<const DecodedPicture> decoded;
    while (const auto request = NextRequest()) {
        switch (request->kind) {
            case MessageKind::Decode: {
                if (decoded) {
                    Send(DecodedMessage({static_cast<std::uint32_t>(decoded->width),
                                         static_cast<std::uint32_t>(decoded->height),
                                         decoded->repairs}));
                    break;
                }
                allocationFailed = 0;
                auto result = engine::DecodeDescriptor(kPicture, progress, others);
                // A library that went on after an allocation failed may have left rows out.
                if (!result || allocationFailed != 0) {
                    Send(Refusal(result ? ImportError{.kind = ImportErrorKind::OutOfMemory}
                                        : result.error()));
                    break;
                }
                decoded = std::move(result.value());
                Send(DecodedMessage({static_cast<std::uint32_t>(decoded->width),
                                     static_cast<std::uint32_t>(decoded->height), decoded->repairs}));
                break;
            }
            case MessageKind::Make: {
                const auto options = ParseMake(request->body);
                if (!options || !decoded) {
                    Send(FailedMessage(ImportError{.kind = ImportErrorKind::InvalidOptions,
                                                   .detail = !options ? options.error().what
                                                                      : "nothing is decoded yet"}));
                    break;
                }
                allocationFailed = 0;
                const auto made = engine::MakeScreen(*decoded, options.value());
                if (!made || allocationFailed != 0) {
                    Send(Refusal(made ? ImportError{.kind = ImportErrorKind::OutOfMemory}
                                      : made.error()));
                    break;
                }
                Send(ScreenMessage({EncodeLogoFile(made.value().document), made.value().repairs}));
                break;
            }
            case MessageKind::Misbehave: {
                const auto how = ParseMisbehave(request->body);
                if (how && how.value().how == Misbehaviour::WriteFile) {
                    TryToWrite(how.value().path);
                    break;
                }
                if (how) {
                    Misbehave(how.value());
                }
                return 2;
            }
            default: return 2;  // not a request: the program is not one of ours
        }
    }
    return 0;
}

int Run() {
    CatchFatalSignals();
#if !defined(ROTOPAL_SANITIZED)
    reserve = std::malloc(kReserveBytes);  // mapped, never touched: address space, not memory
#endif
    const VipsBackend* others = nullptr;
    std::array<std::uint8_t, kPictureSignatureBytes> head{};
    const ssize_t got = ::pread(kPicture, head.data(), head.size(), 0);
    const PictureFormat format =
        got > 0 ? SniffPictureFormat(std::span(head).first(static_cast<std::size_t>(got)))
                : PictureFormat::Unknown;
    // Everything that loads libraries or reads their files happens before the sandbox. JPEG
    // needs only libjpeg, which is linked; the other kinds need libvips.
    if (format != PictureFormat::Jpeg && format != PictureFormat::Unknown) {
        const auto loaded = LoadVipsBackend();
        if (!loaded) {
            Send(FailedMessage(loaded.error()));
            return 1;
        }
        others = loaded.value();
        if (auto problem = others->prepare(kPicture, format)) {
            Send(FailedMessage(problem->kind == ImportErrorKind::OutOfMemory
                                   ? WantOfMemory(problem->detail)
                                   : *problem));
            return 1;
        }
    }
    if (const auto shut = EnterSandbox(); !shut) {
        Send(FailedMessage(ImportError{.kind = ImportErrorKind::NotStarted,
                                       .detail = "the decoder cannot shut itself in: " + shut.error()}));
        return 1;
    }
    Send(ReadyMessage({kDecodeProtocolVersion, std::string(kVersion)}));
    return Serve(others);
}

}  // namespace
}  // namespace rotopal

int main() {
    // Whatever escapes is told as what it is; the program sees the end as the decoder stopping.
    try {
        // _exit: nothing is left to flush, and glib's and the sanitizers' exit work is not ours.
        ::_exit(rotopal::Run());
    } catch (const std::bad_alloc&) {
        std::fputs("rotopal-decode: out of memory\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rotopal-decode: %s\n", error.what());
    }
    ::_exit(1);
}
