#include <gtest/gtest.h>

#include "import/picture_import.h"
#include "tests/form1_fixture.h"
#include "tests/test_pictures.h"
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

    void Drop(MessageAnswer answer) {
        ws.messageAnswers = {answer};
        form.Form_DragDrop({picture});
    }

    static constexpr Rgb kOrange{230, 120, 20};
    static constexpr Rgb kTeal{20, 150, 140};
    std::string picture;
};

TEST_F(DroppedPictureTest, YesOpensTheScreenMadeFromItWithTheRangeSetThenResetMakesItAgain) {
    ws.scrollValue = 30;
    form.HScroll1_Change();
    Drop(MessageAnswer::Yes);
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].text,
              "8bit、320×400のビットマップではありません。\r\nこの画像を起動画面に変換しますか？");
    EXPECT_EQ(ws.messageBoxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ws.captions[Form::Form1], std::string(texts::kMainCaptionPrefix) + picture);

    ImportOptions options;
    options.range = 30;
    const LogoDocument expected = ImportPictureFile(picture, options).value();
    EXPECT_TRUE(test::SameDocument(expected, document));
    EXPECT_EQ(ws.scrollValue, 30);
    EXPECT_EQ(ws.labels[Label::Form1_Label1], "30色アニメーション");

    EditColour(3, 0x010203);
    ws.scrollValue = 50;
    form.HScroll1_Change();
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();  // reset
    EXPECT_TRUE(test::SameDocument(expected, document)) << "reset imports the picture again";
    EXPECT_EQ(ws.scrollValue, 30);
}

TEST_F(DroppedPictureTest, NoOrAnUnreadablePictureLeavesEverythingAsItWas) {
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
    EXPECT_EQ(ws.messageBoxes[2].text, texts::kNotBitmapMessage);
    EXPECT_EQ(ws.messageBoxes[2].icon, MessageIcon::Exclamation);

    EXPECT_EQ(document, before);
    EXPECT_EQ(form.session().path, path);
    EXPECT_EQ(ws.captions, captions);
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

}  // namespace
}  // namespace rotopal
