#include "samples/sample_screens.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "document/screen_headers.h"

namespace rotopal::samples {
namespace {

// Screens are shown stretched to twice their width, so a shape that should look round is drawn
// half as wide as it is tall.
constexpr double kAspect = 2.0;

// Draws in top-down coordinates; the document stores the bottom row first.
class Canvas {
public:
    explicit Canvas(LogoDocument& document) : document_(document) {}

    void Set(int x, int y, std::uint8_t index) {
        if (x < 0 || y < 0 || x >= kLogoWidth || y >= kLogoHeight) {
            return;
        }
        const auto row = static_cast<std::size_t>(kLogoHeight - 1 - y);
        document_.pixels[row * kLogoWidth + static_cast<std::size_t>(x)] = index;
    }

    template <class IndexAt>
    void Fill(IndexAt indexAt) {
        for (int y = 0; y < kLogoHeight; ++y) {
            for (int x = 0; x < kLogoWidth; ++x) {
                Set(x, y, indexAt(x, y));
            }
        }
    }

private:
    LogoDocument& document_;
};

RGBQUAD Rgb(double red, double green, double blue) {
    const auto byte = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return RGBQUAD{byte(blue), byte(green), byte(red), 0};
}

RGBQUAD Mix(RGBQUAD a, RGBQUAD b, double t) {
    return Rgb(a.rgbRed + (b.rgbRed - a.rgbRed) * t, a.rgbGreen + (b.rgbGreen - a.rgbGreen) * t,
               a.rgbBlue + (b.rgbBlue - a.rgbBlue) * t);
}

RGBQUAD Hue(double degrees) {
    const double h = std::fmod(degrees, 360.0) / 60.0;
    const double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
    const int sector = static_cast<int>(h);
    const std::array<std::array<double, 3>, 6> rgb{
        {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}}};
    const auto& c = rgb[static_cast<std::size_t>(sector % 6)];
    return Rgb(255 * c[0], 255 * c[1], 255 * c[2]);
}

// A 5 x 7 font with just the letters the samples spell.
constexpr std::array<std::uint8_t, 7> Glyph(char c) {
    switch (c) {
        case 'R': return {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11};
        case 'O': return {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
        case 'T': return {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04};
        case 'P': return {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10};
        case 'A': return {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11};
        case 'L': return {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F};
        default: return {};
    }
}

// Writes text with each font dot as a block of dotWidth x 2*dotWidth pixels, centred on cx.
void DrawText(Canvas& canvas, std::string_view text, int cx, int top, int dotWidth,
              std::uint8_t ink, std::uint8_t shadow) {
    const int dotHeight = static_cast<int>(dotWidth * kAspect);
    const int advance = 6 * dotWidth;
    const int left = cx - static_cast<int>(text.size()) * advance / 2;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto glyph = Glyph(text[i]);
        for (int gy = 0; gy < 7; ++gy) {
            for (int gx = 0; gx < 5; ++gx) {
                if (((glyph[static_cast<std::size_t>(gy)] >> (4 - gx)) & 1) == 0) {
                    continue;
                }
                const int x0 = left + static_cast<int>(i) * advance + gx * dotWidth;
                const int y0 = top + gy * dotHeight;
                for (int y = 0; y < dotHeight; ++y) {
                    for (int x = 0; x < dotWidth; ++x) {
                        canvas.Set(x0 + x + 1, y0 + y + 2, shadow);
                    }
                }
                for (int y = 0; y < dotHeight; ++y) {
                    for (int x = 0; x < dotWidth; ++x) {
                        canvas.Set(x0 + x, y0 + y, ink);
                    }
                }
            }
        }
    }
}

}  // namespace

