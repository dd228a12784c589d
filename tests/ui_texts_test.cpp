// The texts and small procedures the windows share: labels, the command line, file types and
// the dialog procedures' contracts.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <variant>

#include "tests/fake/fake_window_system.h"
#include "tests/test_support.h"
#include "import/decoder_words.h"
#include "ui/command_line.h"
#include "ui/import_messages.h"
#include "ui/dialogs.h"
#include "ui/file_filters.h"
#include "ui/label_texts.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct CountCase {
    const char* name;
    int n;
    int lastIndex;
    const char* text;
};

class AnimationCountTextTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(AnimationCountTextTest, WritesTheSignedCountBeforeItsWords) {
    const auto& c = GetParam();
    EXPECT_EQ(
        AnimationCountText(static_cast<RangeValue>(c.n), static_cast<std::uint8_t>(c.lastIndex)),
        c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, AnimationCountTextTest,
    ::testing::Values(CountCase{"FullPaletteNone", 0, 255, "0色アニメーション"},
                      CountCase{"FullPalette16", 16, 255, "16色アニメーション"},
                      CountCase{"FullPalette255", 255, 255, "255色アニメーション"},
                      CountCase{"SixteenColoursNone", 0, 15, "-240色アニメーション"},
                      CountCase{"SixteenColoursJustBelow", 240, 15, "0色アニメーション"},
                      CountCase{"SixteenColoursFirst", 241, 15, "1色アニメーション"},
                      CountCase{"SixteenColoursAll", 255, 15, "15色アニメーション"},
                      CountCase{"OneColour", 0, 0, "-255色アニメーション"}),
    test::CaseName{});

TEST(AnimationCountText, EndsInTheExactWords) {
    EXPECT_EQ(
        AnimationCountText(1, 255),
        "1\xE8\x89\xB2\xE3\x82\xA2\xE3\x83\x8B\xE3\x83\xA1\xE3\x83\xBC\xE3\x82\xB7\xE3\x83\xA7"
        "\xE3\x83\xB3");
}

struct FileNameCase {
    const char* name;
    const char* path;
    const char* fileName;
};

class FileNameOfTest : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(FileNameOfTest, TakesThePartAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOf(GetParam().path), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNameOfTest,
    ::testing::Values(FileNameCase{"Windows", "C:\\WINDOWS\\LOGOW.SYS", "LOGOW.SYS"},
                      FileNameCase{"Posix", "/home/u/My Logos/logo.sys", "logo.sys"},
                      FileNameCase{"Mixed", "C:\\a/b\\c.bmp", "c.bmp"},
                      FileNameCase{"NoSeparator", "logo.sys", "logo.sys"},
                      FileNameCase{"TrailingSeparator", "/tmp/", ""},
                      FileNameCase{"Empty", "", ""}),
    test::CaseName{});

TEST(InfoLabelText, ShowsTheHeaderFieldsAsTheyAre) {
    LogoDocument document = test::MakeDocument(16, 0);
    document.infoHeader.biWidth = 320;
    document.infoHeader.biHeight = 400;
    EXPECT_EQ(InfoLabelText("x/logo16.bmp", document),
              "logo16.bmp\r\n幅:320\r\n高さ:400\r\nビット:8\r\n色数:16");
}

TEST(EntryLabelText, ListsTheIndexAndTheThreeChannels) {
    EXPECT_EQ(EntryLabelText(7, RGBQUAD{3, 2, 255, 9}),
              "選択パレット\r\n7番\r\nRed=255\r\nGreen=2\r\nBlue=3");
}

TEST(DamageText, TellsEveryKnownDamageInJapanese) {
    for (const std::string_view phrase : KnownDamagePhrases()) {
        EXPECT_NE(DamageText(std::string(phrase)), phrase) << "no Japanese for: " << phrase;
    }
    EXPECT_EQ(DamageText("an odd frame"), "an odd frame");
}

struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<std::string> path;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, JoinsTheArgumentsIntoOnePath) {
    EXPECT_EQ(CommandLinePath(CommandLineText(GetParam().arguments)), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"None", {}, std::nullopt},
        CommandLineCase{"EmptyArgument", {""}, std::nullopt},
        CommandLineCase{"Plain", {"/tmp/logo.sys"}, "/tmp/logo.sys"},
        CommandLineCase{
            "BlankSplitByTheShell", {"C:\\My", "Logos\\logo.sys"}, "C:\\My Logos\\logo.sys"},
        CommandLineCase{"QuotedByTheShell", {"/tmp/My Logos/logo.sys"}, "/tmp/My Logos/logo.sys"},
        CommandLineCase{"QuotesKept", {"\"C:\\WINDOWS\\LOGO.SYS\""}, "C:\\WINDOWS\\LOGO.SYS"},
        CommandLineCase{"UnclosedQuote", {"\"C:\\LOGO.SYS"}, "C:\\LOGO.SY"},
        CommandLineCase{"LoneQuote", {"\""}, std::nullopt},
        CommandLineCase{"TwoQuotes", {"\"\""}, std::nullopt},
        CommandLineCase{"InnerBlanksKept", {"a", "", "b"}, "a  b"}),
    test::CaseName{});

