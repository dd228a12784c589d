#pragma once

#include <memory>

#include "core/result.h"
#include "import/decoded_picture.h"
#include "import/import_error.h"
#include "import/picture_import.h"

namespace rotopal {

// Decodes the JPEG in the open file with libjpeg, as DecodePicture does the other kinds: once,
// small enough for every fit (1/2, 1/4 or 1/8 of its size straight from its DCT, then by whole
// factors), upright by its EXIF orientation, out of an embedded colour profile into sRGB. A
// picture past the size rule is refused from its header; one cut short is refused; damage the
// decoder reads past is told among the repairs.
Result<std::shared_ptr<const DecodedPicture>, ImportError> DecodeJpeg(
    int descriptor, const ImportProgress& progress);

}  // namespace rotopal
