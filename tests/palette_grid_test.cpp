// The palette window's grid: outline precedence, box geometry, what is drawn, hit-testing.

#include "palette/palette_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "palette/view_render.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct OutlineCase {
    const char* name;
    int index;
    GridMarks marks;
    std::uint32_t outline;
};

class OutlineOfTest : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(OutlineOfTest, LaterRulesWin) {
    EXPECT_EQ(OutlineOf(GetParam().index, GetParam().marks), GetParam().outline);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OutlineOfTest,
    ::testing::Values(OutlineCase{"Plain", 10, {16, {}, {}, false}, kOutlineNone},
                      OutlineCase{"JustBelowRange", 239, {16, {}, {}, false}, kOutlineNone},
                      OutlineCase{"RangeBottom", 240, {16, {}, {}, false}, kOutlineAnimated},
                      OutlineCase{"RangeTop", 255, {16, {}, {}, false}, kOutlineAnimated},
                      OutlineCase{"NoRange", 255, {0, {}, {}, false}, kOutlineNone},
                      OutlineCase{"WholeRangeSparesZero", 0, {255, {}, {}, false}, kOutlineNone},
                      OutlineCase{
                          "SelectedOverAnimated", 250, {16, 250, {}, false}, kOutlineSelected},
                      OutlineCase{"HoverOverSelected", 250, {16, 250, 250, false}, kOutlineHover},
                      OutlineCase{"HoverOverAnimated", 241, {16, 3, 241, false}, kOutlineHover},
                      OutlineCase{"HoverWhileSwapping", 5, {16, 5, 5, true}, kOutlineHoverSwap},
                      OutlineCase{"SelectedWhileSwapping", 5, {16, 5, 6, true}, kOutlineSelected}),
    test::CaseName{});

TEST(RenderPaletteGrid, BoxesRunFromCornerToCornerInclusive) {
    const Palette palette = test::DistinctPalette();
    ArgbImage image;
    RenderPaletteGrid(palette, 255, {16, 17, 200, false}, image);
    ASSERT_EQ(image.width, 240);
    ASSERT_EQ(image.height, 240);
    for (const int index : {0, 15, 17, 200, 240, 255}) {
        const int left = index % 16 * 15, top = index / 16 * 15;
        const std::uint32_t outline = OutlineOf(index, {16, 17, 200, false});
        const std::uint32_t fill = ArgbOf(palette[static_cast<std::size_t>(index)]);
        SCOPED_TRACE(index);
        // The four corners and the middle of each edge are outline.
        for (const auto& [dx, dy] :
             {std::pair{0, 0}, {14, 0}, {0, 14}, {14, 14}, {7, 0}, {0, 7}, {14, 7}, {7, 14}}) {
            EXPECT_EQ(image.At(left + dx, top + dy), outline) << dx << "," << dy;
        }
        // The inside, 13 x 13, is the entry's colour.
        for (const auto& [dx, dy] : {std::pair{1, 1}, {13, 1}, {1, 13}, {13, 13}, {7, 7}}) {
            EXPECT_EQ(image.At(left + dx, top + dy), fill) << dx << "," << dy;
        }
    }
    EXPECT_EQ(image.At(15 * 17 % 240, 15), kOutlineSelected);  // cell 17's top-left corner
    EXPECT_EQ(image.At(200 % 16 * 15, 200 / 16 * 15), kOutlineHover);
}

TEST(RenderPaletteGrid, DrawsOnlyTheEntriesTheImageUses) {
    const Palette palette = test::DistinctPalette();
    ArgbImage image = ArgbImage::Filled(240, 240, kArgbWhite);  // reused: cleared to black
    RenderPaletteGrid(palette, 15, {255, 20, {}, false}, image);
    for (int x = 0; x < 240; ++x) {
        // Entry 0 never animates; 1..15 do with N = 255.
        const std::uint32_t outline = x < 15 ? kOutlineNone : kOutlineAnimated;
        EXPECT_EQ(image.At(x, 7), x % 15 == 0 || x % 15 == 14
                                      ? outline
                                      : ArgbOf(palette[static_cast<std::size_t>(x / 15)]))
            << x;
    }
    // Rows 1 to 15 stay black: the selected entry 20 lies beyond lastIndex and is not drawn.
    for (int y = 15; y < 240; y += 7) {
        for (int x = 0; x < 240; x += 3)
            ASSERT_EQ(image.At(x, y), kArgbBlack) << x << "," << y;
    }
}