struct RequestCase {
    const char* name;
    std::vector<std::string> arguments;
    ProgramRequest request;
    std::string text;
};

class ProgramRequestTest : public ::testing::TestWithParam<RequestCase> {};

// Only whole arguments --help, --version and a leading --import are options; anything else,
// a toolkit's option included, is the file to open.
TEST_P(ProgramRequestTest, ReadsOnlyItsOwnOptions) {
    const ProgramArguments read = ReadProgramArguments(GetParam().arguments);
    EXPECT_EQ(read.request, GetParam().request);
    EXPECT_EQ(read.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ProgramRequestTest,
    ::testing::Values(
        RequestCase{"ToolkitOptionIsAPath", {"-reverse"}, ProgramRequest::Window, "-reverse"},
        RequestCase{"ShortHelpIsAPath", {"-h"}, ProgramRequest::Window, "-h"},
        RequestCase{"HelpWithAFileIsAPath", {"--help", "x"}, ProgramRequest::Window, "--help x"},
        RequestCase{"Help", {"--help"}, ProgramRequest::Help, ""},
        RequestCase{
            "Import", {"--import", "my", "photo.png"}, ProgramRequest::Import, "my photo.png"},
        RequestCase{
            "ImportOfAnOptionLikeName", {"--import", "--help"}, ProgramRequest::Import, "--help"},
        RequestCase{
            "ImportAfterAFileIsAPath", {"a", "--import"}, ProgramRequest::Window, "a --import"},
        RequestCase{"ImportWithoutPicture", {"--import"}, ProgramRequest::Mistake, ""}),
    test::CaseName{});

TEST(FileFilters, OpenFilterTextIsNulSeparatedInDisplayOrder) {
    using namespace std::string_literals;
    const std::string expected =
        "読み込めるファイル(logo*.sys;*.bmp;*.dib)\0logo*.sys;*.bmp;*.dib\0"
        "画面ファイル(logo*.sys)\0logo.sys\0"
        "ビットマップファイル(*.bmp;*.dib)\0*.bmp;*.dib\0"
        "全てのファイル(*.*)\0*.*\0"
        "画像ファイル\0*.png;*.jpg;*.jpeg;*.gif;*.webp;*.tif;*.tiff;*.heic;*.heif;*.avif;*.bmp\0"s;
    EXPECT_EQ(FilterText(OpenDialogFilters()), expected);
    EXPECT_EQ(ParseFilterText(expected), OpenDialogFilters());
    EXPECT_EQ(ParseFilterText(FilterText(SaveDialogFilters())), SaveDialogFilters());
}

struct PatternCase {
    const char* name;
    const char* fileName;
    const char* pattern;
    bool matches;
};

class MatchesPatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(MatchesPatternTest, IgnoresTheCaseOfLetters) {
    EXPECT_EQ(MatchesPattern(GetParam().fileName, GetParam().pattern), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MatchesPatternTest,
    ::testing::Values(PatternCase{"UpperScreen", "LOGO.SYS", "logo*.sys", true},
                      PatternCase{"ShutDownScreen", "logow.sys", "logo*.sys", true},
                      PatternCase{"PrefixBefore", "alogo.sys", "logo*.sys", false},
                      PatternCase{"OtherExtension", "logo.sys.bak", "logo*.sys", false},
                      PatternCase{"ExactOnly", "logos.sys", "logo.sys", false},
                      PatternCase{"ExactUpper", "LOGO.SYS", "logo.sys", true},
                      PatternCase{"Bitmap", "Photo.BMP", "*.bmp", true},
                      PatternCase{"BitmapNeedsDot", "bmp", "*.bmp", false},
                      PatternCase{"AllWithoutDot", "README", "*.*", true},
                      PatternCase{"Question", "logo1.sys", "logo?.sys", true},
                      PatternCase{"QuestionNeedsOne", "logo.sys", "logo?.sys", false},
                      PatternCase{"Backtracking", "aXbXbc", "*b*c", true},
                      PatternCase{"NonAscii", "ロゴ.SYS", "ロゴ.sys", true}),
    test::CaseName{});

TEST(FailureReasonText, GivesTheReasonsUsersMeetInJapaneseAndOthersAsTheSystemSaysThem) {
    const std::pair<int, std::string_view> japanese[] = {{ENOENT, texts::kReasonNotFound},
                                                         {EACCES, texts::kReasonDenied},
                                                         {EPERM, texts::kReasonDenied},
                                                         {EROFS, texts::kReasonReadOnly},
                                                         {ENOSPC, texts::kReasonDiskFull},
                                                         {EDQUOT, texts::kReasonQuota},
                                                         {EISDIR, texts::kReasonFolderInTheWay},
                                                         {ENOTDIR, texts::kReasonNotAFolder},
                                                         {EFBIG, texts::kReasonTooLarge},
                                                         {ENAMETOOLONG, texts::kReasonNameTooLong},
                                                         {EIO, texts::kReasonIoError}};
    for (const auto& [error, text] : japanese) {
        EXPECT_EQ(FailureReasonText(error), text) << std::strerror(error);
    }
    EXPECT_EQ(FailureReasonText(ENOSPC), "ディスクの空き容量が足りません。");
    EXPECT_EQ(FailureReasonText(EBUSY), std::strerror(EBUSY));
}

struct SaveFailureCase {
    const char* name;
    std::variant<WriteError, ExportError> error;
    const char* path;                   // the second line
    std::vector<std::string_view> why;  // the third line, in parts
};

class SaveFailureTextTest : public ::testing::TestWithParam<SaveFailureCase> {};

TEST_P(SaveFailureTextTest, SaysSaveFailedThenThePathThenWhatFailedAndWhy) {
    const auto& c = GetParam();
    std::string expected = std::string(texts::kSaveFailedMessage) + "\r\n" + c.path + "\r\n";
    for (const auto part : c.why) {
        expected += part;
    }
    EXPECT_EQ(std::visit([](const auto& e) { return SaveFailureText(e); }, c.error), expected);
}

ExportError GifFailure(GifStage stage, int frame) {
    ExportError error = EncodeFailedError(frame, {stage, 8, "Write error, disk full"});
    error.path = "/x/a.gif";
    return error;
}

INSTANTIATE_TEST_SUITE_P(
    Saves, SaveFailureTextTest,
    ::testing::Values(
        SaveFailureCase{"FolderInTheWay",
                        WriteError{WriteStep::Check, "/x/logo.sys", EISDIR},
                        "/x/logo.sys",
                        {texts::kStepCheck, texts::kReasonFolderInTheWay}},
        SaveFailureCase{"MissingFolder",
                        WriteError{WriteStep::CreateTemporary, "/x/logo.sys", ENOENT},
                        "/x/logo.sys",
                        {texts::kStepCreateTemporary, texts::kReasonNotFound}},
        SaveFailureCase{"DiskFull",
                        WriteError{WriteStep::Write, "/x/logo.sys", ENOSPC},
                        "/x/logo.sys",
                        {texts::kStepWrite, texts::kReasonDiskFull}},
        SaveFailureCase{"LateIoError",
                        WriteError{WriteStep::Flush, "/x/logo.sys", EIO},
                        "/x/logo.sys",
                        {texts::kStepFlush, texts::kReasonIoError}},
        SaveFailureCase{"RenameRefused",
                        WriteError{WriteStep::Replace, "/x/logo.sys", EBUSY},
                        "/x/logo.sys",
                        {texts::kStepReplace, std::strerror(EBUSY)}},
        SaveFailureCase{"SeriesFrameNamesItsOwnFile",
                        WriteFailedError("/x/f", 3, {WriteStep::Write, "/x/f003.bmp", ENOSPC}),
                        "/x/f003.bmp",
                        {texts::kStepWrite, texts::kReasonDiskFull}},
        SaveFailureCase{
            "InvalidSpan", InvalidSpanError("/x/f"), "/x/f", {texts::kReasonInvalidSpan}},
        SaveFailureCase{"GifStart",
                        GifFailure(GifStage::Open, 0),
                        "/x/a.gif",
                        {texts::kGifStageOpen, "GIFライブラリのエラー8: Write error, disk full"}},
        SaveFailureCase{"GifFrame",
                        GifFailure(GifStage::Frame, 2),
                        "/x/a.gif",
                        {"GIFの2枚目のフレームを作成できませんでした。",
                         "GIFライブラリのエラー8: Write error, disk full"}}),
    test::CaseName{});

TEST(SaveFailureText, KeepsTheWindowsExactWords) {
    EXPECT_EQ(SaveFailureText(WriteError{WriteStep::CreateTemporary, "/x/logo.sys", ENOENT}),
              "保存できませんでした。\r\n/x/logo.sys\r\n"
              "一時ファイルを作成できませんでした。フォルダーまたはファイルが見つかりません。");
}

TEST(Dialogs, OpenDialogGetsItsTitleFiltersAndFolder) {
    test::FakeWindowSystem ws;
    ws.openAnswers = {{"/tmp/x.bmp", 3}};
    const auto chosen = ShowOpenDialog(ws, FilterText(OpenDialogFilters()), "/start");
    EXPECT_EQ(chosen.path, "/tmp/x.bmp");
    EXPECT_EQ(chosen.filterIndex, 3);
    EXPECT_EQ(ws.lastDialogTitle, "ファイルを開く");
    EXPECT_EQ(ws.lastFilters, OpenDialogFilters());
    EXPECT_EQ(ws.lastDialogFolder, "/start");
    EXPECT_EQ(ShowOpenDialog(ws, FilterText(OpenDialogFilters()), "/start").path, "") << "cancel";
}

TEST(Dialogs, SaveDialogStartsWithLogoSysAndReportsTheChosenType) {
    test::FakeWindowSystem ws;
    ws.saveAnswers = {{"/tmp/out.bmp", 2}, {"", 3}};
    const auto chosen = ShowSaveDialog(ws, FilterText(SaveDialogFilters()), "/start");
    EXPECT_EQ(chosen.path, "/tmp/out.bmp");
    EXPECT_EQ(chosen.filterIndex, 2);
    EXPECT_EQ(ws.lastDialogTitle, "ファイルの保存");
    EXPECT_EQ(ws.lastSaveName, "logo.sys");
    const auto cancelled = ShowSaveDialog(ws, FilterText(SaveDialogFilters()), "/start");
    EXPECT_EQ(cancelled.path, "");
    EXPECT_EQ(cancelled.filterIndex, 0) << "a cancel reports no file type";
}

TEST(Dialogs, ColourDialogStartsFromWhiteCustomsEveryTime) {
    test::FakeWindowSystem ws;
    ws.colourAnswers = {0x00FF8000, std::nullopt};
    EXPECT_EQ(ShowColorDialog(ws, 0x00123456), 0x00FF8000);
    EXPECT_EQ(ws.lastInitialColour, 0x00123456);
    for (const auto custom : ws.lastCustomColours)
        EXPECT_EQ(custom, 0x00FFFFFF);
    EXPECT_EQ(ShowColorDialog(ws, 0x00123456), std::nullopt) << "cancel";
}

}  // namespace
}  // namespace rotopal
