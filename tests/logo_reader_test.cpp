#include "document/logo_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::BmpRecipe;
using test::Bytes;
using test::ClassicScreen;
using test::EncodeBmp;
using test::PrintTo;
using test::SameBytes;

// Records the colour-count questions and answers them with a fixed choice.
struct Asker {
    bool answer = false;
    std::vector<int> asked;
    AskConvert Fn() {
        return [this](int colours) {
            asked.push_back(colours);
            return answer;
        };
    }
};

std::span<const std::uint8_t> PixelsOf(const LogoDocument& doc) {
    return doc.pixels;
}

// ---- Rejections -------------------------------------------------------------------------

struct RejectionCase {
    const char* name;
    std::function<void(BmpRecipe&)> breakRecipe;
    std::function<void(Bytes&)> breakBytes;  // applied after encoding, when set
    ReadErrorKind kind;
    Rejection rejection;
};

class RejectionTest : public ::testing::TestWithParam<RejectionCase> {};

TEST_P(RejectionTest, IsRejectedWithItsKindAndNeverAsks) {
    const auto& c = GetParam();
    BmpRecipe recipe = ClassicScreen(16);
    recipe.biClrUsed = 16;  // a file that would otherwise be asked about
    if (c.breakRecipe) {
        c.breakRecipe(recipe);
    }
    Bytes bytes = EncodeBmp(recipe);
    if (c.breakBytes) {
        c.breakBytes(bytes);
    }
    Asker asker;
    const auto result = DecodeLogoFile(bytes, asker.Fn());
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind, c.kind);
    EXPECT_EQ(RejectionOf(result.error().kind), c.rejection);
    EXPECT_TRUE(asker.asked.empty()) << "a rejected file must not raise the colour question";
}

const auto kCut = [](std::size_t length) { return [length](Bytes& b) { b.resize(length); }; };

INSTANTIATE_TEST_SUITE_P(
    Reader, RejectionTest,
    ::testing::Values(RejectionCase{"EmptyFile", nullptr, kCut(0), ReadErrorKind::NotBmpSignature,
                                    Rejection::NotBitmap},
                      RejectionCase{"OneByte", nullptr, kCut(1), ReadErrorKind::NotBmpSignature,
                                    Rejection::NotBitmap},
                      RejectionCase{"StartsWithMZ", [](BmpRecipe& s) { s.bfType = 0x5A4D; },
                                    nullptr, ReadErrorKind::NotBmpSignature, Rejection::NotBitmap},
                      RejectionCase{"SignatureSwapped", [](BmpRecipe& s) { s.bfType = 0x424D; },
                                    nullptr, ReadErrorKind::NotBmpSignature, Rejection::NotBitmap},
                      RejectionCase{"EndsInFileHeader", nullptr, kCut(10),
                                    ReadErrorKind::TruncatedHeaders, Rejection::NotBitmap},
                      RejectionCase{"EndsOneByteBeforeInfoHeaderEnd", nullptr, kCut(53),
                                    ReadErrorKind::TruncatedHeaders, Rejection::NotBitmap},
                      RejectionCase{"TwentyFourBit", [](BmpRecipe& s) { s.biBitCount = 24; },
                                    nullptr, ReadErrorKind::NotEightBit, Rejection::NotEightBit},
                      RejectionCase{"FourBit", [](BmpRecipe& s) { s.biBitCount = 4; }, nullptr,
                                    ReadErrorKind::NotEightBit, Rejection::NotEightBit},
                      RejectionCase{"TopDown", [](BmpRecipe& s) { s.biHeight = -400; }, nullptr,
                                    ReadErrorKind::WrongSize, Rejection::WrongSize},
                      RejectionCase{"Width321", [](BmpRecipe& s) { s.biWidth = 321; }, nullptr,
                                    ReadErrorKind::WrongSize, Rejection::WrongSize},
                      RejectionCase{"Height399", [](BmpRecipe& s) { s.biHeight = 399; }, nullptr,
                                    ReadErrorKind::WrongSize, Rejection::WrongSize},
                      RejectionCase{"WidthAndHeightSwapped",
                                    [](BmpRecipe& s) {
                                        s.biWidth = 400;
                                        s.biHeight = 320;
                                    },
                                    nullptr, ReadErrorKind::WrongSize, Rejection::WrongSize},
                      RejectionCase{"DepthIsTestedBeforeSize",
                                    [](BmpRecipe& s) {
                                        s.biBitCount = 24;
                                        s.biWidth = 640;
                                    },
                                    nullptr, ReadErrorKind::NotEightBit, Rejection::NotEightBit},
                      RejectionCase{"SignatureIsTestedBeforeDepth",
                                    [](BmpRecipe& s) {
                                        s.bfType = 0;
                                        s.biBitCount = 24;
                                    },
                                    nullptr, ReadErrorKind::NotBmpSignature, Rejection::NotBitmap},
                      RejectionCase{"Rle4", [](BmpRecipe& s) { s.biCompression = 2; }, nullptr,
                                    ReadErrorKind::UnsupportedCompression, Rejection::NotBitmap},
                      RejectionCase{"BitFields", [](BmpRecipe& s) { s.biCompression = 3; }, nullptr,
                                    ReadErrorKind::UnsupportedCompression, Rejection::NotBitmap},
                      RejectionCase{"EmbeddedPng", [](BmpRecipe& s) { s.biCompression = 5; },
                                    nullptr, ReadErrorKind::UnsupportedCompression,
                                    Rejection::NotBitmap},
                      RejectionCase{"SizeIsTestedBeforeCompression",
                                    [](BmpRecipe& s) {
                                        s.biCompression = 3;
                                        s.biHeight = 200;
                                    },
                                    nullptr, ReadErrorKind::WrongSize, Rejection::WrongSize},
                      RejectionCase{"ColourCount257", [](BmpRecipe& s) { s.biClrUsed = 257; },
                                    nullptr, ReadErrorKind::TooManyColours, Rejection::NotBitmap},
                      RejectionCase{"ColourCountNegative",
                                    [](BmpRecipe& s) { s.biClrUsed = 0xFFFFFFFF; }, nullptr,
                                    ReadErrorKind::TooManyColours, Rejection::NotBitmap}),
    test::CaseName());

