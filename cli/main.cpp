#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "document/file_io.h"

int main(int argc, char** argv) {
    rotopal::ReportFileSizeLimitAsError();
    // Failures are values throughout; whatever escapes anyway is told, never an abort. Every
    // file is written by replacement, so an unfinished write leaves the old file as it was.
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        return rotopal::cli::RunCli(arguments,
                                    {std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1});
    } catch (const std::bad_alloc&) {
        std::cerr << "rotopal-cli: out of memory; the command did not finish.\n";
    } catch (const std::exception& error) {
        std::cerr << "rotopal-cli: unexpected error: " << error.what()
                  << "; the command did not finish.\n";
    }
    return rotopal::cli::kExitRejected;
}
