// Feeds arbitrary RLE8 streams to the decoder at sizes taken from the input, into a buffer
// fenced on both sides: the decoder may write only inside the image, and never hangs.

#include <cstdint>
#include <cstdlib>

#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!rotopal::fuzz::Rle8StaysInside({data, size})) {
        std::abort();
    }
    return 0;
}
