#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/result.h"

namespace rotopal {

struct ProcessOutput {
    int exitCode = 0;  // 128 + the signal for a program a signal ended
    std::vector<std::uint8_t> out;
    std::string err;
};

struct ProcessError {
    int systemError = 0;  // ENOENT when the program is not installed
};

// Runs a program found along PATH with these arguments (no shell between), stdin from
// /dev/null, the environment with `extra` set for the child only; waits for it and gives what
// it wrote to stdout and stderr.
Result<ProcessOutput, ProcessError> RunProgram(
    const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& extra = {});

}  // namespace rotopal
