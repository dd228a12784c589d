#pragma once

#include <string>

#include "core/logo_document.h"
#include "document/logo_reader.h"

namespace rotopal::cli {

// The report of `rotopal-cli info`: geometry, colours, the stored animation setting, what the
// reader repaired and a summary of the palette, as plain English lines.
std::string InfoReport(const std::string& path, const LogoDocument& document,
                       const LogoRepairs& repairs);

// "#RRGGBB" for a palette entry.
std::string HexColour(const RGBQUAD& entry);

}  // namespace rotopal::cli
