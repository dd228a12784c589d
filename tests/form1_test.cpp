// The main window's logic against the scripted window system: start-up, opening, rejections,
// revert, the range control, hints and the blink.

#include "ui/form1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "document/logo_reader.h"
#include "palette/view_render.h"
#include "tests/fake/fake_window_system.h"
#include "tests/form1_fixture.h"
#include "tests/initial_states.h"
#include "tests/test_support.h"
#include "ui/file_filters.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::FakeWindowSystem;
using test::PrintTo;

class Form1Test : public test::Form1Fixture {
protected:
    void ExpectEmptyWindow() {
        EXPECT_EQ(ws.captions.count(Form::Form1), 0u);
        // As the real window starts: the contract test holds the adapter to the same table.
        for (const auto& row : test::kInitialControls)
            EXPECT_EQ(ws.enabled[row.control], row.enabled) << test::ToString(row.control);
        EXPECT_EQ(ws.timerIntervals.count(Timer::Form1_Timer1), 0u) << "the blink must not run";
        const auto white = ArgbImage::Filled(320, 400, kArgbWhite);
        EXPECT_EQ(form.state().plainDC, white);
        EXPECT_EQ(form.state().invertedDC.image(), white);
    }

    void ExpectOpened(const std::string& path) {
        EXPECT_EQ(ws.captions[Form::Form1], std::string(texts::kMainCaptionPrefix) + path);
        // A document enables everything the empty window had disabled.
        for (const auto& row : test::kInitialControls)
            EXPECT_TRUE(ws.enabled[row.control]) << test::ToString(row.control);
        EXPECT_EQ(ws.timerIntervals[Timer::Form1_Timer1], 500);
        EXPECT_EQ(document, Expected(path));
    }
};

// ---- Start-up ---------------------------------------------------------------------------------

struct StartUpCase {
    const char* name;
    std::string (*commandLine)(const std::string& path);
    bool opens;
};

class StartUpTest : public Form1Test, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, OpensWhatTheCommandLineNames) {
    // A blank in the folder name: the whole text is one path.
    ASSERT_EQ(::mkdir((dir / "My Logos").c_str(), 0755), 0);
    const std::string path = WriteScreen("My Logos/logo.sys");

    form.Form_Load(GetParam().commandLine(path));

    if (GetParam().opens) {
        ExpectOpened(path);
        EXPECT_TRUE(ws.messageBoxes.empty());
    } else {
        ExpectEmptyWindow();
        EXPECT_TRUE(ws.messageBoxes.empty()) << "nothing to report for an empty argument";
    }
    // A file opened at start-up shows no selection and no pointer outline.
    EXPECT_EQ(form.session().selected, std::nullopt);
    EXPECT_EQ(form.session().hover, std::nullopt);
    EXPECT_FALSE(form.session().exchangeWaiting);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartUpTest,
    ::testing::Values(
        StartUpCase{"Empty", [](const std::string&) { return std::string(); }, false},
        StartUpCase{"Unquoted", [](const std::string& p) { return p; }, true},
        StartUpCase{"Quoted", [](const std::string& p) { return "\"" + p + "\""; }, true},
        // The last character is taken for the closing quote without being examined.
        StartUpCase{"NoClosingQuote", [](const std::string& p) { return "\"" + p + "x"; }, true},
        StartUpCase{"LoneQuote", [](const std::string&) { return std::string("\""); }, false},
        StartUpCase{"TwoQuotes", [](const std::string&) { return std::string("\"\""); }, false}),
    test::CaseName{});

TEST_F(Form1Test, StartUpWithAMissingFileReportsItAndOpensEmpty) {
    form.Form_Load(dir / "absent.sys");
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text, texts::kNotBitmapMessage);
    ExpectEmptyWindow();
    EXPECT_EQ(form.session().path, dir / "absent.sys");
}

struct WindowsDirCase {
    const char* name;
    const char* reported;
    const char* stored;
};

class WindowsDirTest : public Form1Test, public ::testing::WithParamInterface<WindowsDirCase> {};

