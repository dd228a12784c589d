#include <gtest/gtest.h>

#include <cerrno>

#include "core/vga_dac.h"
#include "import/picture_import.h"
#include "tests/form1_fixture.h"
#include "tests/test_pictures.h"
#include "ui/file_filters.h"
#include "ui/import_messages.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::FakeWindowSystem;
using test::Form1Fixture;

// Dropping a picture that is not a screen on the main window opens the import dialog.
class DroppedPictureTest : public Form1Fixture {
protected:
    void SetUp() override {
        form.Form_Load(WriteScreen("logo.sys"));  // a screen with range 16 is open
        picture = dir / "photo.png";
        test::WriteBytes(picture,
                         test::EncodePicture(640, 480, test::Stripes(640, {kOrange, kTeal})));
        ws.ClearLog();
    }

    // Lets the work the dialog hands out run to its end.
    void Settle() {
        while (ws.PendingWork() > 0) {
            ws.RunEventLoop();
        }
    }

    // Drops the picture and lets the dialog decode it and make its first preview.
    void Drop() {
        form.Form_DragDrop({picture});
        Settle();
    }

    ImportDialog& dialog = form.importDialog();
    static constexpr Rgb kOrange{230, 120, 20};
    static constexpr Rgb kTeal{20, 150, 140};
    std::string picture;
};

TEST_F(DroppedPictureTest, OkWithChangedOptionsOpensTheScreenTheyMakeAndResetMakesItAgain) {
    ws.scrollValue = 30;
    form.HScroll1_Change();
    Drop();
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_TRUE(ws.messageBoxes.empty()) << "no question before the dialog";
    EXPECT_FALSE(ws.formEnabled[Form::Form1]);
    EXPECT_EQ(ws.importOptions.range, 30) << "the dialog starts from the window's range";

    dialog.FitOption_Click(Fit::Stretch);
    dialog.BandRows_Change(20);
    dialog.Dither_Change(0);
    ws.colourAnswers = {0x00FF0000};  // blue, as the colour dialog speaks it
    dialog.Background_Click();
    dialog.Timer2_Timer();  // the options have settled
    Settle();
    dialog.OK_Click();
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
    EXPECT_EQ(ws.captions[Form::Form1], std::string(texts::kMainCaptionPrefix) + picture);

    ImportOptions options;
    options.range = 30;
    options.fit = Fit::Stretch;
    options.bandRows = 20;
    options.dither = 0;
    options.background = Rgb{0, 0, 255};
    const LogoDocument expected = ImportPictureFile(picture, options).value().document;
    EXPECT_TRUE(test::SameDocument(expected, document));
    EXPECT_EQ(ws.scrollValue, 30);
    EXPECT_EQ(form.session().history.undoCount(), 0u);

    EditColour(3, 0x010203);
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();  // reset
    Settle();
    EXPECT_TRUE(test::SameDocument(expected, document)) << "reset makes the screen again";
}

TEST_F(DroppedPictureTest, CancelLeavesEverythingAsItWas) {
    const LogoDocument before = document;
    const std::string path = form.session().path;
    const std::string caption = ws.captions[Form::Form1];
    Drop();
    dialog.Range_Change(100);
    dialog.Cancel_Click();
    Settle();
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
    EXPECT_EQ(document, before);
    EXPECT_EQ(form.session().path, path);
    EXPECT_EQ(ws.captions[Form::Form1], caption);
    EXPECT_EQ(ws.scrollValue, 16);
}

TEST_F(DroppedPictureTest, APreviewOfOptionsChangedSinceIsDropped) {
    Drop();
    ASSERT_TRUE(dialog.preview());
    const LogoPixels first = dialog.preview()->document.pixels;
    dialog.BandRows_Change(0);
    dialog.Timer2_Timer();       // a preview without a band is being made...
    dialog.BandRows_Change(40);  // ...when the band changes again
    ws.RunEventLoop();           // the first ends, is dropped, and the latest is started
    EXPECT_EQ(ws.PendingWork(), 1u);
    EXPECT_TRUE(dialog.preview()->document.pixels == first) << "the stale preview is not shown";
    Settle();
    ImportOptions latest = dialog.options();
    EXPECT_TRUE(test::SameDocument(ImportPictureFile(picture, latest).value().document,
                                   dialog.preview()->document));
}

