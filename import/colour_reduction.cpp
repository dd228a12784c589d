#include "import/colour_reduction.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <unordered_map>

namespace rotopal {
namespace {

// libimagequant's objects, each freed by its own function.
template <class T, void (*Destroy)(T*)>
struct LiqDeleter {
    void operator()(T* object) const { Destroy(object); }
};
using LiqAttr = std::unique_ptr<liq_attr, LiqDeleter<liq_attr, liq_attr_destroy>>;
using LiqImage = std::unique_ptr<liq_image, LiqDeleter<liq_image, liq_image_destroy>>;
using LiqResult = std::unique_ptr<liq_result, LiqDeleter<liq_result, liq_result_destroy>>;

// A speed of 1 to 10 trades time for quality. Measured on six photographs at 236 colours
// (bench/import_bench.py), from the sample below: 6 takes 20 ms against 30 ms at 5 and 50 ms at
// 4, for 0.01 to 0.06 dB; 7 loses another 0.2 dB, and from 8 on, where the refining passes
// stop, a dB is lost.
constexpr int kQuantizeSpeed = 6;
// The colours are looked for in every second pixel of every second row: on the same
// photographs that halves the time and loses 0.01 to 0.23 dB (most often under 0.1).
constexpr int kSampleStep = 2;

ImportError QuantizeFailed(const char* what) {
    return ImportError{.kind = ImportErrorKind::QuantizeFailed, .detail = what};
}

// libimagequant tells running out of memory apart from its other failures; so does the user.
ImportError Failed(liq_error error, const char* what) {
    if (error == LIQ_OUT_OF_MEMORY) {
        return ImportError{.kind = ImportErrorKind::OutOfMemory, .detail = what};
    }
    return QuantizeFailed(what);
}

// One colour for everything: the kept colour if there is one, else the average.
ReducedPicture SingleColour(std::span<const std::uint8_t> rgba, std::size_t pixels,
                            std::optional<Rgb> keep) {
    RGBQUAD colour{};
    if (keep) {
        colour = ToRgbQuad(*keep);
    } else if (pixels > 0) {
        std::array<std::uint64_t, 3> sum{};
        for (std::size_t i = 0; i < pixels; ++i) {
            for (std::size_t c = 0; c < 3; ++c) {
                sum[c] += rgba[4 * i + c];
            }
        }
        const auto mean = [&](std::size_t c) {
            return static_cast<std::uint8_t>((sum[c] + pixels / 2) / pixels);
        };
        colour = RGBQUAD{mean(2), mean(1), mean(0), 0};
    }
    return ReducedPicture{{colour}, std::vector<std::uint8_t>(pixels, 0)};
}

// The picture itself when it has no more colours than asked for: each keeps its exact value,
// in the order they first appear. Nothing when it has more.
std::optional<ReducedPicture> ExactColours(std::span<const std::uint8_t> rgba, std::size_t pixels,
                                           int colours, std::optional<Rgb> keep) {
    ReducedPicture exact;
    exact.indices.resize(pixels);
    std::unordered_map<std::uint32_t, std::uint8_t> found;
    const auto add = [&](std::uint32_t key) -> std::optional<std::uint8_t> {
        const auto [at, added] = found.try_emplace(key, static_cast<std::uint8_t>(found.size()));
        if (added) {
            if (found.size() > static_cast<std::size_t>(colours)) {
                return std::nullopt;
            }
            exact.palette.push_back(RGBQUAD{static_cast<std::uint8_t>(key),
                                            static_cast<std::uint8_t>(key >> 8),
                                            static_cast<std::uint8_t>(key >> 16), 0});
        }
        return at->second;
    };
    // Keys are 0x00RRGGBB.
    if (keep &&
        !add(std::uint32_t{keep->red} << 16 | std::uint32_t{keep->green} << 8 | keep->blue)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = &rgba[4 * i];
        const auto index = add(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
        if (!index) {
            return std::nullopt;
        }
        exact.indices[i] = *index;
    }
    return exact;
}

// Every kSampleStep-th pixel of every kSampleStep-th row.
std::vector<std::uint8_t> Sample(std::span<const std::uint8_t> rgba, int width, int height,
                                 int& sampleWidth, int& sampleHeight) {
    sampleWidth = (width + kSampleStep - 1) / kSampleStep;
    sampleHeight = (height + kSampleStep - 1) / kSampleStep;
    std::vector<std::uint8_t> sample;
    sample.reserve(static_cast<std::size_t>(sampleWidth) * static_cast<std::size_t>(sampleHeight) *
                   4);
    for (int y = 0; y < height; y += kSampleStep) {
        for (int x = 0; x < width; x += kSampleStep) {
            const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x)) *
                            4;
            sample.insert(sample.end(), rgba.begin() + static_cast<long>(at),
                          rgba.begin() + static_cast<long>(at + 4));
        }
    }
    return sample;
}

// Each pixel's nearest palette entry by squared RGB distance, the lower index on a tie: exactly
// what trying every entry gives, in a few tries each. The entries are walked outwards from the
// pixel's brightness (the sum of its channels), and the walk stops on either side where the
// brightness alone puts an entry further off than the best one found, since
// (dr + dg + db)^2 <= 3 (dr^2 + dg^2 + db^2).
std::vector<std::uint8_t> MapToNearest(std::span<const std::uint8_t> rgba, std::size_t pixels,
                                       const std::vector<RGBQUAD>& palette) {
    struct Entry {
        int sum;
        int r, g, b;
        std::uint8_t index;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const RGBQUAD& c = palette[i];
        entries.push_back({c.rgbRed + c.rgbGreen + c.rgbBlue, c.rgbRed, c.rgbGreen, c.rgbBlue,
                           static_cast<std::uint8_t>(i)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.sum != b.sum ? a.sum < b.sum : a.index < b.index;
    });
    // Where the walk starts for each brightness, 0 to 765.
    std::array<std::size_t, 766> start{};
    for (std::size_t sum = 0, at = 0; sum < start.size(); ++sum) {
        while (at + 1 < entries.size() && entries[at].sum < static_cast<int>(sum)) {
            ++at;
        }
        start[sum] = at;
    }
    std::vector<std::uint8_t> indices(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const int r = rgba[4 * i], g = rgba[4 * i + 1], b = rgba[4 * i + 2];
        const int sum = r + g + b;
        int best = 3 * 255 * 255 + 1;  // more than any distance
        std::uint8_t bestIndex = 0;
        const auto consider = [&](const Entry& e) {
            const int d = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
            if (d < best || (d == best && e.index < bestIndex)) {
                best = d;
                bestIndex = e.index;
            }
        };
        const std::size_t from = start[static_cast<std::size_t>(sum)];
        // Ties need the walk to go on while the bound could still equal the best.
        for (std::size_t up = from; up < entries.size(); ++up) {
            const int gap = entries[up].sum - sum;
            if (gap * gap > 3 * best) {
                break;
            }
            consider(entries[up]);
        }
        for (std::size_t down = from; down-- > 0;) {
            const int gap = sum - entries[down].sum;
            if (gap * gap > 3 * best) {
                break;
            }
            consider(entries[down]);
        }
        indices[i] = bestIndex;
    }
    return indices;
}

}  // namespace

Result<ReducedPicture, ImportError> ReduceColours(std::span<const std::uint8_t> rgba, int width,
                                                  int height, int colours, float dither,
                                                  std::optional<Rgb> keep) {
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || rgba.size() < 4 * pixels || colours < 1 || colours > 256) {
        return Failure{QuantizeFailed("invalid picture or colour count")};
    }
    // libimagequant wants at least two colours.
    if (colours == 1) {
        return SingleColour(rgba, pixels, keep);
    }

