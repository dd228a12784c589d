#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/logo_document.h"
#include "core/result.h"
#include "document/read_error.h"

namespace rotopal {

// Asked with the stored colour count (1 to 255) of a file that stores fewer than 256 colours,
// after its headers passed every test and before its colour table is taken. True converts the
// document to 256 colours; false keeps the file's own count.
using AskConvert = std::function<bool(int colourCount)>;

// Only this much of a file is looked at. A 320 x 400 screen is about 129 KB, and even a
// worst-case RLE8 stream behind the largest header stays far below it.
inline constexpr std::size_t kMaxLogoFileBytes = 16u * 1024u * 1024u;

// What the reader put right in a damaged file that it still read; all false for a sound file.
struct LogoRepairs {
    bool colourTableCutShort = false;  // the file ends inside the colour table
    bool offsetIgnored = false;        // bfOffBits pointed nowhere usable
    bool pixelBlockCutShort = false;   // the uncompressed pixels end early
    bool rle8CutShort = false;         // the RLE8 stream ends before its end code
    bool rle8RunsClipped = false;      // RLE8 runs crossed the right edge
    bool rle8BelowImage = false;       // the RLE8 stream goes on below the last row

    friend bool operator==(const LogoRepairs&, const LogoRepairs&) = default;
};

// Each repair made, as an English phrase saying what was done about it.
std::vector<std::string> RepairPhrases(const LogoRepairs& repairs);

struct DecodedLogo {
    LogoDocument document;
    LogoRepairs repairs;
    // biClrImportant as the file stores it: the conversion to 256 colours clears the document's.
    std::uint32_t storedClrImportant = 0;
};

// Decodes a logo screen from the bytes of a whole file into a fresh document.
Result<DecodedLogo, ReadError> DecodeLogoFile(std::span<const std::uint8_t> bytes,
                                              const AskConvert& askConvert);

// Reads the file at path in one pass and decodes it. The caller's own document is never touched,
// so a rejected file cannot damage the one that is open.
Result<DecodedLogo, ReadError> ReadLogoFile(const std::string& path, const AskConvert& askConvert);

}  // namespace rotopal
