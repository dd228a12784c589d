#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace rotopal::cli {

// Exit codes of rotopal-cli.
enum ExitCode : int {
    kExitOk = 0,
    kExitRejected = 1,     // the input file cannot be used
    kExitUsage = 2,        // bad arguments, or a choice the user still has to make
    kExitWriteFailed = 3,  // an output file could not be written; existing files are untouched
};

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;  // out is a terminal: draw a progress bar instead of plain lines
};

// Where a command's report on the file it wrote goes: standard output, unless that file is
// standard output itself (gif FILE /dev/stdout | ...), when the report goes to stderr.
std::ostream& ReportStream(Console& console, const std::string& written);

// Runs the command line (arguments without the program name) and returns the exit code.
int RunCli(std::span<const std::string> arguments, Console console);

}  // namespace rotopal::cli