    // A picture with few colours, such as one drawn for the screen, keeps them all exactly.
    if (auto exact = ExactColours(rgba, pixels, colours, keep)) {
        return std::move(*exact);
    }
    // Its constructors fail only when they cannot allocate.
    const LiqAttr attr(liq_attr_create());
    if (!attr) {
        return Failure{Failed(LIQ_OUT_OF_MEMORY, "setting up the colour reduction")};
    }
    if (liq_set_max_colors(attr.get(), colours) != LIQ_OK ||
        liq_set_speed(attr.get(), kQuantizeSpeed) != LIQ_OK) {
        return Failure{QuantizeFailed("cannot set up the colour reduction")};
    }
    const LiqImage image(liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
    int sampleWidth = 0;
    int sampleHeight = 0;
    const std::vector<std::uint8_t> sample = Sample(rgba, width, height, sampleWidth, sampleHeight);
    const LiqImage sampled(
        liq_image_create_rgba(attr.get(), sample.data(), sampleWidth, sampleHeight, 0));
    if (!image || !sampled) {
        return Failure{Failed(LIQ_OUT_OF_MEMORY, "setting up the colour reduction")};
    }
    if (keep && liq_image_add_fixed_color(
                    sampled.get(), liq_color{keep->red, keep->green, keep->blue, 255}) != LIQ_OK) {
        return Failure{QuantizeFailed("cannot keep the background colour")};
    }
    // The colours are found in the sample; the whole picture is mapped to them.
    liq_result* quantized = nullptr;
    if (const liq_error error = liq_image_quantize(sampled.get(), attr.get(), &quantized);
        error != LIQ_OK) {
        return Failure{Failed(error, "finding the colours")};
    }
    const LiqResult result(quantized);
    ReducedPicture reduced;
    // Without dithering, each pixel takes its nearest colour, found exactly: better than the
    // library's approximate search by up to 0.06 dB on the benchmark's photos, and a tenth of
    // its time.
    if (dither <= 0) {
        const liq_palette* found = liq_get_palette(result.get());
        for (unsigned i = 0; i < found->count; ++i) {
            const liq_color& c = found->entries[i];
            reduced.palette.push_back(RGBQUAD{c.b, c.g, c.r, 0});
        }
        reduced.indices = MapToNearest(rgba, pixels, reduced.palette);
        return reduced;
    }
    reduced.indices.resize(pixels);
    if (liq_set_dithering_level(result.get(), dither) != LIQ_OK) {
        return Failure{QuantizeFailed("cannot set the dithering level")};
    }
    if (const liq_error error = liq_write_remapped_image(
            result.get(), image.get(), reduced.indices.data(), reduced.indices.size());
        error != LIQ_OK) {
        return Failure{Failed(error, "remapping the picture")};
    }
    // The palette is read after remapping, which may still refine it.
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        reduced.palette.push_back(RGBQUAD{c.b, c.g, c.r, 0});
    }
    return reduced;
}

}  // namespace rotopal
