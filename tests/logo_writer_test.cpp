#include "document/logo_writer.h"

#include <gtest/gtest.h>

#include "document/logo_reader.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::Bytes;
using test::MakeDocument;
using test::PrintTo;
using test::SameBytes;

std::uint32_t U32At(const Bytes& b, std::size_t offset) {
    return std::uint32_t{b[offset]} | std::uint32_t{b[offset + 1]} << 8 |
           std::uint32_t{b[offset + 2]} << 16 | std::uint32_t{b[offset + 3]} << 24;
}
std::uint32_t U16At(const Bytes& b, std::size_t offset) {
    return std::uint32_t{b[offset]} | std::uint32_t{b[offset + 1]} << 8;
}

// A document whose held header values differ from what the writers must put down, so that
// each recomputed field shows, and whose other fields are unusual, so that each one held shows.
LogoDocument DocumentWithStaleHeaders(int colours) {
    LogoDocument doc = MakeDocument(colours, 240);
    doc.fileHeader.bfSize = 1;
    doc.fileHeader.bfOffBits = 9999;
    doc.fileHeader.bfReserved1 = 0x1111;
    doc.fileHeader.bfReserved2 = 0x2222;
    doc.infoHeader.biSize = 124;
    doc.infoHeader.biCompression = 1;
    doc.infoHeader.biSizeImage = 5;
    doc.infoHeader.biPlanes = 7;
    doc.infoHeader.biXPelsPerMeter = -3;
    doc.infoHeader.biYPelsPerMeter = 4000;
    return doc;
}

struct FieldRow {
    const char* name;
    std::size_t offset;
    int bytes;
    std::uint32_t document;  // expected in a document file
    std::uint32_t frame;     // expected in a frame file
};

class HeaderFieldTest : public ::testing::TestWithParam<FieldRow> {};

// 16 colours: a table of 64 bytes, so sizes and offsets differ from the 256-colour ones.
TEST_P(HeaderFieldTest, IsWrittenAsHeldOrRecomputedForTheLayout) {
    const auto& row = GetParam();
    const LogoDocument doc = DocumentWithStaleHeaders(16);
    Palette framePalette{};
    const Bytes document = EncodeLogoFile(doc);
    const Bytes frame = EncodeFrameFile(doc, framePalette);
    const auto read = [&](const Bytes& b) {
        return row.bytes == 2 ? U16At(b, row.offset) : U32At(b, row.offset);
    };
    EXPECT_EQ(read(document), row.document);
    EXPECT_EQ(read(frame), row.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, HeaderFieldTest,
    ::testing::Values(FieldRow{"bfType", 0, 2, 0x4D42, 0x4D42},
                      FieldRow{"bfSize", 2, 4, 54 + 64 + 128000, 54 + 64 + 256000},
                      FieldRow{"bfReserved1", 6, 2, 0x1111, 0x1111},
                      FieldRow{"bfReserved2", 8, 2, 0x2222, 0x2222},
                      FieldRow{"bfOffBits", 10, 4, 54 + 64, 54 + 64},
                      FieldRow{"biSize", 14, 4, 40, 40}, FieldRow{"biWidth", 18, 4, 320, 640},
                      FieldRow{"biHeight", 22, 4, 400, 400}, FieldRow{"biPlanes", 26, 2, 7, 7},
                      FieldRow{"biBitCount", 28, 2, 8, 8}, FieldRow{"biCompression", 30, 4, 0, 0},
                      FieldRow{"biSizeImage", 34, 4, 128000, 256000},
                      FieldRow{"biXPelsPerMeter", 38, 4, 0xFFFFFFFD, 0xFFFFFFFD},
                      FieldRow{"biYPelsPerMeter", 42, 4, 4000, 4000},
                      FieldRow{"biClrUsed", 46, 4, 16, 16},
                      FieldRow{"biClrImportant", 50, 4, 240, 240}),
    test::CaseName());

struct SizeRow {
    const char* name;
    int colours;
    std::size_t documentBytes;
    std::size_t frameBytes;
};

class FileSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(FileSizeTest, HoldsExactlyTheLayout) {
    const auto& row = GetParam();
    const LogoDocument doc = MakeDocument(row.colours);
    EXPECT_EQ(EncodeLogoFile(doc).size(), row.documentBytes);
    EXPECT_EQ(EncodeFrameFile(doc, doc.palette).size(), row.frameBytes);
    EXPECT_EQ(LogoFileBytes(StoredColourCount(doc)), row.documentBytes);
    EXPECT_EQ(FrameFileBytes(StoredColourCount(doc)), row.frameBytes);
}

INSTANTIATE_TEST_SUITE_P(Writers, FileSizeTest,
                         ::testing::Values(SizeRow{"TwoHundredFiftySix", 256, 129078, 257078},
                                           SizeRow{"Sixteen", 16, 128118, 256118},
                                           SizeRow{"One", 1, 128058, 256058}),
                         test::CaseName());

TEST(Writers, DocumentFileHoldsPaletteWithReservedBytesThenPixels) {
    const LogoDocument doc = MakeDocument(256);
    const Bytes bytes = EncodeLogoFile(doc);
    for (std::size_t i = 0; i < 256; ++i) {
        const auto& e = doc.palette[i];
        const Bytes expected{e.rgbBlue, e.rgbGreen, e.rgbRed, e.rgbReserved};
        ASSERT_TRUE(SameBytes(expected, std::span(bytes).subspan(54 + 4 * i, 4))) << "entry " << i;
    }
    EXPECT_TRUE(SameBytes(doc.pixels, std::span(bytes).subspan(1078)));
}

TEST(Writers, FrameDoublesEveryPixelAndUsesTheFramePalette) {
    LogoDocument doc = MakeDocument(16);
    Palette framePalette{};
    for (std::size_t i = 0; i < 256; ++i) {
        framePalette[i] = test::DistinctColour(static_cast<int>(255 - i));
    }
    const LogoDocument before = doc;
    const Bytes bytes = EncodeFrameFile(doc, framePalette);
    EXPECT_EQ(doc, before);

    for (std::size_t i = 0; i < 16; ++i) {
        const auto& e = framePalette[i];
        const Bytes expected{e.rgbBlue, e.rgbGreen, e.rgbRed, e.rgbReserved};
        ASSERT_TRUE(SameBytes(expected, std::span(bytes).subspan(54 + 4 * i, 4))) << "entry " << i;
    }
    const auto pixels = std::span(bytes).subspan(54 + 64);
    ASSERT_EQ(pixels.size(), kFramePixelCount);
    for (std::size_t row = 0; row < 400; ++row) {
        for (std::size_t x = 0; x < 640; ++x) {
            ASSERT_EQ(pixels[row * 640 + x], doc.pixels[row * 320 + x / 2])
                << "row " << row << " x " << x;
        }
    }
}

TEST(Writers, DocumentRoundTripsThroughTheReader) {
    for (const int colours : {256, 16}) {
        const LogoDocument doc = MakeDocument(colours, 240);
        const auto read = DecodeLogoFile(EncodeLogoFile(doc), [](int) { return false; });
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read.value().document, doc) << colours << " colours";
    }
}

