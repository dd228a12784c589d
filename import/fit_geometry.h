#pragma once

#include "core/logo_document.h"
#include "import/import_options.h"

namespace rotopal {

// The part of a picture that shows, centred in it, and the size it is drawn at on the screen,
// in the picture's upright orientation. The screen is seen on a 4:3 display, where each of its
// 320 x 400 pixels is 5:3 as wide as tall. Contain fits the whole picture into the top `rows`
// rows (those above the band); cover and stretch fill the screen.
struct Placement {
    int regionWidth = 0;
    int regionHeight = 0;
    int width = 0;
    int height = 0;
};
Placement Place(int width, int height, Fit fit, int rows = kLogoHeight);

// The smallest size a picture can be decoded at from which every fit is drawn by shrinking (or,
// where a fit enlarges, as it is).
struct Needed {
    int width = 0;
    int height = 0;
};
Needed NeededForEveryFit(int width, int height);

}  // namespace rotopal
