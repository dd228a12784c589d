#include "tests/test_pictures.h"

#include <vips/vips8>

#include <memory>

namespace rotopal::test {

std::vector<std::uint8_t> EncodePicture(int width, int height, const PixelColour& colour,
                                        const std::string& kind, bool alpha, int orientation) {
    static const bool started = vips_init("rotopal-tests") == 0;
    if (!started) {
        return {};
    }
    const int bands = alpha ? 4 : 3;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * bands));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            for (int b = 0; b < bands; ++b) {
                pixels[static_cast<std::size_t>((y * width + x) * bands + b)] =
                    c[static_cast<std::size_t>(b)];
            }
        }
    }
    auto image = vips::VImage::new_from_memory(pixels.data(), pixels.size(), width, height, bands,
                                               VIPS_FORMAT_UCHAR)
                     .copy();
    if (orientation != 1) {
        image.set(VIPS_META_ORIENTATION, orientation);
    }
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(kind.c_str(), &buffer, &size);
    const std::unique_ptr<void, decltype(&g_free)> owned(buffer, &g_free);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

PixelColour StoredForOrientation6(PixelColour upright, int storedHeight) {
    return [upright, storedHeight](int x, int y) { return upright(storedHeight - 1 - y, x); };
}

PixelColour Stripes(int width, std::vector<Rgb> colours) {
    return [width, colours](int x, int) {
        const auto& c =
            colours[static_cast<std::size_t>(x) * colours.size() / static_cast<std::size_t>(width)];
        return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
    };
}

std::uint8_t ScreenIndexAt(const LogoDocument& document, int x, int y) {
    return document.pixels[static_cast<std::size_t>(kLogoHeight - 1 - y) * kLogoWidth +
                           static_cast<std::size_t>(x)];
}

Rgb ScreenColourAt(const LogoDocument& document, int x, int y) {
    const RGBQUAD& c = document.palette[ScreenIndexAt(document, x, y)];
    return Rgb{c.rgbRed, c.rgbGreen, c.rgbBlue};
}

}  // namespace rotopal::test
