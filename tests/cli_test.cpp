#include "cli/cli_app.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "document/file_io.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "import/picture_import.h"
#include "samples/sample_screens.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

// A scratch folder with the two sample screens and a file that is no bitmap.
class CliFixture {
public:
    CliFixture() {
        EXPECT_TRUE(WriteLogoFile(dir / "logo.sys", samples::MakeStartupScreen()));
        EXPECT_TRUE(WriteLogoFile(dir / "logo16.bmp", samples::MakeSixteenColourScreen()));
        test::WriteBytes(dir / "notes.txt", test::Bytes{'h', 'e', 'l', 'l', 'o'});
    }

    struct Run {
        int code;
        std::string out, err;
    };

    // Arguments may name files of the folder with a leading "@".
    Run operator()(std::vector<std::string> arguments) {
        for (auto& a : arguments) {
            if (!a.empty() && a[0] == '@') {
                a = dir / a.substr(1);
            }
        }
        std::ostringstream out, err;
        const int code = cli::RunCli(arguments, {out, err, false});
        return {code, out.str(), err.str()};
    }

    test::TempDir dir;
};

struct CliRow {
    const char* name;
    std::vector<std::string> arguments;
    int code;
    const char* mentioned;  // a phrase stdout or stderr must contain
};

class CliTest : public ::testing::TestWithParam<CliRow> {};