// The preview shows the colours as the machine's 6-bit DAC does; a new stop goes between the
// last and the first, where the looping band passes from one to the other.
TEST_F(DroppedPictureTest, PreviewShowsSixBitLevelsAndANewStopSitsBetweenItsNeighbours) {
    Drop();
    const ArgbImage& shown = ws.shown[Surface::Form4];
    ASSERT_FALSE(shown.pixels.empty());
    for (const std::uint32_t argb : shown.pixels) {
        for (const int shift : {0, 8, 16}) {
            const auto channel = static_cast<std::uint8_t>(argb >> shift);
            ASSERT_EQ(channel, AtSixBitLevel(channel)) << std::hex << argb;
        }
    }
    const std::vector<Rgb> before = dialog.options().bandStops;
    dialog.AddBandColour_Click();
    const std::vector<Rgb>& after = dialog.options().bandStops;
    ASSERT_EQ(after.size(), before.size() + 1);
    const Rgb &first = before.front(), &last = before.back(), &added = after.back();
    EXPECT_EQ(added, (Rgb{static_cast<std::uint8_t>((first.red + last.red + 1) / 2),
                          static_cast<std::uint8_t>((first.green + last.green + 1) / 2),
                          static_cast<std::uint8_t>((first.blue + last.blue + 1) / 2)}));
}

// A change waits for the options to rest 200 ms, then that rest remakes the preview: nothing
// before it, exactly one remake when it ends.
TEST_F(DroppedPictureTest, TheRestAfterAChangeStartsTheRemake) {
    Drop();
    dialog.Range_Change(40);
    EXPECT_EQ(ws.timerIntervals[Timer::Form4_Timer2], 200);
    EXPECT_TRUE(ws.timerEnabled[Timer::Form4_Timer2]);
    EXPECT_EQ(ws.PendingWork(), 0u) << "nothing is remade while the options may still change";
    dialog.Timer2_Timer();
    EXPECT_EQ(ws.PendingWork(), 1u);
    EXPECT_FALSE(ws.timerEnabled[Timer::Form4_Timer2]);
    Settle();
    EXPECT_EQ(dialog.preview()->document.infoHeader.biClrImportant, 216u);
}

// What the decoder of a dialog closed meanwhile sends back is dropped: the dialog of the next
// picture neither closes nor shows a message for it.
TEST_F(DroppedPictureTest, TheDecodingOfAClosedDialogIsDropped) {
    form.Form_DragDrop({picture});  // decoding, not yet done
    ASSERT_EQ(ws.PendingWork(), 1u);
    dialog.Cancel_Click();  // kills that decoder: its work ends in failure
    const std::string second = dir / "second.png";
    test::WriteBytes(second, test::EncodePicture(320, 400, test::Stripes(320, {kTeal, kOrange})));
    form.Form_DragDrop({second});
    Settle();
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_TRUE(ws.messageBoxes.empty());
    ASSERT_TRUE(dialog.preview());
    EXPECT_EQ(test::ScreenColourAt(dialog.preview()->document, 100, 200), kTeal)
        << "the preview is the second picture's";
}

TEST_F(DroppedPictureTest, AnUnreadablePictureClosesTheDialogAndSaysWhy) {
    const LogoDocument before = document;
    auto cut = test::ReadBytes(picture);
    cut.resize(cut.size() / 2);
    test::WriteBytes(picture, cut);
    Drop();
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(
        ws.messageBoxes[0].text.rfind("画像から起動画面を作成できませんでした。\r\n" + picture +
                                          "\r\n画像が壊れているため読み込めません。\r\n",
                                      0),
        0u)
        << ws.messageBoxes[0].text;
    EXPECT_EQ(document, before);
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
}