TEST_P(WindowsDirTest, AppendsTheSeparatorWhateverTheTextEndsWith) {
    ws.windowsDirectory = GetParam().reported;
    form.Form_Load("");
    EXPECT_EQ(form.saving().windowsDir(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Folders, WindowsDirTest,
                         ::testing::Values(WindowsDirCase{"Posix", "/home/u/.wine/drive_c/windows",
                                                          "/home/u/.wine/drive_c/windows/"},
                                           WindowsDirCase{"Drive", "C:\\WINDOWS", "C:\\WINDOWS\\"},
                                           WindowsDirCase{"DriveRoot", "C:\\", "C:\\\\"}),
                         test::CaseName{});

TEST_F(Form1Test, UnloadReleasesTheImagesAndEndsTheProgram) {
    form.Form_Load(WriteScreen("logo.sys"));
    form.Command3_Click();
    EXPECT_EQ(ws.Count("UnloadForm Form1"), 1);
    EXPECT_TRUE(ws.messageBoxes.empty()) << "exit asks nothing";
    form.Form_Unload();
    EXPECT_TRUE(ws.ended);
    EXPECT_TRUE(form.state().plainDC.pixels.empty());
}

// ---- Opening ----------------------------------------------------------------------------------

TEST_F(Form1Test, OpeningSetsEveryPartOfTheWindowFromTheFile) {
    form.Form_Load("");
    const std::string path = WriteScreen("LOGO.SYS");
    ws.ClearLog();
    form.OpenFile(path);

    ExpectOpened(path);
    EXPECT_EQ(ws.scrollValue, 16) << "biClrImportant 240 animates 16 entries";
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "16色アニメーション");
    // Byte for byte: the file name after the last separator, then four lines with CR LF.
    EXPECT_EQ(ws.labels[Label::Form1_Label2],
              "LOGO.SYS\r\n\xE5\xB9\x85:320\r\n\xE9\xAB\x98\xE3\x81\x95:400\r\n"
              "\xE3\x83\x93\xE3\x83\x83\xE3\x83\x88:8\r\n\xE8\x89\xB2\xE6\x95\xB0:256");
    ArgbImage plain = ArgbImage::Filled(320, 400, 0);
    RenderView(document.pixels, document.palette, plain);
    EXPECT_EQ(form.state().plainDC, plain);
    // Rendering does not draw into the view: it shows the change at the next tick or repaint.
    EXPECT_EQ(ws.Count("ShowImage Picture3"), 0);
    EXPECT_EQ(form.session().path, path);
}

TEST_F(Form1Test, OpenButtonAsksForAnExistingFileFromTheProgramFolder) {
    form.Form_Load("");
    const std::string path = WriteScreen("logow.sys");
    ws.openAnswers = {{"", 0}, {path, 1}};

    form.Command1_Click();  // cancelled
    ExpectEmptyWindow();
    EXPECT_EQ(ws.lastDialogTitle, texts::kOpenDialogTitle);
    EXPECT_EQ(ws.lastDialogFolder, ws.programFolder);
    EXPECT_EQ(ws.lastFilters, OpenDialogFilters());

    form.Command1_Click();
    ExpectOpened(path);
}

TEST_F(Form1Test, ZeroClrImportantKeepsTheRangeOfTheFileBefore) {
    form.Form_Load(WriteScreen("a.sys", 256, 240));
    form.OpenFile(WriteScreen("b.sys", 256, 0, 7));
    EXPECT_EQ(ws.scrollValue, 16);
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "16色アニメーション");
    EXPECT_EQ(ws.labels[Label::Form1_Label2].substr(0, 5), "b.sys");
}

TEST_F(Form1Test, EveryOpenRedrawsTheCountEvenWhenTheRangeStays) {
    form.Form_Load(WriteScreen("a.sys", 256, 240));
    ws.ClearLog();
    form.OpenFile(WriteScreen("b.sys", 16, 250));  // 16 colours, No to converting
    EXPECT_EQ(ws.scrollValue, 6);
    // The 16-colour image animates entries 250 up to its last index 15: none.
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "-234色アニメーション");
    EXPECT_EQ(ws.Count("SetScrollValue"), 1);
}

