// The kept view image redraws only changed entries; after any sequence of renders it must be
// exactly what a full render draws.

#include "palette/recolourable_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "palette/view_render.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

ArgbImage FullRender(const LogoPixels& pixels, const Palette& palette) {
    ArgbImage image = ArgbImage::Filled(kLogoWidth, kLogoHeight, 0);
    RenderView(pixels, palette, image);
    return image;
}

// Pixels of a few kinds: changed entries in long runs, scattered, and at the ends of rows and
// of runs of 16, where a run-skipping loop would go wrong first.
enum class Layout { Bands, Noise, RowEnds };

std::unique_ptr<LogoPixels> MakePixels(Layout layout, std::mt19937& random) {
    auto pixels = std::make_unique<LogoPixels>();
    for (std::size_t i = 0; i < pixels->size(); ++i) {
        const std::size_t x = i % kLogoWidth, y = i / kLogoWidth;
        switch (layout) {
            case Layout::Bands: (*pixels)[i] = static_cast<std::uint8_t>(y / 2 + x / 40); break;
            case Layout::Noise: (*pixels)[i] = static_cast<std::uint8_t>(random()); break;
            case Layout::RowEnds:
                (*pixels)[i] = x % 16 == 15 || x == 0 ? static_cast<std::uint8_t>(200 + y % 50) : 3;
                break;
        }
    }
    return pixels;
}

class RecolourableViewTest : public ::testing::TestWithParam<Layout> {};

TEST_P(RecolourableViewTest, EveryRenderMatchesAFullRender) {
    std::mt19937 random(7);
    auto pixels = MakePixels(GetParam(), random);
    Palette palette = test::DistinctPalette();
    RecolourableView view;
    view.Reset(ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbWhite));
    for (int step = 0; step < 60; ++step) {
        switch (step % 6) {
            case 0:  // a range step or a selection: one entry inverted
            case 1: {
                const auto i = static_cast<std::size_t>(random() % 256);
                palette[i] = Inverted(palette[i]);
                break;
            }
            case 2:  // a wide range change: many entries at once
                for (std::size_t i = random() % 256; i < 256; ++i)
                    palette[i] = Inverted(palette[i]);
                break;
            case 3:  // nothing changed
                break;
            case 4:  // only the reserved byte changed: the colour shown is the same
                palette[random() % 256].rgbReserved ^= 0xFF;
                break;
            case 5:  // the pixels changed, as an exchange or a newly opened file does
                (*pixels)[random() % pixels->size()] = static_cast<std::uint8_t>(random());
                break;
        }
        view.Render(*pixels, palette);
        ASSERT_EQ(view.image(), FullRender(*pixels, palette)) << "step " << step;
    }
}

std::string LayoutName(const ::testing::TestParamInfo<Layout>& info) {
    constexpr const char* kNames[] = {"Bands", "Noise", "RowEnds"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecolourableViewTest,
                         ::testing::Values(Layout::Bands, Layout::Noise, Layout::RowEnds),
                         LayoutName);

TEST(RecolourableView, ARenderAfterAResetDrawsEverything) {
    std::mt19937 random(3);
    const auto pixels = MakePixels(Layout::Bands, random);
    const Palette palette = test::DistinctPalette();
    RecolourableView view;
    view.Render(*pixels, palette);
    // The same pixels and palette again, but over an image that no longer shows them.
    for (ArgbImage shown : {ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbWhite), ArgbImage{}}) {
        view.Reset(shown);
        EXPECT_EQ(view.image(), shown);
        view.Render(*pixels, palette);
        EXPECT_EQ(view.image(), FullRender(*pixels, palette));
    }
}

}  // namespace
}  // namespace rotopal
