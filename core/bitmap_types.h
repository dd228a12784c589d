#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace rotopal {

// In-memory forms of the Windows bitmap records. They mirror the published field names so that
// code reads like the format; on disk every field is encoded explicitly as little-endian bytes
// (document/bmp_codec), so these structs never depend on the host's byte order or packing.

struct BITMAPFILEHEADER {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;

    friend bool operator==(const BITMAPFILEHEADER&, const BITMAPFILEHEADER&) = default;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;

    friend bool operator==(const BITMAPINFOHEADER&, const BITMAPINFOHEADER&) = default;
};

// One colour-table entry, stored blue first as in the file.
struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;

    friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

inline constexpr std::size_t kPaletteEntries = 256;

// A full colour table. Indexing it with a uint8_t can never leave it, which is why the palette
// is always 256 entries long, whatever the file stores.
using Palette = std::array<RGBQUAD, kPaletteEntries>;

// Sizes of the records as they are stored on disk.
inline constexpr std::size_t kFileHeaderBytes = 14;
inline constexpr std::size_t kInfoHeaderBytes = 40;
inline constexpr std::size_t kPaletteEntryBytes = 4;

// The in-memory info header has the on-disk layout on every ABI we target: it is 40 bytes of
// naturally aligned fields with no padding, so header plus colour table make one 1064-byte block.
static_assert(sizeof(BITMAPINFOHEADER) == kInfoHeaderBytes);
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36);
static_assert(sizeof(RGBQUAD) == kPaletteEntryBytes && alignof(RGBQUAD) == 1);
static_assert(sizeof(Palette) == kPaletteEntries * kPaletteEntryBytes);
static_assert(std::is_trivially_copyable_v<BITMAPINFOHEADER> &&
              std::is_trivially_copyable_v<RGBQUAD>);

// Compression values of biCompression that the reader knows.
inline constexpr std::uint32_t kCompressionNone = 0;  // BI_RGB
inline constexpr std::uint32_t kCompressionRle8 = 1;  // BI_RLE8

// "BM" as a little-endian 16-bit value.
inline constexpr std::uint16_t kBitmapSignature = 0x4D42;

}  // namespace rotopal
