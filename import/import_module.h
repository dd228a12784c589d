#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "import/picture_import.h"

namespace rotopal {

// What the picture import's module offers the programs: one table, fetched by name once it is
// loaded. Both sides are built together, so they share these C++ types; the version and the
// sizes of the types that cross over keep a module of another build from being used.
struct ImportModule {
    const char* version;
    std::size_t layout;
    Result<ImportedScreen, ImportError> (*importBytes)(std::span<const std::uint8_t> bytes,
                                                       const ImportOptions& options,
                                                       const ImportProgress& progress);
    Result<ImportedScreen, ImportError> (*importFile)(const std::string& path,
                                                      const ImportOptions& options,
                                                      const ImportProgress& progress);
    Result<DecodedPictureHandle, ImportError> (*decodeFile)(const std::string& path,
                                                            const ImportProgress& progress);
    Result<ImportedScreen, ImportError> (*makeScreen)(const DecodedPicture& picture,
                                                      const ImportOptions& options);
};

// The module's file, and the function in it that hands out its table.
inline constexpr const char* kImportModuleFile = "rotopal-import.so";
inline constexpr const char* kImportModuleEntry = "rotopal_import_module";

// A fingerprint of the types that cross between the programs and the module.
inline constexpr std::size_t ImportModuleLayout() {
    return sizeof(ImportModule) ^ (sizeof(ImportedScreen) << 8) ^ (sizeof(ImportOptions) << 20) ^
           (sizeof(ImportError) << 28) ^ (sizeof(LogoDocument) << 36);
}

}  // namespace rotopal
