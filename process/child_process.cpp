#include "process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace rotopal {
namespace {

// Closes what it holds when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

struct PipeEnds {
    Fd read, write;
};

Result<PipeEnds, ProcessError> MakePipe() {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return Failure{ProcessError{errno}};
    }
    return PipeEnds{Fd(ends[0]), Fd(ends[1])};
}

// The program's file: a path as given, else the first executable of that name along PATH.
Result<std::string, ProcessError> FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr && *path != '\0' ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const auto end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end == start ? "." : folders.substr(start, end - start);
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return Failure{ProcessError{ENOENT}};
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// In the child between fork and exec: only calls that are safe there, nothing that allocates.
[[noreturn]] void BecomeProgram(const char* file, char* const* argv, char* const* envp,
                                std::span<const int> handed, int in, int out, int err) {
    if (::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
        ::dup2(err, STDERR_FILENO) < 0) {
        ::_exit(127);
    }
    // The handed descriptors were copied above 3 + their count, so these never clobber one
    // another; dup2 clears close-on-exec on the copy.
    for (std::size_t i = 0; i < handed.size(); ++i) {
        if (::dup2(handed[i], static_cast<int>(3 + i)) < 0) {
            ::_exit(127);
        }
    }
    ::close_range(static_cast<unsigned>(3 + handed.size()), ~0u, 0);
    // What this process ignores or blocks (SIGPIPE, SIGXFSZ) is no business of the child's.
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : {SIGPIPE, SIGXFSZ, SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
        ::signal(signal, SIG_DFL);
    }
    ::execve(file, argv, envp);
    ::_exit(127);
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

Result<ProcessOutput, ProcessError> RunProgram(const ChildProgram& program,
                                               const OutputSink& sink) {
    if (program.arguments.empty()) {
        return Failure{ProcessError{EINVAL}};
    }
    const auto file = FindProgram(program.arguments.front());
    if (!file) {
        return Failure{file.error()};
    }
    Fd nothing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    auto out = MakePipe();
    auto err = MakePipe();
    if (!nothing.valid() || !out || !err) {
        return Failure{ProcessError{!nothing.valid() ? errno
                                    : !out          ? out.error().systemError
                                                    : err.error().systemError}};
    }
    // Copies of the handed descriptors where the child's dup2 calls cannot overwrite them.
    std::vector<Fd> copies;
    std::vector<int> handed;
    for (const int fd : program.handed) {
        copies.emplace_back(::fcntl(fd, F_DUPFD_CLOEXEC, static_cast<int>(3 + program.handed.size())));
        if (!copies.back().valid()) {
            return Failure{ProcessError{errno}};
        }
        handed.push_back(copies.back().get());
    }
    const auto argv = Pointers(program.arguments);
    const auto envp = Pointers(program.environment);

    const pid_t pid = ::fork();
    if (pid < 0) {
        return Failure{ProcessError{errno}};
    }
    if (pid == 0) {
        BecomeProgram(file.value().c_str(), argv.data(), envp.data(), handed, nothing.get(),
                      out.value().write.get(), err.value().write.get());
    }
    out.value().write.Reset();
    err.value().write.Reset();
    copies.clear();

    // Both pipes are drained together, so that a child filling one never waits on the other.
    ProcessOutput output;
    std::array<pollfd, 2> open{{{out.value().read.get(), POLLIN, 0},
                                {err.value().read.get(), POLLIN, 0}}};
    // On the heap: a deep stack is what a tight address-space limit refuses first.
    std::vector<std::uint8_t> buffer(65536);
    while (open[0].fd >= 0 || open[1].fd >= 0) {
        if (::poll(open.data(), open.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (open[i].fd < 0 || open[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(open[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                const std::span<const std::uint8_t> piece(buffer.data(), static_cast<std::size_t>(n));
                if (i == 1) {
                    output.err.append(piece.begin(), piece.end());
                } else if (sink) {
                    sink(piece);
                } else {
                    output.out.insert(output.out.end(), piece.begin(), piece.end());
                }
            } else if (n == 0 || errno != EINTR) {
                open[i].fd = -1;  // the pipe's end; its Fd closes it
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    output.exitCode = ExitCodeOf(status);
    return output;
}

}  // namespace rotopal
