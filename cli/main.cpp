#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "document/file_io.h"

int main(int argc, char** argv) {
    rotopal::ReportFileSizeLimitAsError();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return rotopal::cli::RunCli(arguments, {std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1});
}