TEST(Writers, ConvertedDocumentStoresAll256Entries) {
    const LogoDocument sixteen = MakeDocument(16, 10);
    const auto converted = DecodeLogoFile(EncodeLogoFile(sixteen), [](int) { return true; });
    ASSERT_TRUE(converted.has_value());
    const Bytes bytes = EncodeLogoFile(converted.value().document);
    ASSERT_EQ(bytes.size(), 129078u);
    EXPECT_EQ(U32At(bytes, 2), 129078u);
    EXPECT_EQ(U32At(bytes, 10), 1078u);
    EXPECT_EQ(U32At(bytes, 46), 0u);  // biClrUsed
    EXPECT_EQ(U32At(bytes, 50), 0u);  // biClrImportant
    EXPECT_TRUE(SameBytes(Bytes(4 * 240, 0), std::span(bytes).subspan(54 + 64, 4 * 240)));
    EXPECT_TRUE(SameBytes(sixteen.pixels, std::span(bytes).subspan(1078)));
}

TEST(Writers, WriteLogoFileReplacesALongerFileCompletely) {
    test::TempDir dir;
    const LogoDocument doc = MakeDocument(16);
    test::WriteBytes(dir / "logo.sys", Bytes(300000, 0x55));
    ASSERT_TRUE(WriteLogoFile(dir / "logo.sys", doc));
    EXPECT_TRUE(SameBytes(EncodeLogoFile(doc), test::ReadBytes(dir / "logo.sys")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.sys"});
}

TEST(Writers, SavingTwiceGivesIdenticalFiles) {
    test::TempDir dir;
    const LogoDocument doc = MakeDocument(256);
    ASSERT_TRUE(WriteLogoFile(dir / "a.sys", doc));
    ASSERT_TRUE(WriteLogoFile(dir / "b.sys", doc));
    EXPECT_TRUE(SameBytes(test::ReadBytes(dir / "a.sys"), test::ReadBytes(dir / "b.sys")));
}

TEST(Writers, WriteFrameFileMatchesTheEncodedFrame) {
    test::TempDir dir;
    const LogoDocument doc = MakeDocument(256);
    ASSERT_TRUE(WriteFrameFile(dir / "f001.bmp", doc, doc.palette));
    EXPECT_TRUE(SameBytes(EncodeFrameFile(doc, doc.palette), test::ReadBytes(dir / "f001.bmp")));
}

}  // namespace
}  // namespace rotopal
