#include "document/rle8.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::Bytes;
using test::PrintTo;

// A small 8 x 4 image keeps the expected pixels readable; rows are in stream order.
constexpr int kWidth = 8;
constexpr int kHeight = 4;

struct RleCase {
    const char* name;
    Bytes stream;
    std::vector<std::uint8_t> expected;  // kWidth * kHeight indices; the prefill is 9
    Rle8Repairs repairs = {};
};

constexpr std::uint8_t F = 9;  // pixels the stream never reaches keep the caller's value

const Rle8Repairs Cut{.cutShort = true};
const Rle8Repairs Clipped{.runsClipped = true};
const Rle8Repairs Below{.belowImage = true};

class Rle8Test : public ::testing::TestWithParam<RleCase> {};

TEST_P(Rle8Test, Decodes) {
    const auto& c = GetParam();
    std::vector<std::uint8_t> pixels(kWidth * kHeight, F);
    EXPECT_EQ(DecodeRle8(c.stream, kWidth, kHeight, pixels), c.repairs);
    EXPECT_TRUE(test::SameBytes(c.expected, pixels));
}

// clang-format off: each expected image is laid out as two rows per line.
INSTANTIATE_TEST_SUITE_P(
    Rle8, Rle8Test,
    ::testing::Values(RleCase{"EncodedRunsAndEndOfLine",
                              {3, 1, 5, 2, 0, 0, 8, 3, 0, 1},
                              {1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
                      RleCase{"AbsoluteModeOddLengthIsPadded",
                              {0, 3, 4, 5, 6, 0xAA, 2, 7, 0, 1},
                              {4, 5, 6, 7, 7, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
                      RleCase{"AbsoluteModeEvenLengthHasNoPad",
                              {0, 4, 1, 2, 3, 4, 1, 8, 0, 1},
                              {1, 2, 3, 4, 8, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
                      RleCase{"DeltaMovesRightAndUp",
                              {1, 1, 0, 2, 2, 1, 1, 2, 0, 1},
                              {1, F, F, F, F, F, F, F, F, F, F, 2, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
                      RleCase{"RunPastTheRowEndIsClipped",
                              {10, 4, 0, 0, 2, 5, 0, 1},
                              {4, 4, 4, 4, 4, 4, 4, 4, 5, 5, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Clipped},
                      RleCase{"LiteralPastTheRowEndIsClipped",
                              {6, 1, 0, 4, 7, 7, 7, 7, 0, 1},
                              {1, 1, 1, 1, 1, 1, 7, 7, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Clipped},
                      RleCase{"EndOfLineOnTheLastRowStops",
                              {0, 0, 0, 0, 0, 0, 0, 0, 1, 6, 0, 0, 1, 6},
                              {F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Below},
                      RleCase{"DeltaBelowTheLastRowStops",
                              {0, 2, 0, 200, 3, 3},
                              {F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Below},
                      RleCase{"DeltaFarRightThenRunDrawsNothing",
                              {0, 2, 250, 0, 4, 3, 0, 0, 1, 2},
                              {F, F, F, F, F, F, F, F, 2, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Rle8Repairs{.cutShort = true, .runsClipped = true}},
                      RleCase{"TruncatedDelta",
                              {2, 1, 0, 2, 1},
                              {1, 1, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Cut},
                      RleCase{"TruncatedLiteralKeepsWhatIsThere",
                              {0, 5, 1, 2},
                              {1, 2, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Cut},
                      RleCase{"OddTrailingByteIsIgnored",
                              {2, 3, 9},
                              {3, 3, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Cut},
                      RleCase{"EndOfBitmapStopsEarly",
                              {0, 1, 8, 1},
                              {F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
                      RleCase{"EmptyStream",
                              {},
                              {F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F,
                               F, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F},
                              Cut}),
    test::CaseName());
// clang-format on

TEST(Rle8, AnyStreamEndsAndStaysInBounds) {
    // Random streams over a full screen: decoding must end and never write outside the image;
    // the sanitizer build turns any stray write into a failure.
    std::uint32_t state = 12345;
    std::vector<std::uint8_t> pixels(320 * 400);
    for (int round = 0; round < 300; ++round) {
        Bytes stream(static_cast<std::size_t>(round * 37 % 4000));
        for (auto& b : stream) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(state >> 24);
        }
        DecodeRle8(stream, 320, 400, pixels);
    }
    SUCCEED();
}

}  // namespace
}  // namespace rotopal
