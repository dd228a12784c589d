#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/logo_document.h"
#include "core/result.h"
#include "document/file_io.h"

namespace rotopal {

// A frame of the numbered export shows every document pixel twice side by side.
inline constexpr int kFrameWidth = 2 * kLogoWidth;
inline constexpr std::size_t kFramePixelCount = std::size_t{kFrameWidth} * kLogoHeight;  // 256000

using FramePixels = std::vector<std::uint8_t>;  // kFramePixelCount indices, document row order

inline constexpr std::size_t kWrittenHeadersBytes = kFileHeaderBytes + kInfoHeaderBytes;

inline constexpr std::size_t LogoFileBytes(std::size_t colourCount) {
    return kWrittenHeadersBytes + colourCount * kPaletteEntryBytes + kLogoPixelCount;
}
inline constexpr std::size_t FrameFileBytes(std::size_t colourCount) {
    return kWrittenHeadersBytes + colourCount * kPaletteEntryBytes + kFramePixelCount;
}

// Doubles every pixel horizontally: frame pixels 2x and 2x+1 of a row are document pixel x.
FramePixels WidenPixels(const LogoPixels& pixels);

// The bytes of a document file: headers, entries 0..lastIndex, pixels. The writers always put
// down a 40-byte header and uncompressed indices, so biSize, biCompression, bfSize, bfOffBits
// and biSizeImage describe what is written; every other field goes out as the document holds it.
std::vector<std::uint8_t> EncodeLogoFile(const LogoDocument& document);

// The bytes of one 640-wide frame with the given palette.
std::vector<std::uint8_t> EncodeFrameFile(const LogoDocument& document,
                                          const Palette& framePalette);

// Replaces the file at path with the document, synced to disk before it takes the old file's
// place. On failure the old file is untouched.
Result<void, WriteError> WriteLogoFile(const std::string& path, const LogoDocument& document);

// Replaces the file at path with one frame. The document itself is not changed.
Result<void, WriteError> WriteFrameFile(const std::string& path, const LogoDocument& document,
                                        const Palette& framePalette);

// The same, with the widened pixels built once by the caller for a whole series.
Result<void, WriteError> WriteFrameFile(const std::string& path, const LogoDocument& document,
                                        const Palette& framePalette,
                                        std::span<const std::uint8_t> widenedPixels);

}  // namespace rotopal