TEST_P(CliTest, ExitsWithItsCodeAndSaysWhy) {
    CliFixture cli;
    const auto& row = GetParam();
    const auto run = cli(row.arguments);
    EXPECT_EQ(run.code, row.code) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(row.mentioned), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliTest,
    ::testing::Values(
        CliRow{"InfoOfTheStartupScreen",
               {"info", "@logo.sys"},
               0,
               "range value 16, 16 animated entries (240..255)"},
        CliRow{"InfoOfTheSixteenColourScreen", {"info", "@logo16.bmp"}, 0, "16 stored"},
        CliRow{"InfoOfANonBitmap", {"info", "@notes.txt"}, 1, "is not a bitmap"},
        CliRow{"InfoOfAMissingFile", {"info", "@absent.sys"}, 1, "cannot be opened"},
        CliRow{"SaveNeedsAConvertChoice",
               {"save", "@logo16.bmp", "@out.sys", "--range", "250"},
               2,
               "--convert yes"},
        CliRow{"SaveKeepingSixteen",
               {"save", "@logo16.bmp", "@out.sys", "--range", "250", "--convert", "no"},
               0,
               "128118 bytes, 16 colours, biClrImportant 6"},
        CliRow{"SaveConverting",
               {"save", "@logo16.bmp", "@out.sys", "--range", "16", "--convert", "yes"},
               0,
               "129078 bytes, 256 colours, biClrImportant 240"},
        CliRow{"SaveRefusesARangeThatAnimatesNothing",
               {"save", "@logo16.bmp", "@out.sys", "--range", "240", "--convert", "no"},
               2,
               "choose at least 241"},
        CliRow{"SaveRefusesRangeZero",
               {"save", "@logo.sys", "@out.sys", "--range", "0"},
               2,
               "animates no entry"},
        CliRow{"SaveIntoAMissingFolder",
               {"save", "@logo.sys", "@no/out.sys", "--range", "16"},
               3,
               "cannot write"},
        CliRow{"RangeOutOfBounds", {"save", "@logo.sys", "@out.sys", "--range", "256"}, 2, "256"},
        CliRow{"SaveDefaultsToTheStoredRange",
               {"save", "@logo.sys", "@out.sys"},
               0,
               "biClrImportant 240 (16 animated entries"},
        CliRow{"FramesDefaultToTheStoredRange",
               {"frames", "@logo16.bmp", "@f", "--convert", "no"},
               0,
               "6/6"},
        CliRow{"ConvertMisspelt",
               {"save", "@logo16.bmp", "@out.sys", "--range", "250", "--convert", "maybe"},
               2,
               "maybe"},
        CliRow{"NoSubcommand", {}, 2, "subcommand"},
        CliRow{"UnknownSubcommand", {"paint"}, 2, "paint"},
        CliRow{"HelpOfASubcommand", {"frames", "--help"}, 0, "PREFIX"},
        CliRow{"Version", {"--version"}, 0, "rotopal-cli " ROTOPAL_VERSION},
        CliRow{
            "InfoAsJson",
            {"info", "--json", "@logo.sys"},
            0,
            R"("biClrImportant":240,"rangeValue":16,"animatedEntries":[{"index":240,"colour":"#)"},
        CliRow{"InfoAsJsonOfSixteenColours",
               {"info", "--json", "@logo16.bmp"},
               0,
               R"("storedColours":16,"biClrUsed":16,"biClrImportant":10,"rangeValue":246,)"},
        CliRow{"Frames", {"frames", "@logo.sys", "@f", "--range", "4"}, 0, "4/4"},
        CliRow{"FramesIntoAMissingFolder",
               {"frames", "@logo.sys", "@no/f", "--range", "4"},
               3,
               "frame 1"},
        CliRow{"Gif",
               {"gif", "@logo.sys", "@a.gif", "--range", "16"},
               0,
               "16 frames of 320 x 400, 150 ms"},
        CliRow{"GifRoundsTheDelay",
               {"gif", "@logo.sys", "@a.gif", "--range", "4", "--delay-ms", "74", "--loop", "2"},
               0,
               "70 ms each, played 2 times"},
        CliRow{"GifOnlyTwoWidths",
               {"gif", "@logo.sys", "@a.gif", "--range", "4", "--width", "500"},
               2,
               "500"},
        CliRow{"GifNeedsAnAnimatedEntry",
               {"gif", "@logo.sys", "@a.gif", "--range", "0"},
               2,
               "animates no entry"},
        CliRow{"GifIntoAMissingFolder",
               {"gif", "@logo.sys", "@no/a.gif", "--range", "4"},
               3,
               "cannot write"},
        CliRow{"GifDefaultsToTheStoredRange",
               {"gif", "@logo.sys", "@a.gif"},
               0,
               "16 frames of 320 x 400, 150 ms"},
        CliRow{"GifAsTheMachineShowsIt",
               {"gif", "@logo.sys", "@a.gif", "--aspect", "4:3", "--dac", "6"},
               0,
               "16 frames of 640 x 480 at the VGA's 6-bit colour levels"},
        CliRow{"GifAspectFixesTheWidth",
               {"gif", "@logo.sys", "@a.gif", "--aspect", "4:3", "--width", "320"},
               2,
               "excludes"},
        CliRow{"ImportWarnsOfAPictureOfFewColours",
               {"import", "@logo.sys", "@out.sys", "--range", "250"},
               0,
               "the picture keeps 6 colours"},
        CliRow{"ImportDitherIsAPercentage",
               {"import", "@logo.sys", "@out.sys", "--dither", "0.5"},
               2,
               "0 to 100, as in the window"},
        CliRow{"GifHelpExplainsTheHundredths", {"gif", "--help"}, 0, "150 ms is stored as 15"}),
    test::CaseName());

TEST(Cli, SaveStoresTheRangeAndLeavesEverythingElseAlone) {
    CliFixture cli;
    ASSERT_EQ(cli({"save", "@logo.sys", "@out.sys", "--range", "40"}).code, 0);
    const auto read = ReadLogoFile(cli.dir / "out.sys", nullptr);
    ASSERT_TRUE(read.has_value());
    LogoDocument expected = samples::MakeStartupScreen();
    expected.infoHeader.biClrImportant = 216;
    EXPECT_EQ(read.value().document, expected);
}

TEST(Cli, InfoTellsWhatTheReaderRepairedAndNothingForASoundFile) {
    CliFixture cli;
    auto bytes = test::ReadBytes(cli.dir / "logo.sys");
    bytes.resize(bytes.size() - 1000);
    test::WriteBytes(cli.dir / "cut.sys", bytes);
    const auto cut = cli({"info", "@cut.sys"});
    EXPECT_EQ(cut.code, 0) << cut.err;
    EXPECT_NE(cut.out.find("\nRepaired:   pixel block cut short (the missing rows are index 0)\n"),
              std::string::npos)
        << cut.out;
    EXPECT_EQ(cli({"info", "@logo.sys"}).out.find("Repaired"), std::string::npos);
}

TEST(Cli, InfoJsonOfANameInALegacyCodePageIsValidAndKeepsTheBytes) {
    CliFixture cli;
    const std::string name = "caf\xe9.sys";  // Latin-1, as an old FAT disk may hold it
    test::WriteBytes(cli.dir / name, test::ReadBytes(cli.dir / "logo.sys"));
    const auto run = cli({"info", "--json", "@" + name});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("caf\\uFFFD.sys\",\"fileBytes\":\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("636166e92e737973\""), std::string::npos) << "the exact bytes";
}

