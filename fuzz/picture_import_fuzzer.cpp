// Feeds arbitrary bytes to the picture import, with the pixel limit it always has. Besides
// crashes and sanitizer reports, whatever is imported must be a sound screen (see
// import_properties.h).

#include <cstdint>
#include <cstdlib>

#include "fuzz/import_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!rotopal::fuzz::ImportedScreenIsSound({data, size})) {
        std::abort();
    }
    return 0;
}