LogoDocument MakeStartupScreen() {
    LogoDocument document{};
    SetScreenHeaders(document, 0, 240);

    // Entries: 0 black; 1..127 sky from deep blue to pale cyan; 128..191 hills; 192..223 sun;
    // 224 white ink; 225 shadow; 240..255 one turn of the colour wheel, the animated band.
    auto& p = document.palette;
    for (int i = 1; i <= 127; ++i) {
        p[static_cast<std::size_t>(i)] = Mix(Rgb(10, 20, 90), Rgb(150, 215, 245), (i - 1) / 126.0);
    }
    for (int i = 128; i <= 191; ++i) {
        p[static_cast<std::size_t>(i)] = Mix(Rgb(120, 200, 60), Rgb(20, 70, 30), (i - 128) / 63.0);
    }
    for (int i = 192; i <= 223; ++i) {
        p[static_cast<std::size_t>(i)] =
            Mix(Rgb(255, 250, 170), Rgb(250, 120, 30), (i - 192) / 31.0);
    }
    p[224] = Rgb(255, 255, 250);
    p[225] = Rgb(30, 30, 70);
    for (int i = 240; i <= 255; ++i) {
        p[static_cast<std::size_t>(i)] = Hue((i - 240) * 22.5);
    }

    Canvas canvas(document);
    constexpr int kSunX = 230, kSunY = 110, kSunRadius = 60;
    constexpr int kBandTop = 360, kBandBottom = 384;
    canvas.Fill([&](int x, int y) -> std::uint8_t {
        const double dx = (x - kSunX) * kAspect, dy = y - kSunY;
        const double sun = std::sqrt(dx * dx + dy * dy);
        const double hill = 270 + 18 * std::sin(x / 23.0) + 10 * std::sin(x / 9.0 + 1.3);
        if (y >= kBandTop && y < kBandBottom) {
            // Diagonal stripes, one palette step per 4 pixels, so rotation makes them travel.
            return static_cast<std::uint8_t>(240 + ((x + 2 * y) / 4) % 16);
        }
        if (y >= kBandBottom || y < 4) {
            return 0;
        }
        if (y > hill) {
            return static_cast<std::uint8_t>(128 + std::min(63.0, (y - hill) * 0.8 + (x % 7 == 0)));
        }
        if (sun < kSunRadius) {
            return static_cast<std::uint8_t>(192 + static_cast<int>(sun / kSunRadius * 31));
        }
        return static_cast<std::uint8_t>(1 + std::min(126, y * 126 / 270));
    });
    DrawText(canvas, "ROTOPAL", kLogoWidth / 2, 262, 6, 224, 225);
    return document;
}

LogoDocument MakeSixteenColourScreen() {
    LogoDocument document{};
    SetScreenHeaders(document, 16, 10);

    // 0 night blue, 1..4 sky bands, 5 moon, 6 moon rim, 7 ink, 8 shadow, 9 shore; 10..15 waves.
    auto& p = document.palette;
    p[0] = Rgb(8, 10, 40);
    p[1] = Rgb(14, 20, 64);
    p[2] = Rgb(22, 32, 92);
    p[3] = Rgb(34, 48, 120);
    p[4] = Rgb(50, 70, 150);
    p[5] = Rgb(250, 240, 200);
    p[6] = Rgb(200, 180, 120);
    p[7] = Rgb(255, 220, 120);
    p[8] = Rgb(40, 20, 10);
    p[9] = Rgb(90, 70, 40);
    for (int i = 10; i <= 15; ++i) {
        p[static_cast<std::size_t>(i)] = Mix(Rgb(20, 80, 160), Rgb(170, 230, 255), (i - 10) / 5.0);
    }

    Canvas canvas(document);
    constexpr int kMoonX = 80, kMoonY = 90, kMoonRadius = 40, kSea = 300;
    canvas.Fill([&](int x, int y) -> std::uint8_t {
        const double dx = (x - kMoonX) * kAspect, dy = y - kMoonY;
        const double moon = std::sqrt(dx * dx + dy * dy);
        if (y >= kSea) {
            const int wave = static_cast<int>(6 * std::sin(x / 11.0) + y / 5 + x / 17);
            return static_cast<std::uint8_t>(10 + ((wave % 6) + 6) % 6);
        }
        if (y >= kSea - 6) {
            return 9;
        }
        if (moon < kMoonRadius) {
            return moon > kMoonRadius - 3 ? 6 : 5;
        }
        return static_cast<std::uint8_t>(std::min(4, y / 60));
    });
    DrawText(canvas, "ROTOPAL", kLogoWidth / 2, 200, 5, 7, 8);
    return document;
}

}  // namespace rotopal::samples
