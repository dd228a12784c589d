// The GIF encoder's own edges; its frames are checked against Pillow and ImageMagick in
// interop/check_gif.py.

#include "animation/gif_export.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

TEST(EncodeAnimatedGif, RefusesSpansOutsideTheStoredColours) {
    const LogoDocument small = test::MakeDocument(16);
    for (const std::int32_t span : {-1, 16, 255}) {
        const auto encoded = EncodeAnimatedGif(small, span, {});
        ASSERT_FALSE(encoded) << span;
        EXPECT_EQ(encoded.error().kind, ExportError::Kind::InvalidSpan);
    }
}

TEST(EncodeAnimatedGif, WholePaletteRangeStillMakesAValidFile) {
    // Every index animates, so no index is left to be transparent: all frames are whole.
    const LogoDocument doc = test::MakeDocument();
    const auto encoded = EncodeAnimatedGif(doc, 255, {});
    ASSERT_TRUE(encoded);
    const auto& bytes = encoded.value();
    ASSERT_GT(bytes.size(), 256u * 768u) << "256 local colour tables at least";
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes.back(), 0x3B) << "the trailer";
}

// Takes the first `budget` bytes of the stream and refuses every piece after them.
GifSink RefusingAfter(std::size_t budget) {
    return [budget, taken = std::size_t{0}](std::span<const std::uint8_t> piece) mutable {
        taken += piece.size();
        return taken <= budget;
    };
}

struct RefusalCase {
    const char* name;
    std::function<std::size_t(const test::Bytes& whole)> budget;
    GifStage stage;
    int frame;
};

// Where the second frame starts: at its graphics control extension.
std::size_t SecondFrame(const test::Bytes& whole) {
    const test::Bytes control{0x21, 0xF9, 0x04};
    const auto first = std::search(whole.begin(), whole.end(), control.begin(), control.end());
    return static_cast<std::size_t>(
        std::search(first + 1, whole.end(), control.begin(), control.end()) - whole.begin());
}

class GifRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(GifRefusalTest, ReportsGiflibsErrorAndTheStageItStoppedIn) {
    const LogoDocument doc = test::MakeDocument();
    const auto whole = EncodeAnimatedGif(doc, 3, {});
    ASSERT_TRUE(whole);
    const auto streamed =
        StreamAnimatedGif(doc, 3, {}, RefusingAfter(GetParam().budget(whole.value())));
    ASSERT_FALSE(streamed);
    const auto& error = streamed.error();
    EXPECT_EQ(error.kind, ExportError::Kind::EncodeFailed);
    EXPECT_EQ(error.encoder.stage, GetParam().stage);
    EXPECT_EQ(error.frame, GetParam().frame);
    EXPECT_NE(error.encoder.code, E_GIF_SUCCEEDED);
    EXPECT_EQ(error.encoder.message, GifErrorString(error.encoder.code));
}

INSTANTIATE_TEST_SUITE_P(
    Gif, GifRefusalTest,
    ::testing::Values(RefusalCase{"Header", [](const test::Bytes&) { return 0u; }, GifStage::Open,
                                  0},
                      RefusalCase{"FirstFramesPixels", [](const test::Bytes&) { return 2000u; },
                                  GifStage::Frame, 1},
                      RefusalCase{"SecondFramesControl", SecondFrame, GifStage::Frame, 2},
                      // giflib itself ignores a refused trailer; the encoder must not.
                      RefusalCase{"Trailer", [](const test::Bytes& w) { return w.size() - 1; },
                                  GifStage::Trailer, 0}),
    test::CaseName());

TEST(WriteAnimatedGif, FailureKeepsTheOldFile) {
    test::TempDir dir;
    const test::Bytes old{'o', 'l', 'd'};
    test::WriteBytes(dir / "logo.gif", old);
    // A file-size limit makes the write fail the way a full disk does.
    const int status = test::RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8 * 1024, 8 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 10;
        }
        const auto written = WriteAnimatedGif(dir / "logo.gif", test::MakeDocument(), 3, {});
        if (written) {
            return 11;
        }
        const auto& error = written.error();
        return error.kind == ExportError::Kind::WriteFailed &&
                       error.write.step == WriteStep::Write && error.write.systemError == EFBIG
                   ? 0
                   : 12;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(test::SameBytes(old, test::ReadBytes(dir / "logo.gif")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.gif"}) << "no temporary file is left";
}

TEST(EncodeAnimatedGif, RefusesOptionsAGifCannotStore) {
    for (const GifOptions options : {GifOptions{.delayMilliseconds = 2147483647},
                                     GifOptions{.width = 500}, GifOptions{.loopCount = -1}}) {
        const auto encoded = EncodeAnimatedGif(test::MakeDocument(), 3, options);
        ASSERT_FALSE(encoded);
        EXPECT_EQ(encoded.error().kind, ExportError::Kind::InvalidOptions);
    }
}

}  // namespace
}  // namespace rotopal
