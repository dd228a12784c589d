#pragma once

#include "core/logo_document.h"

namespace rotopal::samples {

// A 256-colour start-up screen: sky, sun, hills and the product name, with a band of diagonal
// stripes drawn in the animated entries 240..255 (biClrImportant 240, a range value of 16).
LogoDocument MakeStartupScreen();

// A 16-colour night scene (biClrUsed 16) whose waves use the animated entries 10..15
// (biClrImportant 10).
LogoDocument MakeSixteenColourScreen();

}  // namespace rotopal::samples
