// The palette window through the main window's handlers: selection, pointer outline, the entry
// label, the edit menu, colour edits and the colour exchange.

#include <gtest/gtest.h>

#include <algorithm>

#include "palette/colour_edit.h"
#include "palette/palette_grid.h"
#include "palette/view_render.h"
#include "tests/form1_fixture.h"
#include "ui/label_texts.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::PrintTo;

// The middle of a cell, in the palette window's pixels.
float CellX(int index) {
    return static_cast<float>(index % 16 * 15 + 7);
}
float CellY(int index) {
    return static_cast<float>(index / 16 * 15 + 7);
}

constexpr Control kSwapControls[] = {Control::HScroll1,   Control::Command1, Control::Command2_0,
                                     Control::Command2_1, Control::Command4, Control::Picture1};

class PaletteWindowTest : public test::Form1Fixture {
protected:
    // A 256-colour screen animating entries 250..255 (N = 6).
    void SetUp() override { form.Form_Load(WriteScreen("logo.sys", 256, 250)); }

    void Down(int button, int index) {
        form.Picture2_MouseDown(button, 0, CellX(index), CellY(index));
    }
    void Move(int index) { form.Picture2_MouseMove(0, 0, CellX(index), CellY(index)); }
    void Up(int button, int index) { form.Picture2_MouseUp(button, 0, CellX(index), CellY(index)); }
    // A click as a real pointer makes it: over the cell, press, release.
    void Click(int button, int index) {
        Move(index);
        Down(button, index);
        Up(button, index);
    }
    // Selects the entry and chooses "exchange" from its menu.
    void StartSwap(int index) {
        ws.menuAnswers = {1};
        Click(kRightButton, index);
        ASSERT_TRUE(form.session().exchangeWaiting);
    }

