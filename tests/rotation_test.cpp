#include "animation/rotation.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct RangeRow {
    const char* name;
    std::uint8_t lastIndex;
    std::uint8_t span;
};

class RotationTest : public ::testing::TestWithParam<RangeRow> {};

// After k steps entry i of the range holds the starting colour of F + ((i - F + k) mod n);
// everything outside the range never moves.
TEST_P(RotationTest, FollowsTheFrameFormulaAndComesBackAfterNSteps) {
    const auto& row = GetParam();
    const int last = row.lastIndex, first = last - row.span, n = row.span + 1;
    const Palette start = test::DistinctPalette();
    Palette palette = start;
    for (int k = 1; k <= n; ++k) {
        RotatePalette(palette, row.lastIndex, row.span);
        for (int i = 0; i < 256; ++i) {
            const int source = (i < first || i > last) ? i : first + (i - first + k) % n;
            ASSERT_EQ(palette[static_cast<std::size_t>(i)], start[static_cast<std::size_t>(source)])
                << "entry " << i << " after " << k << " steps";
        }
    }
    EXPECT_EQ(palette, start);
}

INSTANTIATE_TEST_SUITE_P(
    Rotation, RotationTest,
    ::testing::Values(RangeRow{"OneEntryNeverMoves", 255, 0}, RangeRow{"TwoEntriesSwap", 255, 1},
                      RangeRow{"SixteenAtTheTop", 255, 15}, RangeRow{"AllButEntryZero", 255, 254},
                      RangeRow{"WholePalette", 255, 255}, RangeRow{"SixteenColourImage", 15, 9},
                      RangeRow{"EntryZeroAlone", 0, 0}, RangeRow{"MidPalette", 100, 40}),
    test::CaseName());

TEST(Rotation, OneStepOfSixteenMovesEachColourDownByOne) {
    const Palette start = test::DistinctPalette();
    Palette palette = start;
    RotatePalette(palette, 255, 15);
    EXPECT_EQ(palette[240], start[241]);
    EXPECT_EQ(palette[254], start[255]);
    EXPECT_EQ(palette[255], start[240]);
    EXPECT_EQ(palette[239], start[239]);
}

TEST(Rotation, SpanBeyondLastIndexLeavesThePaletteAlone) {
    const Palette start = test::DistinctPalette();
    Palette palette = start;
    RotatePalette(palette, 15, 16);
    EXPECT_EQ(palette, start);
}

}  // namespace
}  // namespace rotopal
