// Feeds arbitrary bytes to the logo reader. Besides crashes and sanitizer reports, it checks
// that whatever the reader accepts, the writer writes and the reader reads back the same image.

#include <cstdint>
#include <cstdlib>

#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!rotopal::fuzz::ReaderRoundTrips({data, size})) {
        std::abort();
    }
    return 0;
}
