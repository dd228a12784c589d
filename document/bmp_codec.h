#pragma once

// Private to the document library: the byte-level encoding of the bitmap records. Every field is
// put down and picked up explicitly as little-endian bytes, so the code is right on any host.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/bitmap_types.h"

namespace rotopal::bmp {

inline std::uint16_t LoadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t LoadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return std::uint32_t{bytes[offset]} | (std::uint32_t{bytes[offset + 1]} << 8) |
           (std::uint32_t{bytes[offset + 2]} << 16) | (std::uint32_t{bytes[offset + 3]} << 24);
}

inline std::int32_t LoadI32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(LoadU32(bytes, offset));
}

// Appends fields to a fixed buffer front to back; the caller sizes the buffer for the record.
class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> out) : out_(out) {}

    void U8(std::uint8_t value) {
        assert(pos_ < out_.size());
        out_[pos_++] = value;
    }
    void U16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }

    std::size_t written() const { return pos_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t pos_ = 0;
};

inline BITMAPFILEHEADER DecodeFileHeader(std::span<const std::uint8_t, kFileHeaderBytes> b) {
    BITMAPFILEHEADER h;
    h.bfType = LoadU16(b, 0);
    h.bfSize = LoadU32(b, 2);
    h.bfReserved1 = LoadU16(b, 6);
    h.bfReserved2 = LoadU16(b, 8);
    h.bfOffBits = LoadU32(b, 10);
    return h;
}

inline BITMAPINFOHEADER DecodeInfoHeader(std::span<const std::uint8_t, kInfoHeaderBytes> b) {
    BITMAPINFOHEADER h;
    h.biSize = LoadU32(b, 0);
    h.biWidth = LoadI32(b, 4);
    h.biHeight = LoadI32(b, 8);
    h.biPlanes = LoadU16(b, 12);
    h.biBitCount = LoadU16(b, 14);
    h.biCompression = LoadU32(b, 16);
    h.biSizeImage = LoadU32(b, 20);
    h.biXPelsPerMeter = LoadI32(b, 24);
    h.biYPelsPerMeter = LoadI32(b, 28);
    h.biClrUsed = LoadU32(b, 32);
    h.biClrImportant = LoadU32(b, 36);
    return h;
}

inline RGBQUAD DecodeRgbQuad(std::span<const std::uint8_t, kPaletteEntryBytes> b) {
    return RGBQUAD{b[0], b[1], b[2], b[3]};
}

inline void EncodeFileHeader(const BITMAPFILEHEADER& h, ByteWriter& w) {
    w.U16(h.bfType);       // signature
    w.U32(h.bfSize);       // file size
    w.U16(h.bfReserved1);  // reserved
    w.U16(h.bfReserved2);  // reserved
    w.U32(h.bfOffBits);    // pixel offset
}

inline void EncodeInfoHeader(const BITMAPINFOHEADER& h, ByteWriter& w) {
    w.U32(h.biSize);           // header size
    w.I32(h.biWidth);          // width
    w.I32(h.biHeight);         // height
    w.U16(h.biPlanes);         // planes
    w.U16(h.biBitCount);       // depth
    w.U32(h.biCompression);    // compression
    w.U32(h.biSizeImage);      // pixel bytes
    w.I32(h.biXPelsPerMeter);  // x resolution
    w.I32(h.biYPelsPerMeter);  // y resolution
    w.U32(h.biClrUsed);        // colours
    w.U32(h.biClrImportant);   // first animated index
}

inline void EncodeRgbQuad(const RGBQUAD& q, ByteWriter& w) {
    w.U8(q.rgbBlue);
    w.U8(q.rgbGreen);
    w.U8(q.rgbRed);
    w.U8(q.rgbReserved);
}

}  // namespace rotopal::bmp