TEST(ReaderErrors, CarryTheOffendingValues) {
    BmpRecipe recipe = ClassicScreen();
    recipe.biWidth = 640;
    recipe.biHeight = 480;
    auto wrongSize = DecodeLogoFile(EncodeBmp(recipe), nullptr);
    ASSERT_FALSE(wrongSize.has_value());
    EXPECT_EQ(wrongSize.error().width, 640);
    EXPECT_EQ(wrongSize.error().height, 480);

    recipe = ClassicScreen();
    recipe.biBitCount = 24;
    auto depth = DecodeLogoFile(EncodeBmp(recipe), nullptr);
    ASSERT_FALSE(depth.has_value());
    EXPECT_EQ(depth.error().value, 24u);
    EXPECT_NE(DescribeReadError(depth.error()).find("24"), std::string::npos);
}

// ---- Colour count and conversion ----------------------------------------------------------

struct ColourCountCase {
    const char* name;
    std::uint32_t biClrUsed;
    int storedEntries;           // entries the file holds
    std::optional<bool> answer;  // nullopt: no question expected
    int lastIndex;
    std::uint32_t biClrUsedAfter;
    std::uint32_t biClrImportantAfter;
};

class ColourCountTest : public ::testing::TestWithParam<ColourCountCase> {};

TEST_P(ColourCountTest, ReadsExactlyTheStoredEntries) {
    const auto& c = GetParam();
    BmpRecipe recipe;
    recipe.biClrUsed = c.biClrUsed;
    recipe.biClrImportant = 10;
    recipe.colours = test::DistinctColours(c.storedEntries);
    recipe.pixelBlock = test::PatternPixels(c.storedEntries);

    Asker asker;
    asker.answer = c.answer.value_or(false);
    const auto result = DecodeLogoFile(EncodeBmp(recipe), asker.Fn());
    ASSERT_TRUE(result.has_value());
    const auto& doc = result.value().document;

    if (c.answer) {
        EXPECT_EQ(asker.asked, std::vector<int>{c.storedEntries});
    } else {
        EXPECT_TRUE(asker.asked.empty());
    }
    EXPECT_EQ(doc.lastIndex, c.lastIndex);
    EXPECT_EQ(doc.infoHeader.biClrUsed, c.biClrUsedAfter);
    EXPECT_EQ(doc.infoHeader.biClrImportant, c.biClrImportantAfter);
    for (int i = 0; i < 256; ++i) {
        const auto expected = i < c.storedEntries ? test::DistinctColour(i) : RGBQUAD{};
        ASSERT_EQ(doc.palette[static_cast<std::size_t>(i)], expected) << "entry " << i;
    }
    // Pixels start right after the stored entries, converted or not.
    EXPECT_TRUE(SameBytes(recipe.pixelBlock, PixelsOf(doc)));
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ColourCountTest,
    ::testing::Values(ColourCountCase{"ZeroMeans256", 0, 256, std::nullopt, 255, 0, 10},
                      ColourCountCase{"Explicit256", 256, 256, std::nullopt, 255, 256, 10},
                      ColourCountCase{"SixteenKept", 16, 16, false, 15, 16, 10},
                      ColourCountCase{"SixteenConverted", 16, 16, true, 255, 0, 0},
                      ColourCountCase{"OneColourKept", 1, 1, false, 0, 1, 10},
                      ColourCountCase{"TwoHundredFiftyFiveConverted", 255, 255, true, 255, 0, 0}),
    test::CaseName());

