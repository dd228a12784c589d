#include "import/picture_import.h"

#include <exception>
#include <new>
#include <utility>

#include "document/file_io.h"
#include "import/module_loader.h"
#include "import/picture_format.h"

namespace rotopal {
namespace {

// Runs an import of the module's, which reports its failures as values; whatever escapes it
// anyway becomes one too, so that no caller has to expect exceptions.
template <class Call>
auto Guarded(Call call) -> decltype(call(std::declval<const ImportModule&>())) {
    try {
        const auto module = LoadImportModule();
        if (!module) {
            return Failure{module.error()};
        }
        if (auto room = CheckRoomForImport(); !room) {
            return Failure{room.error()};
        }
        return call(*module.value());
    } catch (const std::bad_alloc&) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
    } catch (const std::exception& error) {
        return Failure{ImportError{.kind = ImportErrorKind::Damaged, .detail = error.what()}};
    }
}

}  // namespace

Result<ImportedScreen, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                  const ImportOptions& options,
                                                  const ImportProgress& progress) {
    return Guarded(
        [&](const ImportModule& module) { return module.importBytes(bytes, options, progress); });
}

Result<ImportedScreen, ImportError> ImportPictureFile(const std::string& path,
                                                      const ImportOptions& options,
                                                      const ImportProgress& progress) {
    return Guarded(
        [&](const ImportModule& module) { return module.importFile(path, options, progress); });
}

Result<DecodedPictureHandle, ImportError> DecodePictureFile(const std::string& path,
                                                            const ImportProgress& progress) {
    return Guarded(
        [&](const ImportModule& module) { return module.decodeFile(path, progress); });
}

Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options) {
    return Guarded(
        [&](const ImportModule& module) { return module.makeScreen(picture, options); });
}

PictureFormat PictureFileFormat(const std::string& path) {
    const auto head = ReadFilePrefix(path, kPictureSignatureBytes);
    return head ? SniffPictureFormat(head.value().span()) : PictureFormat::Unknown;
}

}  // namespace rotopal
