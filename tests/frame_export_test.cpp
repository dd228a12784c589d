#include "animation/frame_export.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "animation/rotation.h"
#include "animation/save_targets.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::Bytes;
using test::PrintTo;
using test::SameBytes;
using test::TempDir;

struct Progress {
    std::vector<std::pair<int, int>> calls;
    std::vector<std::size_t> filesAtCall;  // how many files existed when each call came
    const TempDir* dir = nullptr;
    ExportProgress Fn() {
        return [this](int frame, int count) {
            calls.emplace_back(frame, count);
            filesAtCall.push_back(dir->List().size());
        };
    }
};

Palette ColourTableOf(const Bytes& file, int colours) {
    Palette palette{};
    for (int i = 0; i < colours; ++i) {
        const auto at = static_cast<std::size_t>(54 + 4 * i);
        palette[static_cast<std::size_t>(i)] = {file[at], file[at + 1], file[at + 2], file[at + 3]};
    }
    return palette;
}

TEST(FrameExport, SixteenFramesRotateOneStepEachAndEndUnrotated) {
    TempDir dir;
    const LogoDocument doc = test::MakeDocument(256, 240);
    const LogoDocument before = doc;
    Progress progress;
    progress.dir = &dir;
    ASSERT_TRUE(ExportFrames(doc, dir / "logo", 15, progress.Fn()));
    EXPECT_EQ(doc, before);

    std::vector<std::string> expectedNames;
    Palette expected = doc.palette;
    for (int k = 1; k <= 16; ++k) {
        expectedNames.push_back(FrameFileName("logo", k));
        RotatePalette(expected, 255, 15);
        const Bytes file = test::ReadBytes(dir / FrameFileName("logo", k));
        ASSERT_EQ(file.size(), 257078u) << "frame " << k;
        ASSERT_EQ(ColourTableOf(file, 256), expected) << "frame " << k;
        ASSERT_TRUE(SameBytes(EncodeFrameFile(doc, expected), file)) << "frame " << k;
        // Progress comes before the frame's file exists.
        EXPECT_EQ(progress.calls[static_cast<std::size_t>(k - 1)], std::make_pair(k, 16));
        EXPECT_EQ(progress.filesAtCall[static_cast<std::size_t>(k - 1)],
                  static_cast<std::size_t>(k - 1));
    }
    EXPECT_EQ(dir.List(), expectedNames);
    EXPECT_EQ(ColourTableOf(test::ReadBytes(dir / "logo016.bmp"), 256), doc.palette);
    EXPECT_NE(ColourTableOf(test::ReadBytes(dir / "logo001.bmp"), 256), doc.palette);
}

TEST(FrameExport, SingleFrameHoldsTheUnrotatedPalette) {
    TempDir dir;
    const LogoDocument doc = test::MakeDocument(256, 255);
    ASSERT_TRUE(ExportFrames(doc, dir / "one", 0, nullptr));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"one001.bmp"});
    EXPECT_TRUE(SameBytes(EncodeFrameFile(doc, doc.palette), test::ReadBytes(dir / "one001.bmp")));
}

TEST(FrameExport, SixteenColourDocumentWritesSixteenEntriesAndKeepsBiClrImportant) {
    TempDir dir;
    LogoDocument doc = test::MakeDocument(16, 6);
    doc.infoHeader.biClrImportant = 123;  // as held: the export does not set it
    ASSERT_TRUE(ExportFrames(doc, dir / "f", 9, nullptr));
    ASSERT_EQ(dir.List().size(), 10u);
    for (int k = 1; k <= 10; ++k) {
        const Bytes file = test::ReadBytes(dir / FrameFileName("f", k));
        ASSERT_EQ(file.size(), 54u + 64u + 256000u);
        EXPECT_EQ(file[50], 123);
    }
}

TEST(FrameExport, StopsAtTheFirstFrameItCannotWrite) {
    TempDir dir;
    const LogoDocument doc = test::MakeDocument(256, 240);
    // Frame 3's name is taken by a folder, so that frame cannot be written.
    std::filesystem::create_directory(dir / "f003.bmp");
    Progress progress;
    progress.dir = &dir;
    const auto result = ExportFrames(doc, dir / "f", 15, progress.Fn());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ExportError::Kind::WriteFailed);
    EXPECT_EQ(result.error().frame, 3);
    EXPECT_EQ(result.error().path, dir / "f");
    EXPECT_EQ(result.error().write, (WriteError{WriteStep::Check, dir / "f003.bmp", EISDIR}));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"f001.bmp", "f002.bmp", "f003.bmp"}));
    EXPECT_EQ(progress.calls.size(), 3u);
}

TEST(FrameExport, RefusesASpanThatIsNoRange) {
    TempDir dir;
    const LogoDocument doc = test::MakeDocument(16, 10);
    for (const int span : {-1, 16, 255}) {
        const auto result = ExportFrames(doc, dir / "f", span, nullptr);
        ASSERT_FALSE(result) << span;
        EXPECT_EQ(result.error().kind, ExportError::Kind::InvalidSpan);
    }
    EXPECT_TRUE(dir.List().empty());
}

TEST(FrameExport, TwoExportsGiveIdenticalFiles) {
    TempDir a, b;
    const LogoDocument doc = test::MakeDocument(256, 250);
    ASSERT_TRUE(ExportFrames(doc, a / "x", 5, nullptr));
    ASSERT_TRUE(ExportFrames(doc, b / "x", 5, nullptr));
    for (int k = 1; k <= 6; ++k) {
        ASSERT_TRUE(SameBytes(test::ReadBytes(a / FrameFileName("x", k)),
                              test::ReadBytes(b / FrameFileName("x", k))));
    }
}

struct DescribeCase {
    const char* name;
    ExportError error;
    std::string text;
};

ExportError GifEncoderError(GifStage stage, int frame) {
    ExportError error = EncodeFailedError(frame, {stage, 8, "Write error, disk full"});
    error.path = "/x/a.gif";
    return error;
}

class DescribeExportErrorTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeExportErrorTest, NamesTheFileAndTheFailingStep) {
    EXPECT_EQ(DescribeExportError(GetParam().error), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Export, DescribeExportErrorTest,
    ::testing::Values(
        DescribeCase{"InvalidSpan", InvalidSpanError("/x/f"),
                     "cannot write /x/f: the animated range reaches outside the stored colours, "
                     "so nothing was written"},
        DescribeCase{"SeriesFrame",
                     WriteFailedError("/x/f", 3, {WriteStep::Write, "/x/f003.bmp", ENOSPC}),
                     "frame 3: cannot write /x/f003.bmp (writing): " + SystemReason(ENOSPC)},
        DescribeCase{
            "GifFile", WriteFailedError("/x/a.gif", 0, {WriteStep::Replace, "/x/a.gif", EXDEV}),
            "cannot write /x/a.gif (renaming the temporary file over it): " + SystemReason(EXDEV)},
        DescribeCase{"GifFrame", GifEncoderError(GifStage::Frame, 2),
                     "cannot write /x/a.gif (encoding frame 2): giflib error 8, Write error, disk "
                     "full"},
        DescribeCase{"GifTrailer", GifEncoderError(GifStage::Trailer, 0),
                     "cannot write /x/a.gif (ending the GIF stream): giflib error 8, Write error, "
                     "disk full"}),
    test::CaseName());

}  // namespace
}  // namespace rotopal