TEST(Reader, WithoutAQuestionHandlerKeepsTheStoredCount) {
    const auto result = DecodeLogoFile(EncodeBmp(ClassicScreen(16)), nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result.value().document.lastIndex, 15);
}

TEST(Reader, KeepsHeadersAsStored) {
    BmpRecipe recipe = ClassicScreen();
    recipe.bfReserved1 = 0x1234;
    recipe.bfReserved2 = 0xABCD;
    recipe.biPlanes = 3;
    recipe.biXPelsPerMeter = -5;
    recipe.biYPelsPerMeter = 77;
    recipe.biSizeImage = 0;
    recipe.biClrImportant = 300;  // not an index; kept, and read elsewhere as "no setting"
    const auto result = DecodeLogoFile(EncodeBmp(recipe), nullptr);
    ASSERT_TRUE(result.has_value());
    const auto& doc = result.value().document;
    EXPECT_EQ(doc.fileHeader.bfReserved1, 0x1234);
    EXPECT_EQ(doc.fileHeader.bfReserved2, 0xABCD);
    EXPECT_EQ(doc.infoHeader.biPlanes, 3);
    EXPECT_EQ(doc.infoHeader.biXPelsPerMeter, -5);
    EXPECT_EQ(doc.infoHeader.biYPelsPerMeter, 77);
    EXPECT_EQ(doc.infoHeader.biClrImportant, 300u);
}

// ---- Where the colour table and the pixels are taken from ---------------------------------

struct LayoutCase {
    const char* name;
    std::uint32_t biSize;
    std::size_t headerPadding;  // extra header bytes actually present
    std::size_t gap;
    std::int64_t bfOffBits;  // -1: the true pixel offset
    bool gapReadAsPixels;    // the reader must fall back to "right after the table"
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, FindsColourTableAndPixels) {
    const auto& c = GetParam();
    BmpRecipe recipe = ClassicScreen();
    recipe.biSize = c.biSize;
    recipe.headerPadding = c.headerPadding;
    recipe.gap = c.gap;
    recipe.bfOffBits = c.bfOffBits;
    const Bytes bytes = EncodeBmp(recipe);

    const auto result = DecodeLogoFile(bytes, nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result.value().repairs, (LogoRepairs{.offsetIgnored = c.bfOffBits != -1}));
    const auto& doc = result.value().document;
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(doc.palette[static_cast<std::size_t>(i)], test::DistinctColour(i))
            << "entry " << i;
    }
    if (!c.gapReadAsPixels) {
        EXPECT_TRUE(SameBytes(recipe.pixelBlock, PixelsOf(doc)));
        return;
    }
    Bytes expected(c.gap, 0xDD);
    expected.insert(expected.end(), recipe.pixelBlock.begin(),
                    recipe.pixelBlock.end() - static_cast<std::ptrdiff_t>(c.gap));
    EXPECT_TRUE(SameBytes(expected, PixelsOf(doc)));
}

