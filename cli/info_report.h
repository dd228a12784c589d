#pragma once

#include <string>

#include "core/logo_document.h"
#include "document/logo_reader.h"

namespace rotopal::cli {

// The report of `rotopal-cli info`: geometry, colours, the stored animation setting, what the
// reader repaired and a summary of the palette, as plain English lines.
std::string InfoReport(const std::string& path, const LogoDocument& document,
                       const LogoRepairs& repairs);

// The same facts as one JSON object on one line, for scripts. The keys are stable: file, size
// {width, height}, bitsPerPixel, compression ("none" or "rle8"), infoHeaderBytes,
// storedColours, biClrUsed, biClrImportant, rangeValue (null when none is stored),
// animatedEntries [{index, colour "#RRGGBB"}], usedEntries, distinctColours, repairs [text].
std::string InfoJson(const std::string& path, const LogoDocument& document,
                     const LogoRepairs& repairs);

// "#RRGGBB" for a palette entry.
std::string HexColour(const RGBQUAD& entry);

}  // namespace rotopal::cli