struct ColourCountCase {
    const char* name;
    MessageAnswer answer;
    const char* colourLine;
    const char* countLabel;
};

class ColourCountTest : public Form1Test, public ::testing::WithParamInterface<ColourCountCase> {};

TEST_P(ColourCountTest, AsksBeforeConvertingAndKeepsTheAnswer) {
    form.Form_Load("");
    const std::string path = WriteScreen("logo16.bmp", 16, 0);
    ws.messageAnswers = {GetParam().answer};
    form.OpenFile(path);

    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    const auto& box = ws.messageBoxes[0];
    EXPECT_EQ(box.caption, "Rotopal");
    EXPECT_EQ(
        box.text,
        "16\xE8\x89\xB2\xE3\x83\x93\xE3\x83\x83\xE3\x83\x88\xE3\x83\x9E\xE3\x83\x83\xE3\x83\x97"
        "\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82\r\n" +
            std::string(texts::kColourCountQuestionTail.substr(
                texts::kColourCountQuestionTail.find("\r\n") + 2)));
    EXPECT_EQ(box.icon, MessageIcon::Question);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    const std::string& info = ws.labels[Label::Form1_Label2];
    EXPECT_EQ(info.substr(info.rfind("\r\n") + 2), GetParam().colourLine);
    // Range 0 on a 16-colour image counts from 256 - 0 down to 15: minus 240.
    EXPECT_EQ(ws.labels[Label::Form1_Label1], GetParam().countLabel);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ColourCountTest,
    ::testing::Values(ColourCountCase{"Yes", MessageAnswer::Yes, "色数:256", "0色アニメーション"},
                      ColourCountCase{"No", MessageAnswer::No, "色数:16", "-240色アニメーション"}),
    test::CaseName{});

// A file the reader refuses, written into the scratch folder (or a path that is not a file).
struct RejectionCase {
    const char* name;
    std::string_view message;
    void (*prepare)(const std::string& path, test::BmpRecipe& recipe);
};

class RejectionTest : public Form1Test, public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(RejectionTest, LeavesTheOpenDocumentAndTheWindowAsTheyWere) {
    const std::string good = WriteScreen("good.sys");
    form.Form_Load(good);
    form.Timer1_Timer();
    const LogoDocument before = document;
    const auto captions = ws.captions;
    const auto labels = ws.labels;
    const auto enabled = ws.enabled;
    const auto shown = ws.shown;
    const auto plain = form.state().plainDC;
    const auto inverted = form.state().invertedDC.image();

    const std::string bad = dir / "bad.sys";
    auto recipe = test::ClassicScreen(256, 3);
    recipe.biClrImportant = 200;
    GetParam().prepare(bad, recipe);
    ws.ClearLog();
    form.OpenFile(bad);

    ASSERT_EQ(ws.log.size(), 1u) << "only the message may reach the window";
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    const auto& box = ws.messageBoxes[0];
    EXPECT_EQ(box.caption, "Rotopal");
    EXPECT_EQ(box.text, GetParam().message);
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_EQ(document, before);
    EXPECT_EQ(ws.captions, captions);
    EXPECT_EQ(ws.labels, labels);
    EXPECT_EQ(ws.enabled, enabled);
    EXPECT_EQ(ws.shown, shown);
    EXPECT_EQ(ws.scrollValue, 16);
    EXPECT_EQ(form.state().plainDC, plain);
    EXPECT_EQ(form.state().invertedDC.image(), inverted);

    // The rejected path is the one a revert reads again, with the same answer.
    EXPECT_EQ(form.session().path, bad);
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();
    ASSERT_EQ(ws.messageBoxes.size(), 3u);
    EXPECT_EQ(ws.messageBoxes[2].text, GetParam().message);
    EXPECT_EQ(document, before);
}

