#include "import/fit_geometry.h"

#include <algorithm>
#include <cmath>

#include "core/logo_document.h"

namespace rotopal {
namespace {

// In square pixels of the 4:3 display, the screen's 320 x 400 pixels cover 640 x 480.
constexpr int kDisplayWidth = 640;
constexpr int kDisplayHeight = 480;

int RoundInto(double value, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(value)), low, high);
}

}  // namespace

Placement Place(int width, int height, Fit fit, int rows) {
    const double across = static_cast<double>(kDisplayWidth) / width;
    const double down = static_cast<double>(kDisplayHeight) / height;
    switch (fit) {
        case Fit::Contain: {
            rows = std::clamp(rows, 1, kLogoHeight);
            const double scale = std::min(across, down * rows / kLogoHeight);
            // From the display's square pixels to the screen's: half the columns, 5/6 the rows.
            return {width, height, RoundInto(width * scale / 2, 1, kLogoWidth),
                    RoundInto(height * scale * 5 / 6, 1, rows)};
        }
        case Fit::Cover: {
            const double scale = std::max(across, down);
            return {RoundInto(kDisplayWidth / scale, 1, width),
                    RoundInto(kDisplayHeight / scale, 1, height), kLogoWidth, kLogoHeight};
        }
        case Fit::Stretch: break;
    }
    return {width, height, kLogoWidth, kLogoHeight};
}

Needed NeededForEveryFit(int width, int height) {
    double across = 0;
    double down = 0;
    for (const Fit fit : {Fit::Contain, Fit::Cover, Fit::Stretch}) {
        const Placement p = Place(width, height, fit);
        across = std::max(across, static_cast<double>(p.width) / p.regionWidth);
        down = std::max(down, static_cast<double>(p.height) / p.regionHeight);
    }
    return {RoundInto(std::ceil(width * across), 1, width),
            RoundInto(std::ceil(height * down), 1, height)};
}

}  // namespace rotopal
