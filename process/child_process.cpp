#include "process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
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
    int Release() { return std::exchange(fd_, -1); }
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
                                std::span<const int> handed, const ChildLimits& limits, int in,
                                int out, int err) {
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
    // A limit is only ever lowered: under a tighter one of this process's (ulimit), that stays.
    const auto lower = [](int resource, rlim_t soft, rlim_t hard) {
        rlimit now{};
        if (::getrlimit(resource, &now) != 0) {
            ::_exit(127);
        }
        const rlim_t lowerHard = std::min(hard, now.rlim_max);
        const rlimit limit{std::min({soft, now.rlim_cur, lowerHard}), lowerHard};
        if (::setrlimit(resource, &limit) != 0) {
            ::_exit(127);
        }
    };
    if (limits.addressSpaceBytes) {
        lower(RLIMIT_AS, *limits.addressSpaceBytes, *limits.addressSpaceBytes);
    }
    if (limits.cpuSeconds) {
        // SIGXCPU at the soft limit, SIGKILL a second later at the hard one.
        lower(RLIMIT_CPU, *limits.cpuSeconds, *limits.cpuSeconds + 1);
    }
    ::execve(file, argv, envp);
    ::_exit(127);
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts the program with these as its stdin, stdout and stderr.
Result<pid_t, ProcessError> Spawn(const ChildProgram& program, int in, int out, int err) {
    if (program.arguments.empty()) {
        return Failure{ProcessError{EINVAL}};
    }
    const auto file = FindProgram(program.arguments.front());
    if (!file) {
        return Failure{file.error()};
    }
    // Copies of the handed descriptors where the child's dup2 calls cannot overwrite them.
    std::vector<Fd> copies;
    std::vector<int> handed;
    for (const int fd : program.handed) {
        copies.emplace_back(
            ::fcntl(fd, F_DUPFD_CLOEXEC, static_cast<int>(3 + program.handed.size())));
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
        BecomeProgram(file.value().c_str(), argv.data(), envp.data(), handed, program.limits, in,
                      out, err);
    }
    return pid;
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

Result<ProcessOutput, ProcessError> RunProgram(const ChildProgram& program,
                                               const OutputSink& sink) {
    Fd nothing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    auto out = MakePipe();
    auto err = MakePipe();
    if (!nothing.valid() || !out || !err) {
        return Failure{ProcessError{!nothing.valid() ? errno
                                    : !out          ? out.error().systemError
                                                    : err.error().systemError}};
    }
    const auto pid =
        Spawn(program, nothing.get(), out.value().write.get(), err.value().write.get());
    if (!pid) {
        return Failure{pid.error()};
    }
    out.value().write.Reset();
    err.value().write.Reset();

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
    output.exitCode = ExitCodeOf(Reap(pid.value()));
    return output;
}

// The child's state, shared by the thread that talks with it and one that may kill it.
struct ChildProcess::State {
    pid_t pid = -1;
    Fd channel;
    Fd errors;
    mutable std::mutex mutex;  // guards reaped and kept
    bool reaped = false;
    std::string kept;
};

namespace {

constexpr std::size_t kKeptErrorBytes = 64 * 1024;

}  // namespace

ChildProcess::ChildProcess(int pid, int channel, int errors) : state_(std::make_unique<State>()) {
    state_->pid = pid;
    state_->channel.Reset(channel);
    state_->errors.Reset(errors);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept = default;

ChildProcess::~ChildProcess() {
    if (state_) {
        Kill();
        Wait();
    }
}

Result<ChildProcess, ProcessError> ChildProcess::Start(const ChildProgram& program) {
    std::array<int, 2> ends{-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        return Failure{ProcessError{errno}};
    }
    Fd ours(ends[0]), theirs(ends[1]);
    auto err = MakePipe();
    if (!err) {
        return Failure{err.error()};
    }
    const auto pid = Spawn(program, theirs.get(), theirs.get(), err.value().write.get());
    if (!pid) {
        return Failure{pid.error()};
    }
    // The stderr pipe never blocks us: it is read whenever the child has written to it.
    ::fcntl(err.value().read.get(), F_SETFL, O_NONBLOCK);
    Fd errors = std::move(err.value().read);
    return ChildProcess(pid.value(), ours.Release(), errors.Release());
}

void ChildProcess::KeepErrors() {
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(state_->errors.get(), buffer.data(), buffer.size());
        if (n <= 0) {
            if (n == 0 || (errno != EINTR)) {
                return;
            }
            continue;
        }
        const std::lock_guard lock(state_->mutex);
        state_->kept.append(buffer.data(), static_cast<std::size_t>(n));
        if (state_->kept.size() > kKeptErrorBytes) {
            state_->kept.erase(0, state_->kept.size() - kKeptErrorBytes);
        }
    }
}

bool ChildProcess::Send(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a child that is gone is an answer, not a SIGPIPE for this process.
        const ssize_t n = ::send(state_->channel.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

ChildProcess::Received ChildProcess::Receive(std::span<std::uint8_t> buffer,
                                             Clock::time_point deadline) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return Received::TimedOut;
        }
        std::array<pollfd, 2> watched{{{state_->channel.get(), POLLIN, 0},
                                       {state_->errors.get(), POLLIN, 0}}};
        const int ready = ::poll(watched.data(), state_->errors.valid() ? 2 : 1,
                                 static_cast<int>(std::min<long long>(left.count(), 60'000)));
        if (ready < 0 && errno != EINTR) {
            return Received::Ended;
        }
        if (ready <= 0) {
            continue;
        }
        if (watched[1].revents != 0) {
            KeepErrors();
        }
        if (watched[0].revents == 0) {
            continue;
        }
        const ssize_t n = ::recv(state_->channel.get(), buffer.data() + filled,
                                 buffer.size() - filled, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
            return Received::Ended;
        }
        if (n > 0) {
            filled += static_cast<std::size_t>(n);
        }
    }
    return Received::All;
}

void ChildProcess::Kill() {
    const std::lock_guard lock(state_->mutex);
    if (!state_->reaped) {
        ::kill(state_->pid, SIGKILL);
    }
}

ChildEnding ChildProcess::Wait() {
    // Waited for without reaping, so that Kill on another thread never meets a reused pid.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(state_->pid), &info, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
    {
        const std::lock_guard lock(state_->mutex);
        if (!state_->reaped) {
            Reap(state_->pid);
            state_->reaped = true;
        }
    }
    if (state_->errors.valid()) {
        KeepErrors();
    }
    if (info.si_code == CLD_EXITED) {
        return ChildEnding{.exitCode = info.si_status, .signal = 0};
    }
    return ChildEnding{.exitCode = 128 + info.si_status, .signal = info.si_status};
}

std::string ChildProcess::errors() const {
    const std::lock_guard lock(state_->mutex);
    return state_->kept;
}

std::optional<std::uint64_t> AddressSpaceWithin(std::optional<std::uint64_t> allowance) {
    rlimit own{};
    if (::getrlimit(RLIMIT_AS, &own) != 0 || own.rlim_cur == RLIM_INFINITY) {
        return allowance;
    }
    return allowance ? std::min<std::uint64_t>(*allowance, own.rlim_cur) : own.rlim_cur;
}

std::uint64_t PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size)
                                 : 0;
}

std::string ProgramFolder() {
    std::array<char, 4096> path{};
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string file(path.data(), static_cast<std::size_t>(length));
    return file.substr(0, file.find_last_of('/'));
}

bool IsExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace rotopal
