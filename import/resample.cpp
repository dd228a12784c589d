#include "import/resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rotopal {
namespace {

constexpr double kLanczosLobes = 3;
constexpr double kCubicSupport = 2;

double Sinc(double x) {
    if (x == 0) {
        return 1;
    }
    const double a = std::numbers::pi * x;
    return std::sin(a) / a;
}

double Lanczos3(double x) {
    return std::abs(x) < kLanczosLobes ? Sinc(x) * Sinc(x / kLanczosLobes) : 0;
}

// Catmull-Rom: the cubic with a = -0.5 that Pillow and ImageMagick enlarge with.
double CatmullRom(double x) {
    constexpr double a = -0.5;
    x = std::abs(x);
    if (x <= 1) {
        return ((a + 2) * x - (a + 3)) * x * x + 1;
    }
    if (x < 2) {
        return ((a * x - 5 * a) * x + 8 * a) * x - 4 * a;
    }
    return 0;
}

// For each output position, the first input position it reads and the weights from there on.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;  // `span` per output position
    int span = 0;
};

Taps TapsFor(int in, int out) {
    const double scale = static_cast<double>(out) / in;
    const bool shrinking = scale < 1;
    const double support = shrinking ? kLanczosLobes / scale : kCubicSupport;
    const double stretch = shrinking ? scale : 1;
    Taps taps;
    taps.span = static_cast<int>(std::ceil(support)) * 2 + 1;
    taps.first.resize(static_cast<std::size_t>(out));
    taps.count.resize(static_cast<std::size_t>(out));
    taps.weights.assign(static_cast<std::size_t>(out) * static_cast<std::size_t>(taps.span), 0);
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int low = static_cast<int>(std::floor(centre - support)) + 1;
        const int high = std::min(static_cast<int>(std::ceil(centre + support)) - 1, low + taps.span - 1);
        // Positions past an edge take the edge pixel: their weight goes to it.
        const int first = std::clamp(low, 0, in - 1);
        const int last = std::clamp(high, 0, in - 1);
        float* w = taps.weights.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(taps.span);
        double total = 0;
        for (int at = low; at <= high; ++at) {
            const double weight = shrinking ? Lanczos3((at - centre) * stretch) : CatmullRom(at - centre);
            w[std::clamp(at, 0, in - 1) - first] += static_cast<float>(weight);
            total += weight;
        }
        for (int k = 0; k <= last - first; ++k) {
            w[k] = static_cast<float>(w[k] / total);
        }
        taps.first[static_cast<std::size_t>(i)] = first;
        taps.count[static_cast<std::size_t>(i)] = last - first + 1;
    }
    return taps;
}

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// One input row resampled across, alpha-weighted so that a transparent pixel's colour adds
// nothing, into `out` (four floats a pixel).
void AcrossRow(const std::uint8_t* in, bool alpha, const Taps& across, int width, float* out) {
    for (int x = 0; x < width; ++x, out += 4) {
        const auto i = static_cast<std::size_t>(x);
        const float* w = across.weights.data() + i * static_cast<std::size_t>(across.span);
        const std::uint8_t* p = in + static_cast<std::size_t>(across.first[i]) * 4;
        float sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < across.count[i]; ++k, p += 4) {
            const float weight = alpha ? w[k] * p[3] / 255.0f : w[k];
            for (int c = 0; c < 3; ++c) {
                sum[c] += weight * p[c];
            }
            sum[3] += w[k] * p[3];
        }
        std::copy(sum, sum + 4, out);
    }
}

void StoreUnpremultiplied(const float* pixel, std::uint8_t* out, bool alpha) {
    const float a = std::clamp(pixel[3], 0.0f, 255.0f);
    const float unweight = !alpha ? 1.0f : a > 0 ? 255.0f / a : 0.0f;
    for (int c = 0; c < 3; ++c) {
        out[c] = ToByte(pixel[c] * unweight);
    }
    out[3] = alpha ? ToByte(a) : 255;
}

}  // namespace

Raster Resample(const Raster& raster, int width, int height) {
    if (width == raster.width && height == raster.height) {
        return raster;
    }
    const Taps across = TapsFor(raster.width, width);
    const Taps down = TapsFor(raster.height, height);
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    // The rows resampled across that the rows below may still read: the windows of the output
    // rows only move down, and none holds more than `down.span` rows.
    const auto ringRows = static_cast<std::size_t>(down.span);
    std::vector<float> ring(ringRows * stride);
    int made = 0;  // rows resampled across so far

    Raster result = Raster::Blank(width, height, raster.alpha);
    std::vector<float> line(stride);
    for (int y = 0; y < height; ++y) {
        const auto i = static_cast<std::size_t>(y);
        const int first = down.first[i];
        const int last = first + down.count[i] - 1;
        for (; made <= last; ++made) {
            AcrossRow(raster.Row(made), raster.alpha, across, width,
                      ring.data() + static_cast<std::size_t>(made) % ringRows * stride);
        }
        const float* w = down.weights.data() + i * static_cast<std::size_t>(down.span);
        std::fill(line.begin(), line.end(), 0.0f);
        for (int k = 0; k < down.count[i]; ++k) {
            const float* in = ring.data() + static_cast<std::size_t>(first + k) % ringRows * stride;
            for (std::size_t j = 0; j < stride; ++j) {
                line[j] += w[k] * in[j];
            }
        }
        std::uint8_t* out = result.Row(y);
        for (std::size_t j = 0; j < stride; j += 4) {
            StoreUnpremultiplied(line.data() + j, out + j, raster.alpha);
        }
    }
    return result;
}

Raster BoxShrink(const Raster& raster, int factor) {
    if (factor <= 1) {
        return raster;
    }
    const int width = std::max(1, raster.width / factor);
    const int height = std::max(1, raster.height / factor);
    Raster result = Raster::Blank(width, height, raster.alpha);
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    std::vector<float> sums(stride);
    const int columns = std::min(factor, raster.width);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        const int rows = std::min(factor, raster.height - y * factor);
        for (int dy = 0; dy < rows; ++dy) {
            const std::uint8_t* in = raster.Row(y * factor + dy);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = in + static_cast<std::size_t>(x * factor) * 4;
                float* sum = sums.data() + static_cast<std::size_t>(x) * 4;
                for (int dx = 0; dx < columns; ++dx, p += 4) {
                    const float weight = raster.alpha ? p[3] / 255.0f : 1.0f;
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += weight * p[c];
                    }
                    sum[3] += p[3];
                }
            }
        }
        const float count = static_cast<float>(rows * columns);
        for (float& sum : sums) {
            sum /= count;
        }
        std::uint8_t* out = result.Row(y);
        for (std::size_t j = 0; j < stride; j += 4) {
            StoreUnpremultiplied(sums.data() + j, out + j, raster.alpha);
        }
    }
    return result;
}

}  // namespace rotopal
