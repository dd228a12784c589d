#include "document/logo_writer.h"

#include <array>
#include <cassert>

#include "document/bmp_codec.h"

namespace rotopal {
namespace {

// Headers and colour table of a file about to be written, at most 54 + 1024 bytes.
class EncodedHead {
public:
    EncodedHead(const LogoDocument& document, const Palette& palette, std::int32_t width,
                std::size_t pixelBytes) {
        const std::size_t colours = StoredColourCount(document);
        const auto tableBytes = static_cast<std::uint32_t>(colours * kPaletteEntryBytes);
        const auto offBits = static_cast<std::uint32_t>(kWrittenHeadersBytes) + tableBytes;

        BITMAPFILEHEADER file = document.fileHeader;
        file.bfSize = offBits + static_cast<std::uint32_t>(pixelBytes);
        file.bfOffBits = offBits;

        BITMAPINFOHEADER info = document.infoHeader;
        info.biSize = static_cast<std::uint32_t>(kInfoHeaderBytes);
        info.biWidth = width;
        info.biCompression = kCompressionNone;
        info.biSizeImage = static_cast<std::uint32_t>(pixelBytes);

        bmp::ByteWriter out(bytes_);
        bmp::EncodeFileHeader(file, out);
        bmp::EncodeInfoHeader(info, out);
        for (std::size_t i = 0; i < colours; ++i) {
            bmp::EncodeRgbQuad(palette[i], out);
        }
        size_ = out.written();
        assert(size_ == offBits);
    }

    std::span<const std::uint8_t> bytes() const { return std::span(bytes_).first(size_); }

private:
    std::array<std::uint8_t, kWrittenHeadersBytes + sizeof(Palette)> bytes_{};
    std::size_t size_ = 0;
};

std::vector<std::uint8_t> Concatenate(std::span<const std::uint8_t> head,
                                      std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(head.size() + body.size());
    bytes.insert(bytes.end(), head.begin(), head.end());
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Result<void, WriteError> WriteHeadAndBody(const std::string& path, const EncodedHead& head,
                                          std::span<const std::uint8_t> body,
                                          Durability durability) {
    const std::array<std::span<const std::uint8_t>, 2> pieces{head.bytes(), body};
    return WriteFileAtomically(path, pieces, durability);
}

}  // namespace

FramePixels WidenPixels(const LogoPixels& pixels) {
    FramePixels widened(kFramePixelCount);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        widened[2 * i] = pixels[i];
        widened[2 * i + 1] = pixels[i];
    }
    return widened;
}

std::vector<std::uint8_t> EncodeLogoFile(const LogoDocument& document) {
    const EncodedHead head(document, document.palette, document.infoHeader.biWidth,
                           kLogoPixelCount);
    return Concatenate(head.bytes(), document.pixels);
}

std::vector<std::uint8_t> EncodeFrameFile(const LogoDocument& document,
                                          const Palette& framePalette) {
    const EncodedHead head(document, framePalette, kFrameWidth, kFramePixelCount);
    return Concatenate(head.bytes(), WidenPixels(document.pixels));
}

Result<void, WriteError> WriteLogoFile(const std::string& path, const LogoDocument& document) {
    const EncodedHead head(document, document.palette, document.infoHeader.biWidth,
                           kLogoPixelCount);
    return WriteHeadAndBody(path, head, document.pixels, Durability::Synced);
}

Result<void, WriteError> WriteFrameFile(const std::string& path, const LogoDocument& document,
                                        const Palette& framePalette) {
    return WriteFrameFile(path, document, framePalette, WidenPixels(document.pixels));
}

Result<void, WriteError> WriteFrameFile(const std::string& path, const LogoDocument& document,
                                        const Palette& framePalette,
                                        std::span<const std::uint8_t> widenedPixels) {
    assert(widenedPixels.size() == kFramePixelCount);
    const EncodedHead head(document, framePalette, kFrameWidth, kFramePixelCount);
    // Frames of a series are not synced one by one: the series is written as a whole, and a
    // failed rename still never leaves a partial frame under a frame's name.
    return WriteHeadAndBody(path, head, widenedPixels, Durability::Buffered);
}

}  // namespace rotopal
