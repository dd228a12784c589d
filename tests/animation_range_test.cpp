#include "palette/animation_range.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct CountRow {
    const char* name;
    RangeValue n;
    std::uint8_t lastIndex;
    int count;
};

class AnimatedCountTest : public ::testing::TestWithParam<CountRow> {};

TEST_P(AnimatedCountTest, CountsTheUsedAnimatedEntries) {
    const auto& row = GetParam();
    EXPECT_EQ(AnimatedCount(row.n, row.lastIndex), row.count);
}

INSTANTIATE_TEST_SUITE_P(Range, AnimatedCountTest,
                         ::testing::Values(CountRow{"FullPaletteNone", 0, 255, 0},
                                           CountRow{"FullPaletteSixteen", 16, 255, 16},
                                           CountRow{"FullPaletteMost", 255, 255, 255},
                                           CountRow{"SixteenColoursNothingSet", 0, 15, -240},
                                           CountRow{"SixteenColoursJustBelow", 240, 15, 0},
                                           CountRow{"SixteenColoursFirstUsed", 241, 15, 1},
                                           CountRow{"SixteenColoursTen", 250, 15, 10},
                                           CountRow{"SixteenColoursTop", 255, 15, 15},
                                           CountRow{"OneColourTop", 255, 0, 0}),
                         test::CaseName());

struct StoredRow {
    const char* name;
    std::uint32_t biClrImportant;
    std::optional<int> range;
};

class StoredRangeTest : public ::testing::TestWithParam<StoredRow> {};

TEST_P(StoredRangeTest, ReadsTheFilesSetting) {
    const auto& row = GetParam();
    const auto range = RangeValueFromClrImportant(row.biClrImportant);
    ASSERT_EQ(range.has_value(), row.range.has_value());
    if (range) {
        EXPECT_EQ(*range, *row.range);
        // What is read is what a save writes back.
        EXPECT_EQ(ClrImportantForRange(*range), row.biClrImportant);
    }
}

INSTANTIATE_TEST_SUITE_P(Range, StoredRangeTest,
                         ::testing::Values(StoredRow{"ZeroMeansNoSetting", 0, std::nullopt},
                                           StoredRow{"One", 1, 255}, StoredRow{"TwoForty", 240, 16},
                                           StoredRow{"TwoFiftySix", 256, 0},
                                           StoredRow{"TwoFiftySeven", 257, std::nullopt},
                                           StoredRow{"Negative", 0xFFFFFFFF, std::nullopt}),
                         test::CaseName());

}  // namespace
}  // namespace rotopal
