#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace rotopal {

struct ProcessOutput {
    int exitCode = 0;  // 128 + the signal for a program a signal ended
    std::vector<std::uint8_t> out;  // empty when a sink took the output
    std::string err;
};

struct ProcessError {
    int systemError = 0;  // ENOENT when the program is not installed
};

// What the kernel enforces on a child, each only when set.
struct ChildLimits {
    std::optional<std::uint64_t> addressSpaceBytes;  // RLIMIT_AS
    std::optional<std::uint64_t> cpuSeconds;         // RLIMIT_CPU: SIGXCPU, then SIGKILL
};

// A program to run and everything it gets from us. Nothing else is inherited: no environment
// variable that is not listed, no descriptor that is not handed, no ignored signal.
struct ChildProgram {
    // The program first: a path, or a name looked up along this process's PATH.
    std::vector<std::string> arguments;
    // The child's whole environment, as NAME=value.
    std::vector<std::string> environment;
    // Descriptors the child receives as 3, 4, 5 ... in this order, so that it can open them as
    // /proc/self/fd/3 and so on: names no program can misread.
    std::vector<int> handed;
    ChildLimits limits{};
};

// The child's standard output as it arrives, piece by piece.
using OutputSink = std::function<void(std::span<const std::uint8_t>)>;

// Runs the program with stdin from /dev/null (no shell between), waits for it, and gives what
// it wrote to stderr and, unless a sink takes it, to stdout.
Result<ProcessOutput, ProcessError> RunProgram(const ChildProgram& program,
                                               const OutputSink& sink = {});

// How a child ended.
struct ChildEnding {
    int exitCode = 0;  // when it exited
    int signal = 0;    // the signal that ended it, 0 when it exited
};

// A child we talk with: its stdin and stdout are one end of a socket pair whose other end is
// ours, its stderr is kept (the last 64 KiB). Kill works from any thread at any moment, and the
// child is killed and reaped when this goes.
class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    static Result<ChildProcess, ProcessError> Start(const ChildProgram& program);
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Writes all of the bytes; false when the child no longer reads (it ended).
    bool Send(std::span<const std::uint8_t> bytes);

    enum class Received { All, Ended, TimedOut };
    // Fills the buffer from the child's stdout, keeping its stderr meanwhile, until the buffer
    // is full, the child closes its end, or the deadline passes.
    Received Receive(std::span<std::uint8_t> buffer, Clock::time_point deadline);

    // Sends SIGKILL now, unless the child has already been reaped.
    void Kill();
    // Waits for the child's end, reaps it, and reads the rest of its stderr.
    ChildEnding Wait();
    // What it wrote to stderr so far.
    std::string errors() const;

private:
    ChildProcess(int pid, int channel, int errors);
    void KeepErrors();

    struct State;
    std::unique_ptr<State> state_;
};

// The address space a child given this allowance gets: no more than this process's own
// limit (a ulimit -v of the caller's), which the child inherits and can only lower.
std::optional<std::uint64_t> AddressSpaceWithin(std::optional<std::uint64_t> allowance);
// The machine's physical memory, 0 when the system will not say.
std::uint64_t PhysicalMemoryBytes();
// The folder the running program's file is in, "" when the system will not say.
std::string ProgramFolder();
// Whether the path names a file this process may run.
bool IsExecutable(const std::string& path);

}  // namespace rotopal
