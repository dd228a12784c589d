// Feeds arbitrary bytes to the picture import, with the pixel limit it always has. Besides
// crashes and sanitizer reports, it checks that whatever is imported is a valid screen: every
// pixel within the palette it stores, the animated run where biClrImportant says.

#include <cstdint>
#include <cstdlib>

#include "import/picture_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rotopal::ImportOptions options;
    // The last byte, when there is one, varies the fit so that every mode's geometry is run.
    if (size > 0) {
        options.fit = static_cast<rotopal::Fit>(data[size - 1] % 3);
    }
    const auto imported = rotopal::engine::ImportBytes({data, size}, options, {});
    if (imported) {
        const auto& document = imported.value().document;
        if (document.lastIndex != 255 ||
            document.infoHeader.biClrImportant != 256u - static_cast<unsigned>(options.range)) {
            std::abort();
        }
    }
    return 0;
}
