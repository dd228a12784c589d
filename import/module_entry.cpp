// The picture import's module: the table the programs fetch once they have loaded it.

#include <string>

#include "core/version.h"
#include "import/import_module.h"
#include "import/picture_engine.h"

namespace {

const std::string kBuiltFor(rotopal::kVersion);

const rotopal::ImportModule kModule{
    .version = kBuiltFor.c_str(),
    .layout = rotopal::ImportModuleLayout(),
    .importBytes = rotopal::engine::ImportBytes,
    .importFile = rotopal::engine::ImportFile,
    .decodeFile = rotopal::engine::DecodeFile,
    .makeScreen = rotopal::engine::MakeScreen,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const rotopal::ImportModule*
rotopal_import_module() {
    return &kModule;
}