void WriteRecipe(const std::string& path, test::BmpRecipe& recipe) {
    test::WriteBytes(path, test::EncodeBmp(recipe));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RejectionTest,
    ::testing::Values(RejectionCase{"FourBit", texts::kNotEightBitMessage,
                                    [](const std::string& p, test::BmpRecipe& s) {
                                        s.biBitCount = 4;
                                        WriteRecipe(p, s);
                                    }},
                      RejectionCase{"Wider", texts::kWrongSizeMessage,
                                    [](const std::string& p, test::BmpRecipe& s) {
                                        s.biWidth = 640;
                                        WriteRecipe(p, s);
                                    }},
                      RejectionCase{"TopDown", texts::kWrongSizeMessage,
                                    [](const std::string& p, test::BmpRecipe& s) {
                                        s.biHeight = -400;
                                        WriteRecipe(p, s);
                                    }},
                      RejectionCase{"NotABitmap", texts::kNotBitmapMessage,
                                    [](const std::string& p, test::BmpRecipe& s) {
                                        s.bfType = 0x5A4D;
                                        WriteRecipe(p, s);
                                    }},
                      RejectionCase{"CutInTheHeader", texts::kNotBitmapMessage,
                                    [](const std::string& p, test::BmpRecipe& s) {
                                        auto bytes = test::EncodeBmp(s);
                                        bytes.resize(30);
                                        test::WriteBytes(p, bytes);
                                    }},
                      RejectionCase{"Missing", texts::kNotBitmapMessage,
                                    [](const std::string&, test::BmpRecipe&) {}},
                      RejectionCase{"Folder", texts::kNotBitmapMessage,
                                    [](const std::string& p, test::BmpRecipe&) {
                                        ::mkdir(p.c_str(), 0755);
                                    }}),
    test::CaseName{});

TEST_F(Form1Test, RejectionBeforeAnyFileKeepsTheWindowEmpty) {
    form.Form_Load("");
    test::BmpRecipe recipe = test::ClassicScreen();
    recipe.biBitCount = 24;
    form.OpenFile(WriteScreen("photo.bmp", recipe));
    EXPECT_EQ(ws.messageBoxes.size(), 1u);
    ExpectEmptyWindow();
}

// ---- Revert -----------------------------------------------------------------------------------

TEST_F(Form1Test, RevertAnsweredNoChangesNothing) {
    form.Form_Load(WriteScreen("logo.sys"));
    EditColour(3, 0x010203);
    const LogoDocument edited = document;
    ws.ClearLog();
    form.Command4_Click();
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text, "ファイルを最初の状態に戻しますか？");
    EXPECT_EQ(ws.messageBoxes[0].icon, MessageIcon::Question);
    EXPECT_EQ(ws.messageBoxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ws.log.size(), 1u);
    EXPECT_EQ(document, edited);
}

TEST_F(Form1Test, RevertAnsweredYesReadsTheFileAgainWithItsRange) {
    const std::string path = WriteScreen("logo.sys");
    form.Form_Load(path);
    EditColour(3, 0x010203);
    ws.scrollValue = 40;
    form.HScroll1_Change();
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();
    EXPECT_EQ(document, Expected(path));
    EXPECT_EQ(ws.scrollValue, 16);
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "16色アニメーション");
}

// ---- Range control ----------------------------------------------------------------------------

TEST_F(Form1Test, RangeChangesRedrawTheCountAndTheHighlightNotTheView) {
    form.Form_Load(WriteScreen("logo.sys"));
    for (const int n : {0, 1, 200, 255}) {
        ws.scrollValue = n;
        ws.ClearLog();
        (n % 2 == 0) ? form.HScroll1_Change() : form.HScroll1_Scroll();
        EXPECT_EQ(ws.labels[Label::Form1_Label1], std::to_string(n) + "色アニメーション");
        ArgbImage expected = ArgbImage::Filled(320, 400, 0);
        RenderView(document.pixels,
                   HighlightPalette(document.palette, std::nullopt, static_cast<RangeValue>(n)),
                   expected);
        EXPECT_EQ(form.state().invertedDC.image(), expected) << n;
        EXPECT_EQ(ws.Count("ShowImage Picture3"), 0);
    }
}

// ---- Hints ------------------------------------------------------------------------------------

struct HintCase {
    const char* name;
    void (*move)(Form1&);
    std::string_view text;
};

class HintTest : public Form1Test, public ::testing::WithParamInterface<HintCase> {};