// Every pixel against the definition: the cell under it, and whether it lies on that cell's
// outline or inside it.
std::uint32_t ExpectedGridPixel(const Palette& palette, int lastIndex, const GridMarks& marks,
                                int x, int y) {
    const int index = y / 15 * 16 + x / 15;
    if (index > lastIndex)
        return kArgbBlack;
    const bool edge = x % 15 == 0 || x % 15 == 14 || y % 15 == 0 || y % 15 == 14;
    return edge ? OutlineOf(index, marks) : ArgbOf(palette[static_cast<std::size_t>(index)]);
}

struct WholeGridCase {
    const char* name;
    int lastIndex;
    GridMarks marks;
};

class WholeGridTest : public ::testing::TestWithParam<WholeGridCase> {};

TEST_P(WholeGridTest, EveryPixelMatchesItsCell) {
    const Palette palette = test::DistinctPalette();
    const auto& [name, lastIndex, marks] = GetParam();
    ArgbImage image = ArgbImage::Filled(240, 240, kArgbWhite);
    RenderPaletteGrid(palette, static_cast<std::uint8_t>(lastIndex), marks, image);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(image.At(x, y), ExpectedGridPixel(palette, lastIndex, marks, x, y))
                << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, WholeGridTest,
                         ::testing::Values(WholeGridCase{"Full", 255, {16, 17, 200, false}},
                                           WholeGridCase{"Swapping", 255, {255, 0, 255, true}},
                                           WholeGridCase{
                                               "NothingAnimated", 255, {0, {}, {}, false}},
                                           WholeGridCase{"SixteenColours", 15, {6, 3, 15, false}},
                                           WholeGridCase{"EndsMidRow", 100, {200, 99, 101, false}},
                                           WholeGridCase{"OneColour", 0, {255, 0, 0, false}}),
                         test::CaseName{});

struct PixelCase {
    const char* name;
    float coordinate;
    int pixel;
};

class WholePixelTest : public ::testing::TestWithParam<PixelCase> {};

TEST_P(WholePixelTest, RoundsDown) {
    EXPECT_EQ(WholePixel(GetParam().coordinate), GetParam().pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, WholePixelTest,
    ::testing::Values(PixelCase{"Zero", 0.0f, 0}, PixelCase{"HalfOut", -0.5f, -1},
                      PixelCase{"JustOut", -0.001f, -1}, PixelCase{"InsideFirst", 0.99f, 0},
                      PixelCase{"LastPixel", 239.9f, 239}, PixelCase{"Beyond", 240.0f, 240},
                      PixelCase{"FarOut", -1.0e30f, -1000000},
                      PixelCase{"FarBeyond", 3.0e38f, 1000000},
                      PixelCase{"NotANumber", std::numeric_limits<float>::quiet_NaN(), -1}),
    test::CaseName{});

struct CellCase {
    const char* name;
    int x, y;
    int cell;  // -1: off the grid
};

class CellAtTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellAtTest, FindsTheCellUnderThePoint) {
    const auto cell = CellAt(GetParam().x, GetParam().y);
    EXPECT_EQ(cell ? int{*cell} : -1, GetParam().cell);
}

INSTANTIATE_TEST_SUITE_P(
    Points, CellAtTest,
    ::testing::Values(CellCase{"Origin", 0, 0, 0}, CellCase{"FirstCellEnd", 14, 14, 0},
                      CellCase{"SecondColumn", 15, 0, 1}, CellCase{"SecondRow", 0, 15, 16},
                      CellCase{"LastCell", 239, 239, 255}, CellCase{"RightOf", 240, 0, -1},
                      CellCase{"Below", 0, 240, -1}, CellCase{"LeftOf", -1, 5, -1},
                      CellCase{"Above", 5, -1, -1}, CellCase{"Row3Col5", 80, 50, 53}),
    test::CaseName{});

}  // namespace
}  // namespace rotopal
