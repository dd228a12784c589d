// A generated set of damaged and hostile files opened in the main window after a good one:
// each is either refused with its message, leaving the open document exactly as it was, or
// read with the documented repair, which the reader reports. Run under ASan and UBSan in CI, so an
// out-of-bounds read anywhere on the way fails here too.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "tests/form1_fixture.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::BmpRecipe;
using test::Bytes;
using test::PrintTo;

enum class Outcome { NotBitmap, NotEightBit, WrongSize, Read };

struct BadFile {
    std::string name;
    // Writes the file at path; returns nothing to check, or a check of the document read.
    std::function<void(const std::string& path)> make;
    Outcome outcome;
    LogoRepairs repairs = {};  // what the reader reports it repaired, for a file it reads
    std::function<void(const LogoDocument&)> check = {};
};

void Write(const std::string& path, const BmpRecipe& recipe) {
    test::WriteBytes(path, test::EncodeBmp(recipe));
}

BmpRecipe Recipe() {
    auto recipe = test::ClassicScreen(256, 7);
    recipe.biClrImportant = 200;
    return recipe;
}

// An RLE8 screen whose stream is given; every pixel it does not reach stays 0.
BmpRecipe Rle8(Bytes stream) {
    auto recipe = Recipe();
    recipe.biCompression = 1;
    recipe.biSizeImage = static_cast<std::uint32_t>(stream.size());
    recipe.pixelBlock = std::move(stream);
    return recipe;
}

