// The preview through the scripted window system: the shared check of the preview and save
// buttons, the preview's frames, its restart and close, and ticks whose yield lets the window
// be closed or reset.

#include "ui/form2.h"

#include <gtest/gtest.h>

#include "animation/rotation.h"
#include "palette/view_render.h"
#include "tests/form1_fixture.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct RefusalCase {
    const char* name;
    int colours;
    int range;
    int button;
};

class NeedAnimationTest : public test::Form1Fixture,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(NeedAnimationTest, BothButtonsRefuseWithoutAnAnimatedColour) {
    form.Form_Load(WriteScreen("logo.sys", GetParam().colours, 0));
    ws.scrollValue = GetParam().range;
    form.HScroll1_Change();
    ws.ClearLog();
    ws.messageBoxes.clear();  // the 16-colour file's question
    form.Command2_Click(GetParam().button);
    ASSERT_EQ(ws.messageBoxes.size(), 1u);
    EXPECT_EQ(ws.messageBoxes[0].caption, "Rotopal");
    EXPECT_EQ(ws.messageBoxes[0].text,
              "プレビュー及び保存をするにはアニメーション数を最低１に指定してください。");
    EXPECT_EQ(ws.messageBoxes[0].icon, MessageIcon::None);
    EXPECT_EQ(ws.messageBoxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ws.log.size(), 1u) << "neither the preview nor the menu opens";
}

INSTANTIATE_TEST_SUITE_P(Images, NeedAnimationTest,
                         ::testing::Values(RefusalCase{"FullPalettePreview", 256, 0, 0},
                                           RefusalCase{"FullPaletteSave", 256, 0, 1},
                                           RefusalCase{"SixteenColoursPreview", 16, 240, 0},
                                           RefusalCase{"SixteenColoursSave", 16, 240, 1},
                                           RefusalCase{"SixteenColoursNone", 16, 0, 1}),
                         test::CaseName{});

class PreviewTest : public test::Form1Fixture {
protected:
    // A 256-colour screen animating 16 entries, its preview button pressed.
    void SetUp() override {
        form.Form_Load(WriteScreen("logo.sys", 256, 240));
        form.Command2_Click(0);
    }

    // Labels the preview wrote into the status window since the log was cleared.
    std::vector<std::string> CounterLabels() const {
        std::vector<std::string> labels;
        const std::string prefix =
            "SetLabel " + std::to_string(static_cast<int>(Label::Form3_Label1)) + " ";
        for (const auto& entry : ws.log) {
            if (entry.rfind(prefix, 0) == 0)
                labels.push_back(entry.substr(prefix.size()));
        }
        return labels;
    }
    Palette Rotated(int steps) const {
        Palette palette = document.palette;
        for (int i = 0; i < steps; ++i)
            RotatePalette(palette, document.lastIndex, form.session().previewSpan);
        return palette;
    }

    Form2 preview{ws, form.session()};
};

TEST_F(PreviewTest, ButtonSetsTheSpanAndShowsThePreviewWindow) {
    EXPECT_EQ(form.session().previewSpan, 15);
    EXPECT_EQ(ws.Count("ShowForm Form2"), 1);
}

TEST_F(PreviewTest, ActivationStopsTheMainWindowAndPlacesTheStatusWindowAbove) {
    ws.tops[Form::Form2] = 300;
    ws.ClearLog();
    preview.Form_Activate();
    EXPECT_FALSE(ws.timerEnabled[Timer::Form1_Timer1]);
    EXPECT_FALSE(ws.formEnabled[Form::Form1]);
    EXPECT_EQ(ws.captions[Form::Form3], "プレビュー中...");
    EXPECT_TRUE(ws.visible[Form::Form3]);
    EXPECT_EQ(ws.tops[Form::Form3], 300 - ws.FormHeight(Form::Form3));
    EXPECT_EQ(ws.timerIntervals[Timer::Form2_Timer1], 150);
    EXPECT_EQ(preview.previewInfo(), CopyBitmapInfo(document));
    EXPECT_EQ(ws.Count("ShowImage Form2"), 0) << "nothing is drawn before the first tick";
}

TEST_F(PreviewTest, FramesRunOneToNAndFrameNIsTheDocumentsPalette) {
    const LogoDocument before = document;
    preview.Form_Activate();
    ws.ClearLog();
    for (int k = 1; k <= 32; ++k) {
        preview.Timer1_Timer();
        const int step = (k - 1) % 16 + 1;
        ASSERT_EQ(preview.previewInfo().colors, Rotated(step)) << "tick " << k;
        ArgbImage expected = ArgbImage::Filled(640, 400, 0);
        RenderDoubleWidth(document.pixels, Rotated(step), expected);
        ASSERT_EQ(ws.shown.at(Surface::Form2), expected) << "tick " << k;
    }
    std::vector<std::string> expected;
    for (int round = 0; round < 2; ++round)
        for (int k = 1; k <= 16; ++k)
            expected.push_back(std::to_string(k) + "/16");
    EXPECT_EQ(CounterLabels(), expected);
    EXPECT_EQ(preview.previewInfo().colors, document.palette) << "16/16 is the unrotated palette";
    EXPECT_EQ(document, before) << "the preview turns a copy";
}

