// The view's two images: the plain rendering, the highlight palette and the double width.

#include "palette/view_render.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct InvertCase {
    const char* name;
    std::uint8_t value;
    std::uint8_t inverted;
};

class InvertedTest : public ::testing::TestWithParam<InvertCase> {};

TEST_P(InvertedTest, MapsEachChannelToItsComplementAndKeepsReserved) {
    const auto v = GetParam().value;
    const auto e = Inverted(RGBQUAD{v, v, v, 0x5A});
    EXPECT_EQ(e, (RGBQUAD{GetParam().inverted, GetParam().inverted, GetParam().inverted, 0x5A}));
    EXPECT_EQ(Inverted(RGBQUAD{0, 128, 255, 1}), (RGBQUAD{255, 127, 0, 1}));
}

INSTANTIATE_TEST_SUITE_P(Values, InvertedTest,
                         ::testing::Values(InvertCase{"Black", 0, 255}, InvertCase{"White", 255, 0},
                                           InvertCase{"MidGrey", 128, 127},
                                           InvertCase{"LowGrey", 127, 128}),
                         test::CaseName{});

struct HighlightCase {
    const char* name;
    std::optional<std::uint8_t> selected;
    int n;
    std::vector<int> inverted;  // the entries expected inverted, all others true
};

class HighlightPaletteTest : public ::testing::TestWithParam<HighlightCase> {};

TEST_P(HighlightPaletteTest, InvertsTheRangeAndTheSelectionOnOneCopy) {
    const Palette palette = test::DistinctPalette();
    const Palette before = palette;
    const auto& c = GetParam();
    const Palette highlight = HighlightPalette(palette, c.selected, static_cast<RangeValue>(c.n));
    EXPECT_EQ(palette, before) << "the document's palette is never touched";
    for (int i = 0; i < 256; ++i) {
        const bool expectInverted =
            std::find(c.inverted.begin(), c.inverted.end(), i) != c.inverted.end();
        const auto& entry = palette[static_cast<std::size_t>(i)];
        EXPECT_EQ(highlight[static_cast<std::size_t>(i)], expectInverted ? Inverted(entry) : entry)
            << "entry " << i;
    }
}

std::vector<int> Span(int from, int to, std::vector<int> extra = {}) {
    for (int i = from; i <= to; ++i)
        extra.push_back(i);
    return extra;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HighlightPaletteTest,
    ::testing::Values(HighlightCase{"Nothing", std::nullopt, 0, {}},
                      HighlightCase{"SelectionOnly", 5, 0, {5}},
                      HighlightCase{"SelectedZero", 0, 0, {0}},
                      HighlightCase{"RangeOnly", std::nullopt, 16, Span(240, 255)},
                      HighlightCase{"SelectionOutside", 3, 16, Span(240, 255, {3})},
                      // Inverted twice, so it keeps its true colour and stands still.
                      HighlightCase{"SelectionInside", 250, 16,
                                    [] {
                                        auto v = Span(240, 255);
                                        v.erase(std::find(v.begin(), v.end(), 250));
                                        return v;
                                    }()},
                      HighlightCase{"SelectionAtRangeBottom", 240, 16, Span(241, 255)},
                      HighlightCase{"WholeRange", std::nullopt, 255, Span(1, 255)},
                      HighlightCase{"One", std::nullopt, 1, {255}}),
    test::CaseName{});

TEST(RenderView, TurnsBottomUpRowsIntoScreenRows) {
    LogoPixels pixels{};
    pixels[0] = 1;                // first row in the file, left: bottom-left on screen
    pixels[319] = 2;              // bottom-right
    pixels[399 * 320] = 3;        // last row in the file: top-left
    pixels[399 * 320 + 319] = 4;  // top-right
    Palette palette{};
    palette[0] = {0x10, 0x20, 0x30, 0xEE};
    palette[1] = {0xFF, 0, 0, 0};
    palette[2] = {0, 0xFF, 0, 0};
    palette[3] = {0, 0, 0xFF, 0};
    palette[4] = {1, 2, 3, 0};
    ArgbImage image = ArgbImage::Filled(320, 400, kArgbWhite);
    RenderView(pixels, palette, image);
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 400);
    EXPECT_EQ(image.At(0, 399), 0xFF0000FFu);
    EXPECT_EQ(image.At(319, 399), 0xFF00FF00u);
    EXPECT_EQ(image.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.At(319, 0), 0xFF030201u);
    EXPECT_EQ(image.At(5, 5), 0xFF302010u) << "opaque whatever the reserved byte holds";
}

TEST(RenderDoubleWidth, RepeatsEveryPixelSideBySide) {
    const LogoDocument doc = test::MakeDocument();
    ArgbImage single = ArgbImage::Filled(320, 400, 0);
    ArgbImage doubled = ArgbImage::Filled(640, 400, 0);
    RenderView(doc.pixels, doc.palette, single);
    RenderDoubleWidth(doc.pixels, doc.palette, doubled);
    ASSERT_EQ(doubled.width, 640);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 320; ++x) {
            ASSERT_EQ(doubled.At(2 * x, y), single.At(x, y)) << x << "," << y;
            ASSERT_EQ(doubled.At(2 * x + 1, y), single.At(x, y)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace rotopal