TEST(Cli, FailedSaveLeavesTheExistingFileUntouched) {
    CliFixture cli;
    // The temporary file beside the target adds to its name, so beside a name this long none can
    // be made, not even by root: the save gets as far as its first write step and fails there.
    const std::string name(250, 'n');
    test::WriteBytes(cli.dir / name, test::ReadBytes(cli.dir / "logo16.bmp"));
    const auto old = test::ReadBytes(cli.dir / name);
    const auto run = cli({"save", "@logo.sys", "@" + name, "--range", "16"});
    EXPECT_EQ(run.code, 3) << run.err;
    EXPECT_NE(run.err.find("(creating a temporary file next to it): " + SystemReason(ENAMETOOLONG)),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(test::SameBytes(old, test::ReadBytes(cli.dir / name)));
}

TEST(Cli, FileSizeLimitFailsTheSaveCleanlyInsteadOfKillingTheProgram) {
    CliFixture cli;
    const auto old = test::ReadBytes(cli.dir / "logo16.bmp");
    const std::string source = cli.dir / "logo.sys", target = cli.dir / "logo16.bmp";
    // The real program in a child whose files may not grow past 64 KiB, as under ulimit -f.
    const int status = test::RunInChild([&] {
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::execl(ROTOPAL_CLI, ROTOPAL_CLI, "save", source.c_str(), target.c_str(), "--range", "16",
                static_cast<char*>(nullptr));
        return 99;
    });
    EXPECT_EQ(status, 3) << "a write failure, not death by SIGXFSZ (128 + 25)";
    EXPECT_TRUE(test::SameBytes(old, test::ReadBytes(target)));
    EXPECT_EQ(cli.dir.List(), (std::vector<std::string>{"logo.sys", "logo16.bmp", "notes.txt"}))
        << "the temporary file is gone";
}

struct ImportFailureRow {
    const char* name;
    const char* decoder;  // ROTOPAL_DECODER, or nullptr to leave it unset
    rlim_t addressSpace;  // RLIM_INFINITY, or the most the program (and so its decoder) may map
    const char* mentioned;
};

class CliImportFailureTest : public ::testing::TestWithParam<ImportFailureRow> {};

// The picture's decoder runs as a program of its own; whatever becomes of it, the import says
// why, exits 1 and writes nothing.
TEST_P(CliImportFailureTest, SaysWhyAndWritesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    if (GetParam().addressSpace != RLIM_INFINITY) {
        GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory";
    }
#endif
    CliFixture cli;
    test::WriteBytes(cli.dir / "photo.png", test::EncodePicture(64, 48, [](int x, int y) {
                         return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x * 4),
                                                            static_cast<std::uint8_t>(y * 5), 90,
                                                            255};
                     }));
    const std::string picture = cli.dir / "photo.png", out = cli.dir / "out.sys",
                      said = cli.dir / "said.txt";
    const ImportFailureRow& row = GetParam();
    const int status = test::RunInChild([&] {
        if (row.decoder != nullptr) {
            ::setenv("ROTOPAL_DECODER", row.decoder, 1);
        }
        const rlimit limit{row.addressSpace, row.addressSpace};
        ::setrlimit(RLIMIT_AS, &limit);
        const int fd = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::execl(ROTOPAL_CLI, ROTOPAL_CLI, "import", picture.c_str(), out.c_str(),
                static_cast<char*>(nullptr));
        return 99;
    });
    const auto bytes = test::ReadBytes(said);
    const std::string message(bytes.begin(), bytes.end());
    EXPECT_EQ(status, 1) << message;
    EXPECT_NE(message.find(row.mentioned), std::string::npos) << message;
    EXPECT_FALSE(PathExists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Import, CliImportFailureTest,
    ::testing::Values(ImportFailureRow{"DecoderMissing", "/nowhere/rotopal-decode", RLIM_INFINITY,
                                       "the picture decoder (rotopal-decode) cannot be started"},
                      // Room for the program, not for the decoder's libraries: the decoder
                      // ends, and the program tells it as memory, naming the caller's limit
                      // the decoder inherited, not the larger allowance it would have had.
                      ImportFailureRow{"NoRoomForTheDecoder", nullptr, rlim_t{90} << 20,
                                       "not enough memory to import the picture: the decoder "
                                       "used up its 90 MiB allowance"}),
    test::CaseName());