TEST_F(PreviewTest, ReactivationRestartsAtFrameOneWithTheCurrentPalette) {
    preview.Form_Activate();
    for (int k = 0; k < 5; ++k)
        preview.Timer1_Timer();
    EditColour(250, 0x010203);  // edited between two previews
    preview.Form_Activate();
    ws.ClearLog();
    preview.Timer1_Timer();
    EXPECT_EQ(CounterLabels(), std::vector<std::string>{"1/16"});
    EXPECT_EQ(preview.previewInfo().colors, Rotated(1));
}

TEST_F(PreviewTest, ClosingGivesTheMainWindowBackAndTheDocumentIsAsBefore) {
    const LogoDocument before = document;
    preview.Form_Activate();
    preview.Timer1_Timer();
    ws.ClearLog();
    preview.Form_Unload();
    EXPECT_EQ(ws.log, (std::vector<std::string>{
                          "SetTimerInterval Form2.Timer1 0", "SetFormEnabled Form1 on",
                          "SetTimerEnabled Form1.Timer1 on", "UnloadForm Form3"}));
    EXPECT_EQ(document, before);
    preview.Timer1_Timer();  // a tick that was already queued
    EXPECT_EQ(ws.log.size(), 4u) << "a closed preview draws nothing";
}

TEST_F(PreviewTest, SingleAnimatedColourShowsOneOfOneAndNeverChanges) {
    ws.scrollValue = 1;
    form.HScroll1_Change();
    form.Command2_Click(0);
    EXPECT_EQ(form.session().previewSpan, 0);
    preview.Form_Activate();
    ws.ClearLog();
    for (int k = 0; k < 3; ++k)
        preview.Timer1_Timer();
    EXPECT_EQ(CounterLabels(), (std::vector<std::string>{"1/1", "1/1", "1/1"}));
    EXPECT_EQ(preview.previewInfo().colors, document.palette);
}

// ---- What happens while a tick lets other events run --------------------------------------------

TEST_F(PreviewTest, WindowClosedDuringTheYieldIsNotDrawnOrBroughtBack) {
    preview.Form_Activate();
    ws.onDoEvents = [&] {
        ws.onDoEvents = nullptr;
        preview.Form_Unload();
        ws.UnloadForm(Form::Form2);
    };
    ws.ClearLog();
    preview.Timer1_Timer();
    EXPECT_EQ(ws.Count("SetLabel"), 0);
    EXPECT_EQ(ws.Count("ShowImage"), 0);
    EXPECT_EQ(ws.Count("ShowForm"), 0);
    EXPECT_FALSE(ws.visible[Form::Form3]);
    EXPECT_TRUE(ws.formEnabled[Form::Form1]);
}

TEST_F(PreviewTest, ActivationDuringTheYieldDiscardsTheStepBegunOnTheOldCopy) {
    preview.Form_Activate();
    for (int k = 0; k < 3; ++k)
        preview.Timer1_Timer();
    ws.onDoEvents = [&] {
        ws.onDoEvents = nullptr;
        preview.Form_Activate();
    };
    ws.ClearLog();
    preview.Timer1_Timer();
    EXPECT_EQ(preview.previewInfo(), CopyBitmapInfo(document)) << "the fresh copy, unstepped";
    EXPECT_EQ(preview.frameCounter(), 0);
    EXPECT_TRUE(CounterLabels().empty());
    preview.Timer1_Timer();
    EXPECT_EQ(CounterLabels(), std::vector<std::string>{"1/16"});
    EXPECT_EQ(preview.previewInfo().colors, Rotated(1));
}

TEST_F(PreviewTest, TickArrivingDuringTheYieldDoesNotStart) {
    preview.Form_Activate();
    int nested = 0;
    ws.onDoEvents = [&] {
        if (nested++ < 3)
            preview.Timer1_Timer();
    };
    ws.ClearLog();
    preview.Timer1_Timer();
    EXPECT_EQ(ws.Count("DoEvents"), 1) << "the nested ticks returned at once";
    EXPECT_EQ(CounterLabels(), std::vector<std::string>{"1/16"});
    EXPECT_EQ(preview.previewInfo().colors, Rotated(1)) << "exactly one step";
}

}  // namespace
}  // namespace rotopal
