#pragma once

#include <string>
#include <vector>

#include "import/import_error.h"

namespace rotopal {

// Damage the import told in its words (a known phrase) in the window's language; anything else
// as it is.
std::string DamageText(const std::string& words);

// The status line while a picture is being made into a screen, `percent` of the way.
std::string ImportProgressText(int percent);

// Why a picture could not be made into a screen: the heading, the picture's path, the reason
// for its kind of failure with its particulars (the size, the system's reason), and the
// decoder's or loader's own words where it gave any, a line each.
std::string ImportFailureText(const std::string& path, const ImportError& error);

// A screen made from a damaged picture: what the decoder read past, a line each.
std::string ImportRepairText(const std::vector<std::string>& repairs);

}  // namespace rotopal
