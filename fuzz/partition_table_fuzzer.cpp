// Feeds arbitrary bytes to the reader of disk images' partition tables: the first four bytes
// give the disk's size in sectors, the rest is its first sector. Besides crashes and sanitizer
// reports, every table it accepts must lie inside the disk without overlaps.

#include <cstdint>
#include <cstdlib>

#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!rotopal::fuzz::PartitionTableIsSound({data, size})) {
        std::abort();
    }
    return 0;
}
