// Feeds arbitrary bytes to the logo reader. Besides crashes and sanitizer reports, it checks
// that whatever the reader accepts, the writer writes and the reader reads back the same image.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "document/logo_reader.h"
#include "document/logo_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // The last byte picks the answer to the colour question, so both paths are explored.
    const bool convert = size > 0 && (data[size - 1] & 1) != 0;
    const auto read = rotopal::DecodeLogoFile(bytes, [convert](int colours) {
        if (colours < 1 || colours > 255) {
            std::abort();
        }
        return convert;
    });
    if (!read) {
        return 0;
    }
    const rotopal::LogoDocument& doc = read.value();
    const auto again =
        rotopal::DecodeLogoFile(rotopal::EncodeLogoFile(doc), [](int) { return false; });
    if (!again || again.value().palette != doc.palette || again.value().pixels != doc.pixels ||
        again.value().lastIndex != doc.lastIndex) {
        std::abort();
    }
    return 0;
}
