#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

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

// Decodes a logo screen from the bytes of a whole file into a fresh document.
Result<LogoDocument, ReadError> DecodeLogoFile(std::span<const std::uint8_t> bytes,
                                               const AskConvert& askConvert);

// Reads the file at path in one pass and decodes it. The caller's own document is never touched,
// so a rejected file cannot damage the one that is open.
Result<LogoDocument, ReadError> ReadLogoFile(const std::string& path, const AskConvert& askConvert);

}  // namespace rotopal
