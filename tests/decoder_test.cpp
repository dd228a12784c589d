// The picture decoder as the programs meet it: its messages, every way it can end, and the
// sandbox it runs in.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <csignal>

#include "import/decode_protocol.h"
#include "import/picture_import.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

// Framed, then read back as the other side reads it.
Message RoundTrip(const Message& message) {
    const auto frame = FrameMessage(message);
    const auto length = FrameLength(std::span(frame).first(kFrameHeaderBytes));
    EXPECT_TRUE(length && length.value() == frame.size() - kFrameHeaderBytes);
    return ParseMessage(std::span(frame).subspan(kFrameHeaderBytes)).value();
}

TEST(DecodeProtocol, MessagesComeBackAsTheyWentAndNoiseIsRefused) {
    ImportOptions options;
    options.range = 37;
    options.fit = Fit::Cover;
    options.background = {1, 2, 3};
    options.bandRows = 12;
    options.bandStops = {{9, 8, 7}, {200, 100, 50}};
    options.dither = 0.25f;
    const Message make = RoundTrip(MakeRequest(options));
    ASSERT_EQ(make.kind, MessageKind::Make);
    EXPECT_EQ(ParseMake(make.body).value(), options);

    const ImportError error{.kind = ImportErrorKind::TooManyPixels, .systemError = 0,
                            .width = 40000, .height = 3, .limit = 0, .detail = "side"};
    const auto failed = ParseFailed(RoundTrip(FailedMessage(error)).body).value();
    EXPECT_EQ(failed.kind, error.kind);
    EXPECT_EQ(failed.width, 40000u);
    EXPECT_EQ(failed.detail, "side");

    const ScreenBody screen{{1, 2, 3, 4}, {"a frame was cut short"}};
    const auto back = ParseScreen(RoundTrip(ScreenMessage(screen)).body).value();
    EXPECT_EQ(back.file, screen.file);
    EXPECT_EQ(back.repairs, screen.repairs);

    // A body cut by one byte, a count that lies, and lengths no message has.
    auto body = MakeRequest(options).body;
    body.pop_back();
    EXPECT_FALSE(ParseMake(body));
    EXPECT_FALSE(ParseDecoded(std::vector<std::uint8_t>{1, 0, 0, 0, 1, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_FALSE(FrameLength(std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_FALSE(FrameLength(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_FALSE(ParseMessage(std::vector<std::uint8_t>{99}));
}

std::vector<std::uint8_t> SmallPicture() {
    return test::EncodePicture(40, 30, [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x * 6),
                                           static_cast<std::uint8_t>(y * 8), 70, 255};
    });
}

struct EndingRow {
    const char* name;
    Misbehaviour how;
    ImportErrorKind kind;
    int signal = 0;
    int exitCode = 0;
};

class DecoderEndingTest : public ::testing::TestWithParam<EndingRow> {};

// However the decoder ends, the program gets an error of the right kind, never its own end,
// and the decoder is refused from then on.
TEST_P(DecoderEndingTest, BecomesAnErrorOfItsKind) {
#if defined(__SANITIZE_ADDRESS__)
    if (GetParam().how == Misbehaviour::ExhaustMemory) {
        GTEST_SKIP() << "AddressSanitizer maps terabytes: no allowance is set";
    }
#endif
    DecoderLimits limits = DefaultDecoderLimits();
    limits.make = std::chrono::seconds(1);  // how long a hanging decoder is waited for
    if (GetParam().how == Misbehaviour::ExhaustMemory) {
        limits.addressSpaceBytes = std::uint64_t{256} << 20;
    }
    auto decoder = PictureDecoder::Start(SmallPicture(), limits);
    ASSERT_TRUE(decoder) << DescribeImportError(decoder.error());
    const ImportError error = decoder.value()->Misbehave({GetParam().how, ""});
    EXPECT_EQ(error.kind, GetParam().kind) << DescribeImportError(error);
    EXPECT_EQ(error.signal, GetParam().signal);
    EXPECT_EQ(error.exitCode, GetParam().exitCode);
    EXPECT_TRUE(decoder.value()->ended());
    EXPECT_EQ(decoder.value()->Make({}).error().kind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, DecoderEndingTest,
    ::testing::Values(
        EndingRow{"Exit", Misbehaviour::Exit, ImportErrorKind::DecoderStopped, 0, 3},
        EndingRow{"Abort", Misbehaviour::Abort, ImportErrorKind::DecoderStopped, SIGABRT},
        EndingRow{"Crash", Misbehaviour::Crash, ImportErrorKind::DecoderStopped, SIGSEGV},
        // Nobody here sent it: the system's out-of-memory killer does.
        EndingRow{"KilledBySomeoneElse", Misbehaviour::KillSelf, ImportErrorKind::OutOfMemory},
        EndingRow{"AllowanceSpent", Misbehaviour::ExhaustMemory, ImportErrorKind::OutOfMemory},
        EndingRow{"Hang", Misbehaviour::Hang, ImportErrorKind::TimedOut},
        EndingRow{"Garbage", Misbehaviour::Garbage, ImportErrorKind::BrokenReply}),
    test::CaseName{});

// An error reply leaves the decoder as it was, and Kill stops it wherever it is.
TEST(Decoder, AnErrorReplyKeepsItAndKillEndsIt) {
    auto decoder = PictureDecoder::Start(std::vector<std::uint8_t>{'n', 'o', 't', ' ', 'a'});
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder.value()->Decode().error().kind, ImportErrorKind::UnknownFormat);
    EXPECT_FALSE(decoder.value()->ended());
    decoder.value()->Kill();
    EXPECT_EQ(decoder.value()->Decode().error().kind, ImportErrorKind::DecoderStopped);
}

// Whatever a picture makes the decoder do, it cannot make or change a file.
TEST(Decoder, CannotOpenAFileForWriting) {
    test::TempDir dir;
    auto decoder = PictureDecoder::Start(SmallPicture());
    ASSERT_TRUE(decoder);
    const ImportError error = decoder.value()->Misbehave({Misbehaviour::WriteFile, dir / "made"});
    EXPECT_EQ(error.kind, ImportErrorKind::CannotOpen);
    EXPECT_EQ(error.systemError, EPERM);
    EXPECT_TRUE(dir.List().empty());
    EXPECT_TRUE(decoder.value()->Decode()) << "it still decodes afterwards";
}

// Without its libvips module beside it the decoder still reads JPEG, which needs no module, and
// refuses the other kinds as a decoder that cannot be loaded, not as damage.
TEST(Decoder, WithoutItsModuleReadsJpegAndSaysWhyNotThePng) {
    test::TempDir dir;
    ASSERT_EQ(std::system(("cp " ROTOPAL_DECODE " " + (dir / "rotopal-decode")).c_str()), 0);
    ::setenv("ROTOPAL_DECODER", (dir / "rotopal-decode").c_str(), 1);
    const auto jpeg = PictureDecoder::Start(
        test::EncodePicture(40, 30, [](int, int) { return std::array<std::uint8_t, 4>{200, 30, 30, 255}; }, ".jpg"));
    const auto png = PictureDecoder::Start(SmallPicture());
    ::unsetenv("ROTOPAL_DECODER");
    ASSERT_TRUE(jpeg) << DescribeImportError(jpeg.error());
    EXPECT_TRUE(jpeg.value()->Decode());
    ASSERT_FALSE(png);
    EXPECT_EQ(png.error().kind, ImportErrorKind::HelperMissing) << DescribeImportError(png.error());
}

}  // namespace
}  // namespace rotopal
