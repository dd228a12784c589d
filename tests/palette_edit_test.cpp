// Colour edits and the colour exchange on the document.

#include <gtest/gtest.h>

#include <random>

#include "palette/colour_edit.h"
#include "palette/colour_swap.h"
#include "palette/edit_history.h"
#include "palette/view_render.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct SplitCase {
    const char* name;
    ColourRef colour;
    RGBQUAD expected;
};

class SplitColorTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitColorTest, WritesRedGreenBlueAndKeepsReserved) {
    const RGBQUAD entry{11, 22, 33, 0x77};  // blue, green, red, reserved
    EXPECT_EQ(SplitColor(GetParam().colour, entry), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Colours, SplitColorTest,
                         ::testing::Values(SplitCase{"Cancelled", -1, {11, 22, 33, 0x77}},
                                           SplitCase{"PureBlue", 0xFF0000, {255, 0, 0, 0x77}},
                                           SplitCase{
                                               "Orange", 255 + 128 * 256, {0, 128, 255, 0x77}},
                                           SplitCase{"Black", 0, {0, 0, 0, 0x77}},
                                           SplitCase{"White", 0xFFFFFF, {255, 255, 255, 0x77}},
                                           SplitCase{"OutOfRange", 0x1000000, {11, 22, 33, 0x77}}),
                         test::CaseName{});

TEST(ColourRefOf, PutsRedLowAndBlueHigh) {
    EXPECT_EQ(ColourRefOf(RGBQUAD{0x30, 0x20, 0x10, 0xFF}), 0x302010);
    for (const ColourRef c : {0, 0xFF, 0x8000FF, 0xFFFFFF, 0x123456}) {
        EXPECT_EQ(ColourRefOf(SplitColor(c, RGBQUAD{})), c);
    }
}

TEST(SwapPaletteEntries, TradesEntriesAndRenumbersBothColours) {
    LogoDocument doc = test::MakeDocument();
    doc.pixels.fill(1);
    doc.pixels[5] = 7;
    doc.pixels[127999] = 9;
    doc.pixels[640] = 7;
    const LogoDocument before = doc;
    SwapPaletteEntries(doc, 7, 9);
    EXPECT_EQ(doc.palette[7], before.palette[9]);
    EXPECT_EQ(doc.palette[9], before.palette[7]);
    EXPECT_EQ(doc.pixels[5], 9);
    EXPECT_EQ(doc.pixels[640], 9);
    EXPECT_EQ(doc.pixels[127999], 7);
    EXPECT_EQ(doc.pixels[6], 1);
}

TEST(SwapPaletteEntries, KeepsThePictureWhileMovingAColourIntoTheRange) {
    LogoDocument doc = test::MakeDocument();
    const LogoDocument before = doc;
    ArgbImage seen = ArgbImage::Filled(320, 400, 0), now = seen;
    RenderView(doc.pixels, doc.palette, seen);
    SwapPaletteEntries(doc, 3, 250);
    RenderView(doc.pixels, doc.palette, now);
    EXPECT_EQ(now, seen);
    EXPECT_EQ(doc.palette[250], before.palette[3]) << "the colour from 3 now animates";
    EXPECT_NE(doc.pixels, before.pixels);
}

TEST(SwapPaletteEntries, SelfExchangeChangesNothing) {
    LogoDocument doc = test::MakeDocument();
    const LogoDocument before = doc;
    SwapPaletteEntries(doc, 42, 42);
    EXPECT_EQ(doc, before);
}

TEST(SwapPaletteEntries, TwiceRestoresRandomImagesExactly) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 25; ++round) {
        LogoDocument doc{};
        for (auto& entry : doc.palette) {
            entry = {
                static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random))};
        }
        // Few distinct values make collisions with both entries common.
        const int spread = 1 + byte(random) % 8;
        for (auto& pixel : doc.pixels)
            pixel = static_cast<std::uint8_t>(byte(random) % spread);
        const LogoDocument before = doc;
        const auto source = static_cast<std::uint8_t>(byte(random) % spread);
        const auto target = static_cast<std::uint8_t>(byte(random) % (spread + 1));
        SwapPaletteEntries(doc, source, target);
        SwapPaletteEntries(doc, source, target);
        ASSERT_EQ(doc, before) << "round " << round << ": " << int{source} << " <-> "
                               << int{target};
    }
}

struct CrossCase {
    const char* name;
    int lastIndex;
    int source, target;
    bool crosses;
};

class CrossesStoredColoursTest : public ::testing::TestWithParam<CrossCase> {};

TEST_P(CrossesStoredColoursTest, RefusesOnlyAcrossTheLastStoredEntry) {
    LogoDocument doc{};
    doc.lastIndex = static_cast<std::uint8_t>(GetParam().lastIndex);
    EXPECT_EQ(CrossesStoredColours(doc, static_cast<std::uint8_t>(GetParam().source),
                                   static_cast<std::uint8_t>(GetParam().target)),
              GetParam().crosses);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CrossesStoredColoursTest,
                         ::testing::Values(CrossCase{"FullPalette", 255, 3, 250, false},
                                           CrossCase{"BothStored", 15, 3, 15, false},
                                           CrossCase{"BothBeyond", 15, 16, 200, false},
                                           CrossCase{"OutOfTheStored", 15, 15, 16, true},
                                           CrossCase{"IntoTheStored", 15, 200, 0, true},
                                           CrossCase{"LastStoredAndFirstBeyond", 254, 254, 255,
                                                     true}),
                         test::CaseName{});

// ---- History ---------------------------------------------------------------------------------

TEST(EditHistory, UndoAndRedoWalkRandomEditsBackAndForthExactly) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    LogoDocument doc = test::MakeDocument();
    std::vector<LogoDocument> states{doc};
    EditHistory history;
    for (int step = 0; step < 40; ++step) {
        const auto a = static_cast<std::uint8_t>(byte(random));
        if (step % 3 == 0) {
            const RGBQUAD after{static_cast<std::uint8_t>(byte(random)), 1, 2, 3};
            history.Apply(doc, ColourChange{a, doc.palette[a], after});
        } else {
            history.Apply(doc, EntryExchange{a, static_cast<std::uint8_t>(byte(random))});
        }
        states.push_back(doc);
    }
    for (std::size_t k = states.size() - 1; k > 0; --k) {
        ASSERT_TRUE(history.Undo(doc).has_value());
        ASSERT_TRUE(test::SameDocument(states[k - 1], doc)) << "after undoing edit " << k;
    }
    EXPECT_FALSE(history.Undo(doc).has_value()) << "nothing left to undo";
    for (std::size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(history.Redo(doc).has_value());
        ASSERT_TRUE(test::SameDocument(states[k], doc)) << "after redoing edit " << k;
    }
    EXPECT_FALSE(history.Redo(doc).has_value());
}

TEST(EditHistory, NewEditForgetsWhatWasUndone) {
    LogoDocument doc = test::MakeDocument();
    EditHistory history;
    history.Apply(doc, EntryExchange{1, 2});
    history.Apply(doc, EntryExchange{3, 4});
    history.Undo(doc);
    history.Apply(doc, ColourChange{5, doc.palette[5], RGBQUAD{9, 9, 9, 0}});
    EXPECT_EQ(history.redoCount(), 0u);
    EXPECT_EQ(history.undoCount(), 2u);
    EXPECT_FALSE(history.Redo(doc).has_value());
}

}  // namespace
}  // namespace rotopal