    ArgbImage Rendered() const {
        ArgbImage image = ArgbImage::Filled(320, 400, 0);
        RenderView(document.pixels, document.palette, image);
        return image;
    }
    std::uint32_t GridPixel(int x, int y) const { return ws.shown.at(Surface::Picture2).At(x, y); }
    std::uint32_t OutlineShown(int index) const {
        return GridPixel(index % 16 * 15, index / 16 * 15);
    }
    // The controls switched since the log was cleared, in order.
    std::vector<std::string> EnablingOrder() const {
        std::vector<std::string> order;
        std::copy_if(ws.log.begin(), ws.log.end(), std::back_inserter(order),
                     [](const std::string& e) { return e.rfind("SetEnabled", 0) == 0; });
        return order;
    }
    static std::vector<std::string> SwapControlSwitches(const std::string& state) {
        std::vector<std::string> switches;
        for (const auto c : kSwapControls)
            switches.push_back("SetEnabled " + test::ToString(c) + " " + state);
        return switches;
    }
    std::size_t LogIndex(const std::string& prefix) const {
        const auto it = std::find_if(ws.log.begin(), ws.log.end(),
                                     [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
        return static_cast<std::size_t>(it - ws.log.begin());
    }
};

TEST_F(PaletteWindowTest, OpeningDrawsTheGridWithTheAnimatedEntriesInRed) {
    EXPECT_EQ(OutlineShown(249), kOutlineNone);
    for (int i = 250; i < 256; ++i)
        EXPECT_EQ(OutlineShown(i), kOutlineAnimated) << i;
    EXPECT_EQ(GridPixel(7, 7), ArgbOf(document.palette[0]));
}

TEST_F(PaletteWindowTest, PressSelectsDragMovesOnlyThePointerOutlineReleaseDescribesTheTarget) {
    Move(3);
    Down(kLeftButton, 3);
    EXPECT_EQ(form.session().selected, 3);
    Palette highlight = HighlightPalette(document.palette, 3, 6);
    ArgbImage expected = ArgbImage::Filled(320, 400, 0);
    RenderView(document.pixels, highlight, expected);
    EXPECT_EQ(form.state().invertedDC.image(), expected) << "the selected colour blinks at once";

    Move(40);
    Up(kLeftButton, 40);
    EXPECT_EQ(form.session().selected, 3);
    EXPECT_EQ(form.session().hover, 40);
    EXPECT_EQ(OutlineShown(3), kOutlineSelected);
    EXPECT_EQ(OutlineShown(40), kOutlineHover);
    const auto& e = document.palette[40];
    EXPECT_EQ(
        ws.labels[Label::Form1_Label4],
        "\xE9\x81\xB8\xE6\x8A\x9E\xE3\x83\x91\xE3\x83\xAC\xE3\x83\x83\xE3\x83\x88\r\n40\xE7\x95\xAA"
        "\r\nRed=" +
            std::to_string(e.rgbRed) + "\r\nGreen=" + std::to_string(e.rgbGreen) +
            "\r\nBlue=" + std::to_string(e.rgbBlue));
    EXPECT_EQ(ws.Count("ShowPopupMenu"), 0);
}

TEST_F(PaletteWindowTest, ReleaseBeforeAnyPointerMovementLeavesTheEntryLabel) {
    Down(kLeftButton, 3);
    Up(kLeftButton, 3);
    EXPECT_EQ(form.session().selected, 3);
    EXPECT_EQ(ws.labels.count(Label::Form1_Label4), 0u);
}

TEST_F(PaletteWindowTest, RightClickShowsTheMenuThenTheEntry) {
    Click(kRightButton, 7);  // dismissed
    EXPECT_EQ(form.session().selected, 7);
    EXPECT_EQ(ws.Count("ShowPopupMenu Menu"), 1);
    EXPECT_EQ(ws.labels[Label::Form1_Label4].substr(0, 24), "選択パレット\r\n7番");
    EXPECT_EQ(ws.Count("ColorDialog"), 0);
    EXPECT_FALSE(form.session().exchangeWaiting);
}

TEST_F(PaletteWindowTest, ChosenColourLandsInTheEntryBeforeTheLabelShowsIt) {
    const RGBQUAD before = document.palette[5];
    ws.menuAnswers = {0};
    ws.colourAnswers = {255 + 128 * 256};
    Click(kRightButton, 5);
    EXPECT_EQ(ws.lastInitialColour, ColourRefOf(before));
    EXPECT_EQ(document.palette[5], (RGBQUAD{0, 128, 255, before.rgbReserved}));
    EXPECT_LT(LogIndex("ColorDialog"), LogIndex("SetLabel 2"));
    EXPECT_EQ(ws.labels[Label::Form1_Label4],
              "選択パレット\r\n5番\r\nRed=255\r\nGreen=128\r\nBlue=0");
    EXPECT_EQ(form.state().plainDC, Rendered()) << "the view follows the new colour";
    EXPECT_EQ(GridPixel(5 * 15 + 7, 7), 0xFFFF8000u);
}

TEST_F(PaletteWindowTest, CancelledColourDialogKeepsAllFourBytes) {
    const Palette before = document.palette;
    ws.menuAnswers = {0};
    ws.colourAnswers = {std::nullopt};
    Click(kRightButton, 9);
    EXPECT_EQ(document.palette, before);
}

TEST_F(PaletteWindowTest, EditedAnimatedEntryKeepsItsOutlineAndBlinksInItsNewColour) {
    ws.menuAnswers = {0};
    ws.colourAnswers = {0xFF0000};  // pure blue
    Click(kRightButton, 252);
    EXPECT_EQ(document.palette[252].rgbBlue, 255);
    EXPECT_EQ(document.palette[252].rgbRed, 0);
    Click(kLeftButton, 0);  // move selection and pointer away
    EXPECT_EQ(OutlineShown(252), kOutlineAnimated);
    ArgbImage expected = ArgbImage::Filled(320, 400, 0);
    RenderView(document.pixels, HighlightPalette(document.palette, 0, 6), expected);
    EXPECT_EQ(form.state().invertedDC.image(), expected);
}

TEST_F(PaletteWindowTest, ReleaseOffTheGridAfterAPressInsideIsIgnored) {
    Move(3);
    Down(kRightButton, 3);
    for (const auto& [x, y] : {std::pair{240.0f, 10.0f}, {-0.5f, 10.0f}, {10.0f, 300.0f}}) {
        form.Picture2_MouseUp(kRightButton, 0, x, y);
    }
    EXPECT_EQ(ws.Count("ShowPopupMenu"), 0);
    EXPECT_EQ(ws.labels.count(Label::Form1_Label4), 0u);
    EXPECT_EQ(form.session().selected, 3);
}

TEST_F(PaletteWindowTest, FirstPixelRowAndColumnSelectButDoNotMoveThePointerOutline) {
    form.Picture2_MouseMove(0, 0, 0.0f, 20.0f);
    form.Picture2_MouseMove(0, 0, 20.0f, 0.5f);
    EXPECT_EQ(form.session().hover, std::nullopt);
    EXPECT_EQ(ws.statusLine, texts::kPaletteHint) << "the hint shows all the same";
    form.Picture2_MouseDown(kLeftButton, 0, 0.0f, 20.0f);
    EXPECT_EQ(form.session().selected, 16);
    form.Picture2_MouseDown(kLeftButton, 0, 20.0f, 0.0f);
    EXPECT_EQ(form.session().selected, 1);
    form.Picture2_MouseDown(kLeftButton, 0, -0.5f, 20.0f);  // left of the grid
    EXPECT_EQ(form.session().selected, 1);
    form.Picture2_MouseMove(0, 0, 1.0f, 1.0f);
    EXPECT_EQ(form.session().hover, 0);
}

TEST_F(PaletteWindowTest, PointerOutlineStaysWhenThePointerLeavesTheGrid) {
    Move(10);
    form.Picture2_MouseMove(0, 0, 241.0f, 100.0f);
    form.Picture2_MouseMove(0, 0, 100.0f, -3.0f);
    EXPECT_EQ(form.session().hover, 10);
    EXPECT_EQ(OutlineShown(10), kOutlineHover);
}

TEST_F(PaletteWindowTest, SmallImageDrawsOneRowButCellsBelowCanBeSelected) {
    form.OpenFile(WriteScreen("logo16.bmp", 16, 0));  // answered No: 16 colours
    EditColour(40, 0x010203);
    Click(kLeftButton, 40);
    EXPECT_EQ(form.session().selected, 40);
    EXPECT_EQ(OutlineShown(40), kArgbBlack) << "not drawn";
    EXPECT_EQ(ws.labels[Label::Form1_Label4], "選択パレット\r\n40番\r\nRed=3\r\nGreen=2\r\nBlue=1");
}

// ---- Exchange ---------------------------------------------------------------------------------

TEST_F(PaletteWindowTest, ExchangeMovesAColourIntoTheRangeAndKeepsThePicture) {
    const LogoDocument before = document;
    const ArgbImage picture = Rendered();
    ws.ClearLog();
    StartSwap(3);
    EXPECT_EQ(ws.statusLine, texts::kSwapPrompt);
    for (const auto c : kSwapControls)
        EXPECT_FALSE(ws.enabled[c]) << test::ToString(c);
    EXPECT_TRUE(ws.enabled[Control::Picture2]);
    EXPECT_TRUE(ws.enabled[Control::Command3]);
    EXPECT_EQ(EnablingOrder(), SwapControlSwitches("off"));

    Move(250);
    EXPECT_EQ(ws.statusLine, texts::kSwapPointerHint);
    EXPECT_EQ(OutlineShown(250), kOutlineHoverSwap);
    Down(kLeftButton, 250);
    EXPECT_EQ(form.session().selected, 3) << "presses are ignored while exchanging";
    const std::string label = ws.labels[Label::Form1_Label4];
    ws.ClearLog();
    Up(kLeftButton, 250);

    EXPECT_FALSE(form.session().exchangeWaiting);
    EXPECT_EQ(document.palette[250], before.palette[3]);
    EXPECT_EQ(document.palette[3], before.palette[250]);
    EXPECT_EQ(form.state().plainDC, picture) << "the picture is the same pixel for pixel";
    EXPECT_EQ(Rendered(), picture);
    EXPECT_EQ(ws.labels[Label::Form1_Label4], label) << "the exchange leaves the entry label";
    EXPECT_EQ(EnablingOrder(), SwapControlSwitches("on")) << "enabled again in the same order";
    EXPECT_EQ(OutlineShown(250), kOutlineHover);
}

class SwapCancelTest : public PaletteWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(SwapCancelTest, AnyOtherButtonOnTheGridCancels) {
    const LogoDocument before = document;
    StartSwap(3);
    Move(250);
    Up(GetParam(), 250);
    EXPECT_EQ(document, before);
    EXPECT_FALSE(form.session().exchangeWaiting);
    for (const auto c : kSwapControls)
        EXPECT_TRUE(ws.enabled[c]) << test::ToString(c);
    EXPECT_EQ(ws.Count("ShowPopupMenu"), 1) << "no menu while the exchange waits";
}

INSTANTIATE_TEST_SUITE_P(Buttons, SwapCancelTest, ::testing::Values(kRightButton, kMiddleButton));

TEST_F(PaletteWindowTest, ClickBesideTheGridKeepsTheExchangeWaiting) {
    StartSwap(3);
    form.Picture2_MouseUp(kLeftButton, 0, 240.0f, 5.0f);
    form.Picture2_MouseUp(kLeftButton, 0, 5.0f, -1.0f);
    EXPECT_TRUE(form.session().exchangeWaiting);
    for (const auto c : kSwapControls)
        EXPECT_FALSE(ws.enabled[c]) << test::ToString(c);
    EXPECT_EQ(ws.statusLine, texts::kSwapPrompt);
}

TEST_F(PaletteWindowTest, SelfExchangeChangesNothingButEndsTheMode) {
    const LogoDocument before = document;
    StartSwap(3);
    Up(kLeftButton, 3);
    EXPECT_EQ(document, before);
    EXPECT_FALSE(form.session().exchangeWaiting);
    for (const auto c : kSwapControls)
        EXPECT_TRUE(ws.enabled[c]) << test::ToString(c);
}

struct SmallSwapCase {
    const char* name;
    int source, target;
    bool refused;
};

class SmallImageSwapTest : public PaletteWindowTest,
                           public ::testing::WithParamInterface<SmallSwapCase> {};

TEST_P(SmallImageSwapTest, RefusesToMoveColoursAcrossTheStoredEntries) {
    form.OpenFile(WriteScreen("logo16.bmp", 16, 0));  // answered No: entries 0..15 stored
    const LogoDocument before = document;
    StartSwap(GetParam().source);
    Up(kLeftButton, GetParam().target);
    EXPECT_FALSE(form.session().exchangeWaiting);
    for (const auto c : kSwapControls)
        EXPECT_TRUE(ws.enabled[c]) << test::ToString(c);
    if (GetParam().refused) {
        EXPECT_EQ(document, before);
        EXPECT_EQ(ws.statusLine, texts::kSwapRefusedMessage);
    } else {
        EXPECT_EQ(document.palette[static_cast<std::size_t>(GetParam().target)],
                  before.palette[static_cast<std::size_t>(GetParam().source)]);
        EXPECT_EQ(ws.statusLine, texts::kSwapPrompt);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, SmallImageSwapTest,
                         ::testing::Values(SmallSwapCase{"WithinStored", 3, 15, false},
                                           SmallSwapCase{"BothBeyond", 20, 200, false},
                                           SmallSwapCase{"OutOfStored", 3, 200, true},
                                           SmallSwapCase{"IntoStored", 200, 3, true}),
                         test::CaseName{});

// ---- Dropped files
// --------------------------------------------------------------------------------

TEST_F(PaletteWindowTest, DroppedFileOpensLikeTheOpenButtonButNotDuringAnExchange) {
    const std::string other = WriteScreen("other.sys", 256, 200, 5);
    form.Form_DragDrop({other, other});  // several
    form.Form_DragDrop({});              // not a file
    EXPECT_EQ(form.session().path, dir / "logo.sys");
    StartSwap(3);
    form.Form_DragDrop({other});
    EXPECT_EQ(form.session().path, dir / "logo.sys") << "the exchange waits for its target";
    Up(kRightButton, 3);  // cancel
    form.Form_DragDrop({other});
    EXPECT_EQ(form.session().path, other);
    EXPECT_EQ(document, Expected(other));
    EXPECT_EQ(ws.scrollValue, 56);
}

// ---- Undo and redo ------------------------------------------------------------------------------

TEST_F(PaletteWindowTest, UndoAndRedoRedrawEverythingTheEditDrew) {
    const LogoDocument opened = document;
    ws.menuAnswers = {0};
    ws.colourAnswers = {0x0000FF};
    Click(kRightButton, 5);  // entry 5 becomes red; the label describes it
    StartSwap(5);
    Up(kLeftButton, 250);
    const LogoDocument edited = document;
    const ArgbImage editedGrid = ws.shown.at(Surface::Picture2);

    form.Edit_Undo();
    form.Edit_Undo();
    EXPECT_TRUE(test::SameDocument(opened, document));
    EXPECT_TRUE(test::SameImage(Rendered(), form.state().plainDC)) << "the view follows";
    EXPECT_EQ(GridPixel(5 * 15 + 7, 7), ArgbOf(opened.palette[5])) << "and the grid";
    EXPECT_EQ(ws.labels[Label::Form1_Label4], EntryLabelText(5, opened.palette[5]))
        << "and the entry label";
    form.Edit_Undo();
    EXPECT_TRUE(test::SameDocument(opened, document)) << "nothing more to undo";

    form.Edit_Redo();
    form.Edit_Redo();
    EXPECT_TRUE(test::SameDocument(edited, document));
    EXPECT_TRUE(test::SameImage(editedGrid, ws.shown.at(Surface::Picture2)));
}

TEST_F(PaletteWindowTest, OpeningStartsANewHistoryAndAWaitingExchangeBlocksUndo) {
    StartSwap(3);
    Up(kLeftButton, 250);
    const LogoDocument edited = document;
    StartSwap(7);
    form.Edit_Undo();
    EXPECT_TRUE(test::SameDocument(edited, document)) << "the exchange waits for its target";
    Up(kRightButton, 7);  // cancel
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Command4_Click();  // reset
    form.Edit_Undo();
    EXPECT_TRUE(test::SameDocument(Expected(dir / "logo.sys"), document))
        << "the edit before the reset is not undone into the reopened file";
}

}  // namespace
}  // namespace rotopal
