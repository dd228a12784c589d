#include "document/screen_headers.h"

namespace rotopal {

void SetScreenHeaders(LogoDocument& document, std::uint32_t colours, std::uint32_t firstAnimated) {
    constexpr auto kPixelBytes = static_cast<std::uint32_t>(kLogoPixelCount);
    constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi
    const std::uint32_t table = 4 * (colours == 0 ? 256 : colours);
    document.fileHeader = {
        .bfType = kBitmapSignature, .bfSize = 54 + table + kPixelBytes, .bfOffBits = 54 + table};
    document.infoHeader = {.biSize = 40,
                           .biWidth = kLogoWidth,
                           .biHeight = kLogoHeight,
                           .biPlanes = 1,
                           .biBitCount = 8,
                           .biCompression = kCompressionNone,
                           .biSizeImage = kPixelBytes,
                           .biXPelsPerMeter = kPixelsPerMetre,
                           .biYPelsPerMeter = kPixelsPerMetre,
                           .biClrUsed = colours,
                           .biClrImportant = firstAnimated};
    document.lastIndex = static_cast<std::uint8_t>(colours == 0 ? 255 : colours - 1);
}

}  // namespace rotopal
