#include "samples/sample_screens.h"

#include <gtest/gtest.h>

#include <array>

#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "palette/animation_range.h"

namespace rotopal {
namespace {

std::array<int, 256> IndexUse(const LogoDocument& doc) {
    std::array<int, 256> use{};
    for (const auto index : doc.pixels) {
        ++use[index];
    }
    return use;
}

// The samples are what the program and its tests open first; they must show an animation
// that the user can see, with every animated entry in real use.
TEST(Samples, StartupScreenAnimatesAVisibleBandOfSixteenColours) {
    const LogoDocument doc = samples::MakeStartupScreen();
    const auto read = DecodeLogoFile(EncodeLogoFile(doc), nullptr);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read.value().document, doc);
    EXPECT_EQ(doc.infoHeader.biClrImportant, 240u);
    EXPECT_EQ(RangeValueFromClrImportant(doc.infoHeader.biClrImportant), 16);
    const auto use = IndexUse(doc);
    for (int i = 240; i <= 255; ++i) {
        EXPECT_GT(use[static_cast<std::size_t>(i)], 200) << "entry " << i;
    }
    for (int i = 241; i <= 255; ++i) {
        EXPECT_NE(doc.palette[static_cast<std::size_t>(i)], doc.palette[240]) << "entry " << i;
    }
}

TEST(Samples, SixteenColourScreenStoresSixteenEntries) {
    const LogoDocument doc = samples::MakeSixteenColourScreen();
    EXPECT_EQ(doc.lastIndex, 15);
    EXPECT_EQ(doc.infoHeader.biClrUsed, 16u);
    const auto use = IndexUse(doc);
    for (int i = 0; i < 256; ++i) {
        if (i >= 10 && i <= 15) {
            EXPECT_GT(use[static_cast<std::size_t>(i)], 200) << "entry " << i;
        } else if (i > 15) {
            EXPECT_EQ(use[static_cast<std::size_t>(i)], 0) << "entry " << i;
        }
    }
    const auto range = RangeValueFromClrImportant(doc.infoHeader.biClrImportant);
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(AnimatedCount(*range, doc.lastIndex), 6);
}

}  // namespace
}  // namespace rotopal
