#include "document/logo_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "document/bmp_codec.h"
#include "document/file_io.h"
#include "document/rle8.h"

namespace rotopal {
namespace {

constexpr std::size_t kHeadersEnd = kFileHeaderBytes + kInfoHeaderBytes;  // 54

// Info headers of the later versions (V2, V3, OS/2 2.x, V4, V5). They all begin with the 40
// classic fields, and their colour table follows the whole header.
constexpr std::array<std::uint32_t, 5> kLargerInfoHeaderSizes{52, 56, 64, 108, 124};

Failure<ReadError> Reject(ReadErrorKind kind, std::uint32_t value = 0) {
    return Failure{ReadError{kind, 0, 0, 0, value}};
}

std::size_t ColourTableOffset(std::uint32_t biSize) {
    const bool larger = std::find(kLargerInfoHeaderSizes.begin(), kLargerInfoHeaderSizes.end(),
                                  biSize) != kLargerInfoHeaderSizes.end();
    // Any other size, 40 included, is taken as the classic header: a wrong biSize in an old file
    // must not push the colour table somewhere else.
    return larger ? kFileHeaderBytes + biSize : kHeadersEnd;
}

// Where the pixel block starts. bfOffBits is trusted only when it points at or past the colour
// table and the block fits behind it; otherwise, as old writers left bfOffBits stale or zero,
// the block is taken to follow the colour table directly.
std::size_t PixelBlockOffset(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info,
                             std::size_t colourTableEnd, std::size_t fileSize) {
    const std::uint64_t offset = file.bfOffBits;
    const std::uint64_t blockBytes =
        info.biCompression == kCompressionRle8 ? info.biSizeImage : kLogoPixelCount;
    if (offset >= colourTableEnd && offset + blockBytes <= fileSize) {
        return static_cast<std::size_t>(offset);
    }
    return colourTableEnd;
}

}  // namespace

namespace {

// Fills a fresh document from bytes whose headers passed every test. It has a single return, so
// the 129 KB document is built in place in the caller's result and never copied.
Result<DecodedLogo, ReadError> Fill(std::span<const std::uint8_t> bytes,
                                    const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info,
                                    std::size_t stored, bool convert) {
    Result<DecodedLogo, ReadError> result{std::in_place};
    LogoDocument& doc = result.value().document;
    LogoRepairs& repairs = result.value().repairs;
    result.value().storedClrImportant = info.biClrImportant;
    doc.fileHeader = file;
    doc.infoHeader = info;
    doc.lastIndex = static_cast<std::uint8_t>(stored - 1);
    if (convert) {
        doc.infoHeader.biClrUsed = 0;
        doc.infoHeader.biClrImportant = 0;
        doc.lastIndex = 255;
    }

    // Exactly the stored entries are read, converted or not; a short file leaves the rest black.
    const std::size_t tableOffset = ColourTableOffset(info.biSize);
    const std::size_t tableEnd = tableOffset + stored * kPaletteEntryBytes;
    repairs.colourTableCutShort = tableEnd > bytes.size();
    for (std::size_t at = tableOffset, i = 0; i < stored && at + kPaletteEntryBytes <= bytes.size();
         ++i, at += kPaletteEntryBytes) {
        doc.palette[i] = bmp::DecodeRgbQuad(bytes.subspan(at).first<kPaletteEntryBytes>());
    }

    const std::size_t pixelOffset = PixelBlockOffset(file, info, tableEnd, bytes.size());
    repairs.offsetIgnored = pixelOffset != file.bfOffBits;
    const auto block =
        pixelOffset < bytes.size() ? bytes.subspan(pixelOffset) : std::span<const std::uint8_t>{};
    if (info.biCompression == kCompressionRle8) {
        const Rle8Repairs rle8 = DecodeRle8(block, kLogoWidth, kLogoHeight, doc.pixels);
        repairs.rle8CutShort = rle8.cutShort;
        repairs.rle8RunsClipped = rle8.runsClipped;
        repairs.rle8BelowImage = rle8.belowImage;
    } else {
        // A short pixel block leaves the missing rows at index 0.
        repairs.pixelBlockCutShort = block.size() < doc.pixels.size();
        if (!block.empty()) {
            std::memcpy(doc.pixels.data(), block.data(), std::min(block.size(), doc.pixels.size()));
        }
    }
    return result;
}

}  // namespace

std::vector<std::string> RepairPhrases(const LogoRepairs& repairs) {
    const std::pair<bool, const char*> phrases[] = {
        {repairs.colourTableCutShort, "colour table cut short (the missing entries are black)"},
        {repairs.offsetIgnored,
         "pixel offset ignored (the pixels were taken right after the colour table)"},
        {repairs.pixelBlockCutShort, "pixel block cut short (the missing rows are index 0)"},
        {repairs.rle8CutShort, "RLE8 stream cut short (the pixels it never reached are index 0)"},
        {repairs.rle8RunsClipped, "RLE8 runs clipped at the right edge"},
        {repairs.rle8BelowImage, "RLE8 stream went on below the last row (that part was ignored)"},
    };
    std::vector<std::string> made;
    for (const auto& [repaired, phrase] : phrases) {
        if (repaired) {
            made.emplace_back(phrase);
        }
    }
    return made;
}

Result<DecodedLogo, ReadError> DecodeLogoFile(std::span<const std::uint8_t> bytes,
                                              const AskConvert& askConvert) {
    if (bytes.size() < 2 || bmp::LoadU16(bytes, 0) != kBitmapSignature) {
        return Reject(ReadErrorKind::NotBmpSignature);
    }
    if (bytes.size() < kHeadersEnd) {
        return Reject(ReadErrorKind::TruncatedHeaders);
    }
    const BITMAPFILEHEADER file = bmp::DecodeFileHeader(bytes.first<kFileHeaderBytes>());
    const BITMAPINFOHEADER info =
        bmp::DecodeInfoHeader(bytes.subspan<kFileHeaderBytes, kInfoHeaderBytes>());

    // The tests and their order are fixed: depth, then size, then what this reader cannot take.
    if (info.biBitCount != 8) {
        return Reject(ReadErrorKind::NotEightBit, info.biBitCount);
    }
    if (info.biHeight != kLogoHeight || info.biWidth != kLogoWidth) {
        return Failure{ReadError{ReadErrorKind::WrongSize, 0, info.biWidth, info.biHeight, 0}};
    }
    if (info.biCompression != kCompressionNone && info.biCompression != kCompressionRle8) {
        return Reject(ReadErrorKind::UnsupportedCompression, info.biCompression);
    }
    if (info.biClrUsed > kPaletteEntries) {
        return Reject(ReadErrorKind::TooManyColours, info.biClrUsed);
    }

    const std::size_t stored = info.biClrUsed == 0 ? kPaletteEntries : info.biClrUsed;
    const bool convert =
        stored < kPaletteEntries && askConvert && askConvert(static_cast<int>(stored));
    return Fill(bytes, file, info, stored, convert);
}

Result<DecodedLogo, ReadError> ReadLogoFile(const std::string& path, const AskConvert& askConvert) {
    auto bytes = ReadFilePrefix(path, kMaxLogoFileBytes);
    if (!bytes) {
        const auto& failure = bytes.error();
        const auto kind = failure.kind == FileReadError::Kind::NotRegularFile
                              ? ReadErrorKind::NotRegularFile
                              : ReadErrorKind::CannotOpen;
        return Failure{ReadError{kind, failure.systemError, 0, 0, 0}};
    }
    return DecodeLogoFile(bytes.value().span(), askConvert);
}

}  // namespace rotopal
