#include <gtest/gtest.h>

#include <cerrno>

#include "import/picture_import.h"
#include "tests/form1_fixture.h"
#include "tests/test_pictures.h"
#include "ui/import_messages.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::Form1Fixture;

// Dropping a picture that is not a screen on the main window.
class DroppedPictureTest : public Form1Fixture {
protected:
    void SetUp() override {
        form.Form_Load(WriteScreen("logo.sys"));  // a screen with range 16 is open
        picture = dir / "photo.png";
        test::WriteBytes(picture,
                         test::EncodePicture(640, 480, test::Stripes(640, {kOrange, kTeal})));
        ws.ClearLog();
    }

    // Drops the picture, answers the question, and lets the import that follows run.
    void Drop(MessageAnswer answer) {
        ws.messageAnswers = {answer};
        form.Form_DragDrop({picture});
        ws.RunEventLoop();
    }

    static constexpr Rgb kOrange{230, 120, 20};
    static constexpr Rgb kTeal{20, 150, 140};
    std::string picture;
};

TEST_F(DroppedPictureTest, YesOpensTheScreenMadeFromItWithTheRangeSetThenResetMakesItAgain) {
    ws.scrollValue = 30;
    form.HScroll1_Change();
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Form_DragDrop({picture});
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text,
              "8bit、320×400のビットマップではありません。\r\nこの画像を起動画面に変換しますか？");
    EXPECT_EQ(ws.messageBoxes[0].buttons, MessageButtons::YesNo);
    // The import runs off the UI thread; until it ends the main window takes no input.
    EXPECT_EQ(ws.PendingWork(), 1u);
    EXPECT_FALSE(ws.formEnabled[Form::Form1]);
    EXPECT_TRUE(ws.busy);
    EXPECT_EQ(ws.statusLine, "画像から起動画面を作成しています…0%");
    ws.RunEventLoop();
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
    EXPECT_FALSE(ws.busy);
    EXPECT_EQ(ws.captions[Form::Form1], std::string(texts::kMainCaptionPrefix) + picture);

    ImportOptions options;
    options.range = 30;
    const LogoDocument expected = ImportPictureFile(picture, options).value().document;
    EXPECT_TRUE(test::SameDocument(expected, document));
    EXPECT_EQ(ws.scrollValue, 30);
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "30色アニメーション");

    EditColour(3, 0x010203);
    ws.scrollValue = 50;
    form.HScroll1_Change();
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();  // reset
    ws.RunEventLoop();
    EXPECT_TRUE(test::SameDocument(expected, document)) << "reset imports the picture again";
    EXPECT_EQ(ws.scrollValue, 30);
}

TEST_F(DroppedPictureTest, NoOrAnUnreadablePictureLeavesEverythingAsItWasAndSaysWhy) {
    const LogoDocument before = document;
    const std::string path = form.session().path;
    const auto captions = ws.captions;
    Drop(MessageAnswer::No);
    EXPECT_EQ(ws.messageBoxes.size(), 1u);

    auto cut = test::ReadBytes(picture);
    cut.resize(cut.size() / 2);
    test::WriteBytes(picture, cut);
    Drop(MessageAnswer::Yes);
    ASSERT_EQ(ws.messageBoxes.size(), 3u);
    EXPECT_EQ(
        ws.messageBoxes[2].text.rfind("画像から起動画面を作成できませんでした。\r\n" + picture +
                                          "\r\n画像が壊れているため読み込めません。\r\n",
                                      0),
        0u)
        << ws.messageBoxes[2].text;
    EXPECT_EQ(ws.messageBoxes[2].icon, MessageIcon::Exclamation);

    EXPECT_EQ(document, before);
    EXPECT_EQ(form.session().path, path);
    EXPECT_EQ(ws.captions, captions);
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();
    EXPECT_EQ(document, Expected(path)) << "reset still reads the open screen";
}

TEST_F(DroppedPictureTest, AFileThatIsNoPictureGetsTheUsualRefusalWithoutAQuestion) {
    test::WriteBytes(picture, test::Bytes{'n', 'o', 't', 'e', 's'});
    Drop(MessageAnswer::Yes);
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text, texts::kNotBitmapMessage);
}

struct FailureCase {
    const char* name;
    ImportError error;
    const char* reason;  // the line after the path, and any after it
};

class ImportFailureTextTest : public ::testing::TestWithParam<FailureCase> {};

// Every way an import fails reaches the window in its own words, with its particulars.
TEST_P(ImportFailureTextTest, NamesTheRealCause) {
    EXPECT_EQ(ImportFailureText("/p/photo.jpg", GetParam().error),
              std::string("画像から起動画面を作成できませんでした。\r\n/p/photo.jpg\r\n") +
                  GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ImportFailureTextTest,
    ::testing::Values(
        FailureCase{"TooManyPixels",
                    {.kind = ImportErrorKind::TooManyPixels,
                     .width = 9000,
                     .height = 7000,
                     .limit = 50000000},
                    "画像が大きすぎます（9000×7000ピクセル）。この種類の画像は50000000ピクセルまで"
                    "読み込めます。"},
        FailureCase{"CannotOpen",
                    {.kind = ImportErrorKind::CannotOpen, .systemError = EACCES},
                    "画像ファイルを開けません。アクセスが拒否されました。"},
        FailureCase{"NotRegularFile",
                    {.kind = ImportErrorKind::NotRegularFile},
                    "通常のファイルではありません。"},
        FailureCase{"Empty", {.kind = ImportErrorKind::Empty}, "画像ファイルが空です。"},
        FailureCase{
            "UnknownFormat",
            {.kind = ImportErrorKind::UnknownFormat},
            "この形式の画像には対応していません（PNG、JPEG、GIF、WebP、TIFF、HEIF、BMPに対応）。"},
        FailureCase{"Damaged",
                    {.kind = ImportErrorKind::Damaged, .detail = "gifload: bad frame"},
                    "画像が壊れているため読み込めません。\r\ngifload: bad frame"},
        FailureCase{"OutOfMemory", {.kind = ImportErrorKind::OutOfMemory}, "メモリが足りません。"},
        FailureCase{"QuantizeFailed",
                    {.kind = ImportErrorKind::QuantizeFailed, .detail = "finding the colours"},
                    "色を減らせませんでした。\r\nfinding the colours"},
        FailureCase{"ModuleMissing",
                    {.kind = ImportErrorKind::ModuleMissing, .detail = "rotopal-import.so: gone"},
                    "画像を読み込むモジュールを読み込めません。\r\nrotopal-import.so: gone"},
        FailureCase{
            "InvalidOptions",
            {.kind = ImportErrorKind::InvalidOptions, .detail = "the range must be 1 to 255"},
            "変換の設定が正しくありません。\r\nthe range must be 1 to 255"}),
    test::CaseName{});

}  // namespace
}  // namespace rotopal
