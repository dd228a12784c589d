#pragma once

#include <cstdint>
#include <functional>
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
};

// The child's standard output as it arrives, piece by piece.
using OutputSink = std::function<void(std::span<const std::uint8_t>)>;

// Runs the program with stdin from /dev/null (no shell between), waits for it, and gives what
// it wrote to stderr and, unless a sink takes it, to stdout.
Result<ProcessOutput, ProcessError> RunProgram(const ChildProgram& program,
                                               const OutputSink& sink = {});

}  // namespace rotopal