std::vector<BadFile> BadFiles() {
    std::vector<BadFile> files = {
        {"WrongMagic",
         [](const std::string& p) {
             auto s = Recipe();
             s.bfType = 0x4D5A;
             Write(p, s);
         },
         Outcome::NotBitmap},
        {"ZeroSized", [](const std::string& p) { test::WriteBytes(p, Bytes{}); },
         Outcome::NotBitmap},
        {"HugeColourCount",
         [](const std::string& p) {
             auto s = Recipe();
             s.biClrUsed = 0xFFFFFFFF;
             Write(p, s);
         },
         Outcome::NotBitmap},
        {"NegativeHeight",
         [](const std::string& p) {
             auto s = Recipe();
             s.biHeight = -400;
             Write(p, s);
         },
         Outcome::WrongSize},
        {"ZeroWidth",
         [](const std::string& p) {
             auto s = Recipe();
             s.biWidth = 0;
             Write(p, s);
         },
         Outcome::WrongSize},
        {"TwentyFourBit",
         [](const std::string& p) {
             auto s = Recipe();
             s.biBitCount = 24;
             Write(p, s);
         },
         Outcome::NotEightBit},
        {"Folder", [](const std::string& p) { ::mkdir(p.c_str(), 0755); }, Outcome::NotBitmap},
        {"Fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }, Outcome::NotBitmap},
        // bfOffBits past the end of the file: the pixels follow the colour table instead.
        {"OffsetPastTheEnd",
         [](const std::string& p) {
             auto s = Recipe();
             s.bfOffBits = 0x7FFFFFFF;
             Write(p, s);
         },
         Outcome::Read, LogoRepairs{.offsetIgnored = true},
         [](const LogoDocument& d) { EXPECT_EQ(d.pixels[0], test::PatternPixels(256, 7)[0]); }},
        // The file ends inside the colour table: the missing entries are black, the pixels 0.
        {"CutInTheColourTable",
         [](const std::string& p) {
             auto bytes = test::EncodeBmp(Recipe());
             bytes.resize(54 + 100);
             test::WriteBytes(p, bytes);
         },
         Outcome::Read, LogoRepairs{.colourTableCutShort = true, .pixelBlockCutShort = true},
         [](const LogoDocument& d) {
             EXPECT_EQ(d.palette[24], test::DistinctColour(24));
             EXPECT_EQ(d.palette[25], RGBQUAD{});
             EXPECT_EQ(d.pixels[0], 0);
         }},
        {"CutInThePixels",
         [](const std::string& p) {
             auto bytes = test::EncodeBmp(Recipe());
             bytes.resize(1078 + 5000);
             test::WriteBytes(p, bytes);
         },
         Outcome::Read, LogoRepairs{.pixelBlockCutShort = true},
         [](const LogoDocument& d) {
             EXPECT_EQ(d.pixels[4999], test::PatternPixels(256, 7)[4999]);
             EXPECT_EQ(d.pixels[5000], 0);
         }},
        // A run crossing the right edge is clipped; the next row is untouched.
        {"Rle8RunOverflowsARow",
         [](const std::string& p) {
             Write(p, Rle8({0, 2, 100, 0, 255, 9, 0, 1}));
         },
         Outcome::Read, LogoRepairs{.rle8RunsClipped = true},
         [](const LogoDocument& d) {
             EXPECT_EQ(d.pixels[100], 9);
             EXPECT_EQ(d.pixels[319], 9);
             EXPECT_EQ(d.pixels[320], 0);
             EXPECT_EQ(d.pixels[99], 0);
         }},
        // Runs and moves far below the last row end the decoding.
        {"Rle8RunsPastTheImage",
         [](const std::string& p) {
             Bytes stream;
             for (int i = 0; i < 2000; ++i)
                 stream.insert(stream.end(), {255, 5, 0, 0});
             stream.insert(stream.end(), {0, 2, 0, 255, 255, 7, 0, 1});
             Write(p, Rle8(stream));
         },
         Outcome::Read, LogoRepairs{.rle8BelowImage = true},
         [](const LogoDocument& d) {
             EXPECT_EQ(d.pixels[399 * 320 + 254], 5) << "the last row is reached";
             EXPECT_EQ(d.pixels.back(), 0);
         }},
        // An absolute run longer than what is left of the stream.
        {"Rle8AbsoluteRunCutShort",
         [](const std::string& p) {
             Write(p, Rle8({0, 200, 1, 2, 3}));
         },
         Outcome::Read, LogoRepairs{.rle8CutShort = true},
         [](const LogoDocument& d) {
             EXPECT_EQ(d.pixels[0], 1);
             EXPECT_EQ(d.pixels[3], 0);
         }},
    };
    // Cut short inside or at the end of each header field.
    for (const int end : {1, 2, 6, 8, 10, 13, 14, 18, 22, 26, 28, 30, 34, 38, 42, 46, 50, 53}) {
        files.push_back({"CutAt" + std::to_string(end),
                         [end](const std::string& p) {
                             auto bytes = test::EncodeBmp(Recipe());
                             bytes.resize(static_cast<std::size_t>(end));
                             test::WriteBytes(p, bytes);
                         },
                         Outcome::NotBitmap});
    }
    return files;
}

class BadFileTest : public test::Form1Fixture, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, IsRefusedOrRepairedAndNeverHarmsTheOpenDocument) {
    form.Form_Load(WriteScreen("good.sys"));
    const LogoDocument before = document;
    ws.messageBoxes.clear();
    const std::string path = dir / "bad.bmp";
    GetParam().make(path);
    form.OpenFile(path);

    const auto message = [](Outcome o) -> std::string_view {
        switch (o) {
            case Outcome::NotBitmap: return texts::kNotBitmapMessage;
            case Outcome::NotEightBit: return texts::kNotEightBitMessage;
            case Outcome::WrongSize: return texts::kWrongSizeMessage;
            case Outcome::Read: break;
        }
        return {};
    };
    if (GetParam().outcome == Outcome::Read) {
        EXPECT_TRUE(ws.messageBoxes.empty());
        EXPECT_EQ(document, Expected(path));
        GetParam().check(document);
        const auto read = ReadLogoFile(path, nullptr);
        ASSERT_TRUE(read);
        EXPECT_EQ(read.value().repairs, GetParam().repairs);
    } else {
        ASSERT_EQ(ws.messageBoxes.size(), 1u);
        EXPECT_EQ(ws.messageBoxes[0].text, message(GetParam().outcome));
        EXPECT_EQ(document, before);
    }
}

INSTANTIATE_TEST_SUITE_P(Generated, BadFileTest, ::testing::ValuesIn(BadFiles()),
                         [](const ::testing::TestParamInfo<BadFile>& row) {
                             return row.param.name;
                         });

}  // namespace
}  // namespace rotopal
