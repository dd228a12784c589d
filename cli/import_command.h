#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_app.h"
#include "import/import_options.h"

namespace rotopal::cli {

struct ImportArguments {
    std::string picture;
    std::string output;
    ImportOptions options;
    std::optional<std::uint64_t> memoryLimitMiB;  // the decoder's allowance, when given
    bool force = false;  // replace an OUT that is not a screen
};

// The import subcommand, its arguments parsed straight into `arguments`.
CLI::App* AddImportCommand(CLI::App& app, ImportArguments& arguments);

int RunImport(const ImportArguments& arguments, Console& console);

}  // namespace rotopal::cli
