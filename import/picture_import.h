#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/logo_document.h"
#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"
#include "import/picture_format.h"

namespace rotopal {

// A start-up screen made from a picture, with what the decoder said about damage it read past
// (a frame with invalid data, say): empty when the picture was sound.
struct ImportedScreen {
    LogoDocument document;
    std::vector<std::string> repairs;
};

// Told now and then, on the importing thread or one of the decoder's, how far the import has
// got: 0 to 100.
using ImportProgress = std::function<void(int percent)>;

// A picture decoded once, to be made into screens with any options, as the window's import
// dialog does while the user tries them. Made and understood by the module alone.
struct DecodedPicture;
using DecodedPictureHandle = std::shared_ptr<const DecodedPicture>;

// Turns a picture of any supported kind and size into a start-up screen: fitted to the screen,
// reduced to 256 - range colours in entries 0 to 255 - range, the band (if any) in the top
// range entries, biClrImportant set to 256 - range. The screen stores all 256 entries,
// uncompressed, with a 40-byte header.
//
// The decoders live in a module of their own, loaded on the first import, so that programs
// which import nothing never map them; when it cannot be loaded, the import says so
// (ModuleMissing) and nothing else is affected. Safe to call from any thread; imports in one
// process run one at a time.
Result<ImportedScreen, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                  const ImportOptions& options,
                                                  const ImportProgress& progress = {});

// The same for a picture file, of which the decoder reads only what it needs: a picture refused
// for its size is judged from its header alone.
Result<ImportedScreen, ImportError> ImportPictureFile(const std::string& path,
                                                      const ImportOptions& options,
                                                      const ImportProgress& progress = {});

// The two halves of ImportPictureFile, which is the same as making the screen from the decoded
// picture: the same options give the same screen either way.
Result<DecodedPictureHandle, ImportError> DecodePictureFile(const std::string& path,
                                                            const ImportProgress& progress = {});
Result<ImportedScreen, ImportError> MakeScreen(const DecodedPicture& picture,
                                               const ImportOptions& options);

// The kind of picture the file starts as, Unknown for none the import reads (its first bytes
// only; the module is not loaded for this).
PictureFormat PictureFileFormat(const std::string& path);
inline bool IsPictureFile(const std::string& path) {
    return PictureFileFormat(path) != PictureFormat::Unknown;
}

}  // namespace rotopal
