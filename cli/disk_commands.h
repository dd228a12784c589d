#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/cli_app.h"
#include "disk/screen_install.h"

namespace rotopal::cli {

struct DiskArguments {
    std::string screen;  // install: the screen file; extract: where to write it
    std::string disk;
    std::optional<ScreenKind> kind;  // --as / --from
    std::optional<int> partition;
    bool noBackup = false;
    bool force = false;  // extract: replace an OUT that is not a screen
};

// The install and extract subcommands, their arguments parsed straight into `arguments`.
CLI::App* AddInstallCommand(CLI::App& app, DiskArguments& arguments);
CLI::App* AddExtractCommand(CLI::App& app, DiskArguments& arguments);

int RunInstall(const DiskArguments& arguments, Console& console);
int RunExtract(const DiskArguments& arguments, Console& console);

}  // namespace rotopal::cli