INSTANTIATE_TEST_SUITE_P(
    Reader, LayoutTest,
    ::testing::Values(
        LayoutCase{"Classic", 40, 0, 0, -1, false}, LayoutCase{"V2Header", 52, 12, 0, -1, false},
        LayoutCase{"V3Header", 56, 16, 0, -1, false}, LayoutCase{"Os2Header", 64, 24, 0, -1, false},
        LayoutCase{"V4Header", 108, 68, 0, -1, false},
        LayoutCase{"V5Header", 124, 84, 0, -1, false},
        LayoutCase{"V5HeaderWithGap", 124, 84, 16, -1, false},
        // Unknown sizes keep the classic position of the colour table.
        LayoutCase{"CoreHeaderSizeField", 12, 0, 0, -1, false},
        LayoutCase{"ZeroSizeField", 0, 0, 0, -1, false},
        LayoutCase{"OddSizeField", 41, 0, 0, -1, false},
        LayoutCase{"HugeSizeField", 0xFFFFFFF0, 0, 0, -1, false},
        LayoutCase{"GapSkippedByOffset", 40, 0, 100, -1, false},
        LayoutCase{"StaleZeroOffset", 40, 0, 0, 0, false},
        LayoutCase{"OffsetInsideColourTable", 40, 0, 0, 500, false},
        LayoutCase{"OffsetPastEnd", 40, 0, 64, 10'000'000, true},
        LayoutCase{"OffsetAtFourGigabytes", 40, 0, 64, 0xFFFFFFFF, true},
        LayoutCase{"OffsetWhoseBlockOverrunsTheFile", 40, 0, 64, 54 + 1024 + 65, true}),
    test::CaseName());

