#include "import/screen_layout.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/logo_document.h"
#include "import/fit_geometry.h"
#include "import/resample.h"

namespace rotopal {
namespace {

int RoundInto(double value, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(value)), low, high);
}

// The picture in the middle of the screen's top `rows` rows, its alpha flattened onto the
// background, which fills the rest.
ScreenPicture CentreOnScreen(const Raster& picture, Rgb background, int rows) {
    const int left = (kLogoWidth - picture.width) / 2;
    const int top = std::max(0, (rows - picture.height) / 2);
    ScreenPicture result;
    result.showsBackground = picture.width < kLogoWidth || picture.height < rows;
    result.rgba.resize(kLogoPixelCount * 4);
    const std::uint8_t fill[4] = {background.red, background.green, background.blue, 255};
    for (std::size_t i = 0; i < result.rgba.size(); i += 4) {
        std::copy(fill, fill + 4, result.rgba.begin() + static_cast<std::ptrdiff_t>(i));
    }
    const int shownRows = std::min(picture.height, kLogoHeight - top);
    for (int y = 0; y < shownRows; ++y) {
        const std::uint8_t* in = picture.Row(y);
        std::uint8_t* out =
            result.rgba.data() + (static_cast<std::size_t>(top + y) * kLogoWidth + static_cast<std::size_t>(left)) * 4;
        for (int x = 0; x < picture.width; ++x, in += 4, out += 4) {
            const unsigned a = picture.alpha ? in[3] : 255;
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>((in[c] * a + fill[c] * (255 - a) + 127) / 255);
            }
        }
    }
    return result;
}

}  // namespace

Result<ScreenPicture, ImportError> LayOntoScreen(const DecodedPicture& picture, Fit fit,
                                                 Rgb background, int bandRows) {
    try {
        // Contain shows the whole picture: it keeps above the band.
        const int rows = fit == Fit::Contain ? kLogoHeight - bandRows : kLogoHeight;
        const Placement p = Place(picture.width, picture.height, fit, rows);
        // The region in the kept picture, which is smaller than the one in the file.
        const Raster& kept = picture.kept;
        const int cutWidth = RoundInto(
            static_cast<double>(p.regionWidth) * kept.width / picture.width, 1, kept.width);
        const int cutHeight = RoundInto(
            static_cast<double>(p.regionHeight) * kept.height / picture.height, 1, kept.height);
        const Raster cut = Cut(kept, (kept.width - cutWidth) / 2, (kept.height - cutHeight) / 2,
                               cutWidth, cutHeight);
        ScreenPicture screen =
            CentreOnScreen(Resample(cut, std::min(p.width, kLogoWidth), p.height), background, rows);
        screen.repairs = picture.repairs;
        return screen;
    } catch (const std::bad_alloc&) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}};
    }
}

}  // namespace rotopal