TEST_F(DroppedPictureTest, AFileThatIsNoPictureGetsTheUsualRefusal) {
    test::WriteBytes(picture, test::Bytes{'n', 'o', 't', 'e', 's'});
    Drop();
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text, texts::kNotBitmapMessage);
}

// The specified ways in stay as specified: a picture named at start is a file that is not a
// bitmap, refused before the window shows, its path kept, so that a reset refuses it again.
TEST_F(DroppedPictureTest, APictureNamedAtStartIsRefusedAsNoBitmapAndItsPathKept) {
    FakeWindowSystem fresh;
    Form1 started(fresh);
    started.Form_Load(picture);
    EXPECT_FALSE(started.importDialog().isOpen());
    ASSERT_EQ(fresh.messageBoxes.size(), 1u);
    EXPECT_EQ(fresh.messageBoxes[0].text, texts::kNotBitmapMessage);
    EXPECT_EQ(started.session().path, picture);
    fresh.messageAnswers = {MessageAnswer::Yes};
    started.Command4_Click();
    ASSERT_EQ(fresh.messageBoxes.size(), 3u) << "the question, then the same refusal";
    EXPECT_EQ(fresh.messageBoxes[2].text, texts::kNotBitmapMessage);
    EXPECT_FALSE(started.importDialog().isOpen());
}

TEST_F(DroppedPictureTest, TheImportOptionOpensTheDialog) {
    form.ImportPicture(picture);
    Settle();
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_TRUE(dialog.preview());
}

// The open dialog's picture type is the import's own: a BMP that is no screen chosen there is
// made into one, while under the bitmaps' type it gets the specified refusal.
TEST_F(DroppedPictureTest, ThePictureTypeOfTheOpenDialogImportsABmpThatIsNoScreen) {
    const std::string bmp = dir / "photo.bmp";
    test::WriteBytes(bmp, test::EncodePicture(400, 300, test::Stripes(400, {kOrange, kTeal}), ".bmp"));
    ws.openAnswers = {{bmp, 3}};
    form.Command1_Click();
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    ws.openAnswers = {{bmp, kPictureFilterNumber}};
    form.Command1_Click();
    Settle();
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_EQ(ws.messageBoxes.size(), 1u);
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
                    {.kind = ImportErrorKind::TooManyPixels, .width = 31000, .height = 700},
                    "画像が大きすぎます（31000×700ピクセル）。100メガピクセル、一辺30000ピクセルまで"
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
                    {.kind = ImportErrorKind::Damaged, .detail = "an odd frame"},
                    "画像が壊れているため読み込めません。\r\nan odd frame"},
        FailureCase{"DamageOfAKnownKind",
                    {.kind = ImportErrorKind::Damaged, .detail = "the GIF data ends early"},
                    "画像が壊れているため読み込めません。\r\nGIF のデータが途中で切れています。"},
        FailureCase{"OutOfMemory", {.kind = ImportErrorKind::OutOfMemory}, "メモリが足りません。"},
        FailureCase{"QuantizeFailed",
                    {.kind = ImportErrorKind::QuantizeFailed, .detail = "finding the colours"},
                    "色を減らせませんでした。\r\nfinding the colours"},
        FailureCase{"HelperMissing",
                    {.kind = ImportErrorKind::HelperMissing, .detail = "rotopal-decode: gone"},
                    "画像を読み込むプログラムを起動できません。\r\nrotopal-decode: gone"},
        FailureCase{"DecoderStopped",
                    {.kind = ImportErrorKind::DecoderStopped, .signal = 11},
                    "画像を読み込むプログラムがこの画像で止まりました。(signal 11)"},
        FailureCase{"TimedOut",
                    {.kind = ImportErrorKind::TimedOut, .limit = 120},
                    "画像の読み込みに時間がかかりすぎたため（120秒）、中止しました。"},
        FailureCase{
            "InvalidOptions",
            {.kind = ImportErrorKind::InvalidOptions, .detail = "the range must be 1 to 255"},
            "変換の設定が正しくありません。\r\nthe range must be 1 to 255"}),
    test::CaseName{});

}  // namespace
}  // namespace rotopal