TEST_P(HintTest, EveryMoveClearsTheLineAndPrintsTheHintAgain) {
    GetParam().move(form);
    GetParam().move(form);
    EXPECT_EQ(ws.statusLine, GetParam().text);
    EXPECT_EQ(ws.Count("ClearStatusLine"), 2);
    EXPECT_EQ(ws.Count("PrintStatusLine"), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, HintTest,
    ::testing::Values(
        HintCase{"Open", [](Form1& f) { f.Command1_MouseMove(); }, texts::kOpenHint},
        HintCase{"Preview", [](Form1& f) { f.Command2_MouseMove(0); }, texts::kPreviewHint},
        HintCase{"Save", [](Form1& f) { f.Command2_MouseMove(1); }, texts::kSaveHint},
        HintCase{"Exit", [](Form1& f) { f.Command3_MouseMove(); }, texts::kExitHint},
        HintCase{"Reset", [](Form1& f) { f.Command4_MouseMove(); }, texts::kResetHint},
        HintCase{"View", [](Form1& f) { f.Picture3_MouseMove(); }, texts::kViewHint},
        HintCase{"RangeFocus", [](Form1& f) { f.HScroll1_GotFocus(); }, texts::kScrollHint},
        HintCase{"Palette", [](Form1& f) { f.Picture2_MouseMove(0, 0, 5.0f, 5.0f); },
                 texts::kPaletteHint}),
    test::CaseName{});

TEST(HintTexts, KeepTheirExactBytes) {
    // Open button, ideographic space U+3000, then the explanation.
    EXPECT_EQ(texts::kOpenHint.substr(0, 18),
              "\xE9\x96\x8B\xE3\x81\x8F\xE3\x83\x9C\xE3\x82\xBF\xE3\x83\xB3\xE3\x80\x80");
    // The reset text alone starts without the button's name.
    EXPECT_EQ(texts::kResetHint.substr(0, 6), "\xE7\x8F\xBE\xE5\x9C\xA8");
    // The exchange prompt and its pointer-movement text differ only by the final "。".
    EXPECT_EQ(std::string(texts::kSwapPointerHint) + "\xE3\x80\x82", texts::kSwapPrompt);
    EXPECT_EQ(texts::kMessageCaption, "Rotopal");
    EXPECT_EQ(texts::kWrongSizeMessage.substr(texts::kWrongSizeMessage.find("320") + 3, 2),
              "\xC3\x97");
}

// ---- Blink and repaint ------------------------------------------------------------------------

TEST_F(Form1Test, TicksAlternateFromTheInvertedImageAndRepaintsShowThePlainOne) {
    form.Form_Load(WriteScreen("logo.sys"));
    const auto& plain = form.state().plainDC;
    const auto& inverted = form.state().invertedDC.image();
    ASSERT_NE(plain, inverted) << "entries 240..255 are used and inverted";

    const auto shown = [&] { return ws.shown.at(Surface::Picture3); };
    form.Timer1_Timer();
    EXPECT_EQ(shown(), inverted);
    form.Picture3_Paint();  // a repaint in the middle of the inverted half
    EXPECT_EQ(shown(), plain);
    form.Timer1_Timer();  // the alternation goes on from where it was
    EXPECT_EQ(shown(), plain);
    form.Timer1_Timer();
    EXPECT_EQ(shown(), inverted);
}

TEST_F(Form1Test, WithNothingAnimatedOrSelectedTheTwoImagesAgree) {
    form.Form_Load(WriteScreen("logo.sys", 256, 0));
    EXPECT_EQ(ws.scrollValue, 0);
    EXPECT_EQ(form.state().plainDC, form.state().invertedDC.image());
}

TEST_F(Form1Test, OpeningAnotherFileKeepsTheBlinkPhase) {
    form.Form_Load(WriteScreen("a.sys"));
    form.Timer1_Timer();
    form.OpenFile(WriteScreen("b.sys", 256, 240, 9));
    form.Timer1_Timer();
    EXPECT_EQ(ws.shown.at(Surface::Picture3), form.state().plainDC);
}

}  // namespace
}  // namespace rotopal
