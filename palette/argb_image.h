#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rotopal {

// An off-screen image of 32-bit pixels, 0xAARRGGBB, rows top to bottom as a screen shows them.
struct ArgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    static ArgbImage Filled(int width, int height, std::uint32_t argb) {
        return ArgbImage{
            width, height,
            std::vector<std::uint32_t>(
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb)};
    }

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }

    friend bool operator==(const ArgbImage&, const ArgbImage&) = default;
};

inline constexpr std::uint32_t kArgbWhite = 0xFFFFFFFF;
inline constexpr std::uint32_t kArgbBlack = 0xFF000000;

}  // namespace rotopal