TEST(Reader, LargerHeaderExtraBytesAreNotColours) {
    // The fault this guards against: a V5 file read with its 84 extra header bytes as 21 colours.
    BmpRecipe recipe = ClassicScreen();
    recipe.biSize = 124;
    recipe.headerPadding = 84;
    const auto result = DecodeLogoFile(EncodeBmp(recipe), nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_NE(result.value().document.palette[0], (RGBQUAD{0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(result.value().document.palette[0], test::DistinctColour(0));
}

TEST(Reader, DecodesRle8PixelBlocks) {
    BmpRecipe recipe = ClassicScreen();
    recipe.biCompression = 1;
    // Row 0: 320 pixels of index 7 in two runs; row 1: literal 1,2,3 then end of bitmap.
    recipe.pixelBlock = {200, 7, 120, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    recipe.biSizeImage = static_cast<std::uint32_t>(recipe.pixelBlock.size());
    const auto result = DecodeLogoFile(EncodeBmp(recipe), nullptr);
    ASSERT_TRUE(result.has_value());
    const auto& px = result.value().document.pixels;
    EXPECT_TRUE(std::all_of(px.begin(), px.begin() + 320, [](auto v) { return v == 7; }));
    EXPECT_EQ(px[320], 1);
    EXPECT_EQ(px[321], 2);
    EXPECT_EQ(px[322], 3);
    EXPECT_TRUE(std::all_of(px.begin() + 323, px.end(), [](auto v) { return v == 0; }));
}

// ---- Truncation and mutation sweeps -------------------------------------------------------

// Every prefix of a valid file reads without fault: too short for the headers is NotBitmap,
// anything longer keeps what is there, leaves the rest of palette and pixels zero and says which
// of the two it cut short.
void SweepPrefixes(const BmpRecipe& recipe, std::size_t tableOffset) {
    const Bytes full = EncodeBmp(recipe);
    const std::size_t pixelOffset = tableOffset + 4 * recipe.colours.size();
    const Bytes zeros(kLogoPixelCount, 0);
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const auto result = DecodeLogoFile(std::span(full).first(length), nullptr);
        if (length < 54) {
            ASSERT_FALSE(result.has_value()) << "length " << length;
            ASSERT_EQ(RejectionOf(result.error().kind), Rejection::NotBitmap);
            continue;
        }
        ASSERT_TRUE(result.has_value()) << "length " << length;
        const auto& doc = result.value().document;
        const LogoRepairs cut{.colourTableCutShort = length < pixelOffset,
                              .pixelBlockCutShort = length < full.size()};
        ASSERT_EQ(result.value().repairs, cut) << "length " << length;
        const std::size_t entries =
            length > tableOffset ? std::min<std::size_t>(256, (length - tableOffset) / 4) : 0;
        ASSERT_EQ(doc.palette[entries == 0 ? 0 : entries - 1],
                  entries == 0 ? RGBQUAD{} : test::DistinctColour(static_cast<int>(entries - 1)))
            << "length " << length;
        if (entries < 256) {
            ASSERT_EQ(doc.palette[entries], RGBQUAD{}) << "length " << length;
        }
        const std::size_t have = length > pixelOffset ? length - pixelOffset : 0;
        ASSERT_TRUE(
            SameBytes(std::span(recipe.pixelBlock).first(have), std::span(doc.pixels).first(have)))
            << "length " << length;
        ASSERT_TRUE(SameBytes(std::span(zeros).first(kLogoPixelCount - have),
                              std::span(doc.pixels).subspan(have)))
            << "length " << length;
    }
}

TEST(ReaderSweep, EveryPrefixOfAClassicFile) {
    SweepPrefixes(ClassicScreen(), 54);
}

TEST(ReaderSweep, EveryPrefixOfAV5File) {
    BmpRecipe recipe = ClassicScreen();
    recipe.biSize = 124;
    recipe.headerPadding = 84;
    SweepPrefixes(recipe, 138);
}

TEST(ReaderSweep, EveryHeaderByteWithEveryValueGivesACleanResult) {
    const BmpRecipe recipe = ClassicScreen(16);
    const Bytes original = EncodeBmp(recipe);
    for (std::size_t offset = 0; offset < 54; ++offset) {
        for (int value = 0; value < 256; ++value) {
            Bytes bytes = original;
            bytes[offset] = static_cast<std::uint8_t>(value);
            int questions = 0;
            const auto result = DecodeLogoFile(bytes, [&](int colours) {
                ++questions;
                EXPECT_GE(colours, 1);
                EXPECT_LE(colours, 255);
                return value % 2 == 0;
            });
            if (!result.has_value()) {
                ASSERT_EQ(questions, 0) << "offset " << offset << " value " << value;
                continue;
            }
            const auto& info = result.value().document.infoHeader;
            ASSERT_EQ(info.biBitCount, 8) << "offset " << offset << " value " << value;
            ASSERT_EQ(info.biWidth, 320);
            ASSERT_EQ(info.biHeight, 400);
            ASSERT_LE(questions, 1);
        }
    }
}

// ---- Files on disk -------------------------------------------------------------------------

TEST(ReadLogoFile, ReadsAFileOnDisk) {
    test::TempDir dir;
    const BmpRecipe recipe = ClassicScreen();
    test::WriteBytes(dir / "logo.sys", EncodeBmp(recipe));
    const auto result = ReadLogoFile(dir / "logo.sys", nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(SameBytes(recipe.pixelBlock, PixelsOf(result.value().document)));
}

TEST(ReadLogoFile, MissingFileIsNotABitmap) {
    test::TempDir dir;
    const auto result = ReadLogoFile(dir / "absent.sys", nullptr);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind, ReadErrorKind::CannotOpen);
    EXPECT_EQ(result.error().systemError, ENOENT);
    EXPECT_EQ(RejectionOf(result.error().kind), Rejection::NotBitmap);
}

TEST(ReadLogoFile, FolderAndPipeAreRefusedWithoutBlocking) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const auto& path : {dir.path(), dir / "pipe"}) {
        const auto result = ReadLogoFile(path, nullptr);
        ASSERT_FALSE(result.has_value()) << path;
        EXPECT_EQ(result.error().kind, ReadErrorKind::NotRegularFile) << path;
        EXPECT_EQ(RejectionOf(result.error().kind), Rejection::NotBitmap);
    }
}

TEST(ReadLogoFile, UnreadableFileIsNotABitmap) {
    test::TempDir dir;
    test::WriteBytes(dir / "locked.sys", EncodeBmp(ClassicScreen()));
    ::chmod((dir / "locked.sys").c_str(), 0);
    ::chmod(dir.path().c_str(), 0755);
    // Root reads anything, so the check runs as an ordinary user in a child process.
    const int status = test::RunInChild([&] {
        if (test::RunningAsRoot() && ::setuid(65534) != 0) {
            return 10;
        }
        const auto result = ReadLogoFile(dir / "locked.sys", nullptr);
        if (result.has_value()) {
            return 11;
        }
        return result.error().kind == ReadErrorKind::CannotOpen &&
                       result.error().systemError == EACCES
                   ? 0
                   : 12;
    });
    EXPECT_EQ(status, 0);
}

TEST(ReadLogoFile, LooksAtNoMoreThanTheLimit) {
    test::TempDir dir;
    Bytes bytes = EncodeBmp(ClassicScreen());
    bytes.resize(kMaxLogoFileBytes + 4096, 0xAB);
    test::WriteBytes(dir / "huge.bmp", bytes);
    const auto result = ReadLogoFile(dir / "huge.bmp", nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result.value().document.palette[255], test::DistinctColour(255));
}

}  // namespace
}  // namespace rotopal