// Arguments in the wrong order are told as such, and neither file changes.
TEST(Cli, SwappedImportArgumentsLeaveBothFilesAsTheyWere) {
    CliFixture cli;
    test::WriteBytes(cli.dir / "photo.png",
                     test::EncodePicture(64, 48, test::Stripes(64, {{200, 40, 30}})));
    const auto screen = test::ReadBytes(cli.dir / "logo.sys");
    const auto photo = test::ReadBytes(cli.dir / "photo.png");
    const auto swapped = cli({"import", "@logo.sys", "@photo.png"});
    EXPECT_EQ(swapped.code, 2);
    EXPECT_NE(swapped.err.find("look swapped"), std::string::npos) << swapped.err;
    const auto notScreen = cli({"import", "@photo.png", "@notes.txt"});
    EXPECT_EQ(notScreen.code, 2);
    EXPECT_NE(notScreen.err.find("--force"), std::string::npos) << notScreen.err;
    EXPECT_TRUE(test::SameBytes(screen, test::ReadBytes(cli.dir / "logo.sys")));
    EXPECT_TRUE(test::SameBytes(photo, test::ReadBytes(cli.dir / "photo.png")));
    EXPECT_EQ(test::ReadBytes(cli.dir / "notes.txt").size(), 5u);
    const auto info = cli({"info", "@photo.png"});
    EXPECT_EQ(info.code, 1);
    EXPECT_NE(info.err.find("rotopal-cli import " + (cli.dir / "photo.png") + " OUT"),
              std::string::npos)
        << info.err;
    EXPECT_EQ(cli({"import", "@photo.png", "@notes.txt", "--force"}).code, 0);
    EXPECT_TRUE(ReadLogoFile(cli.dir / "notes.txt", nullptr));
}

// --dither takes the window's scale: 50 is the dialog's 50, half the error diffusion.
TEST(Cli, DitherFiftyIsTheWindowsFifty) {
    CliFixture cli;
    test::WriteBytes(cli.dir / "photo.png", test::EncodePicture(200, 150, [](int x, int y) {
                         return std::array<std::uint8_t, 4>{
                             static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y + x / 2),
                             static_cast<std::uint8_t>(255 - x), 255};
                     }));
    ASSERT_EQ(cli({"import", "@photo.png", "@half.sys", "--dither", "50"}).code, 0);
    ImportOptions half;
    half.dither = 0.5f;
    const auto made = ImportPictureFile(cli.dir / "photo.png", half);
    ASSERT_TRUE(made);
    EXPECT_TRUE(test::SameBytes(EncodeLogoFile(made.value().document),
                                test::ReadBytes(cli.dir / "half.sys")));
    ASSERT_EQ(cli({"import", "@photo.png", "@full.sys", "--dither", "100"}).code, 0);
    EXPECT_FALSE(test::SameBytes(test::ReadBytes(cli.dir / "half.sys"),
                                 test::ReadBytes(cli.dir / "full.sys")));
}

TEST(Cli, FramesWritesOneFilePerAnimatedEntry) {
    CliFixture cli;
    const auto run = cli({"frames", "@logo16.bmp", "@wave", "--range", "246", "--convert", "no"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto names = cli.dir.List();
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.rfind("wave", 0) == 0; }),
              6);
    EXPECT_NE(run.out.find("6/6 " + (cli.dir / "wave006.bmp")), std::string::npos);
}

}  // namespace
}  // namespace rotopal
