#include "ui/form1.h"

#include <algorithm>
#include <cerrno>

#include "animation/frame_export.h"
#include "animation/save_targets.h"
#include "animation/windows_dir.h"
#include "document/file_io.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "palette/colour_edit.h"
#include "palette/colour_swap.h"
#include "palette/palette_grid.h"
#include "palette/view_render.h"
#include "ui/command_line.h"
#include "ui/dialogs.h"
#include "ui/file_filters.h"
#include "ui/label_texts.h"
#include "ui/layout.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

std::string_view RejectionMessage(Rejection rejection) {
    switch (rejection) {
        case Rejection::NotEightBit: return texts::kNotEightBitMessage;
        case Rejection::WrongSize: return texts::kWrongSizeMessage;
        case Rejection::NotBitmap: break;
    }
    return texts::kNotBitmapMessage;
}

}  // namespace

// ---- Start-up and shutdown -------------------------------------------------------------------

void Form1::Form_Load(std::string_view commandLine) {
    state_.plainDC = ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbWhite);
    state_.invertedDC.Reset(ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbWhite));
    const WindowsFolder windows = ws_.WindowsDirectory();
    state_.windowsDir = WithWindowsSeparator(windows.path);
    state_.windowsDirIsFallback = windows.isCurrentFolderFallback;
    // A file opened below is drawn with no selection and no pointer outline.
    state_.selectedIndex = -1;
    state_.hoverIndex = -1;
    if (const auto path = CommandLinePath(commandLine)) {
        OpenFile(*path);
    }
}

void Form1::Form_Unload() {
    state_.plainDC = {};
    state_.invertedDC.Reset({});
    ws_.EndProgram();
}

// ---- Buttons ---------------------------------------------------------------------------------

void Form1::Command1_Click() {
    const std::string path =
        ShowOpenDialog(ws_, FilterText(OpenDialogFilters()), ws_.ProgramFolder());
    if (!path.empty()) {
        OpenFile(path);
    }
}

void Form1::Form_DragDrop(const std::vector<std::string>& paths) {
    if (paths.size() != 1 || paths.front().empty() || state_.swapMode) {
        return;
    }
    OpenFile(paths.front());
}

void Form1::Command2_Click(int index) {
    // Both preview and save need at least one animated colour among those the image uses.
    const int n = AnimatedCount(RangeControlValue(), document_.lastIndex);
    if (n <= 0) {
        ws_.MessageBox(texts::kMessageCaption, texts::kNeedAnimationMessage, MessageIcon::None,
                       MessageButtons::Ok);
        return;
    }
    if (index == 0) {
        document_.animSpan = static_cast<std::uint8_t>(n - 1);
        ws_.ShowForm(Form::Form2);  // its activation starts the preview
        return;
    }
    if (const auto item = ws_.ShowPopupMenu(PopupMenu::Menu_Save)) {
        Menu_Save_Option_Click(*item);
    }
}

void Form1::Command3_Click() {
    // Closing the main window runs Form_Unload; nothing is asked.
    ws_.UnloadForm(Form::Form1);
}

void Form1::Command4_Click() {
    const auto answer = ws_.MessageBox(texts::kMessageCaption, texts::kRevertQuestion,
                                       MessageIcon::Question, MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) {
        OpenFile(state_.currentPath);
    }
}

// ---- Hints -----------------------------------------------------------------------------------

void Form1::Command1_MouseMove() {
    Message(texts::kOpenHint);
}

void Form1::Command2_MouseMove(int index) {
    Message(index == 0 ? texts::kPreviewHint : texts::kSaveHint);
}

void Form1::Command3_MouseMove() {
    Message(texts::kExitHint);
}

void Form1::Command4_MouseMove() {
    Message(texts::kResetHint);
}

void Form1::Picture3_MouseMove() {
    Message(texts::kViewHint);
}

void Form1::HScroll1_GotFocus() {
    Message(texts::kScrollHint);
}

void Form1::Message(std::string_view text) {
    ws_.ClearStatusLine();
    ws_.PrintStatusLine(text);
}

// ---- Opening ---------------------------------------------------------------------------------

void Form1::OpenFile(const std::string& path) {
    state_.currentPath = path;
    auto read = ReadLogoFile(path, [this](int colours) {
        return ws_.MessageBox(texts::kMessageCaption, ColourCountQuestion(colours),
                              MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    });
    if (!read) {
        // The open document, the view and every control stay as they were.
        ws_.MessageBox(texts::kMessageCaption, RejectionMessage(RejectionOf(read.error().kind)),
                       MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    document_ = std::move(read).value().document;

    ws_.SetCaption(Form::Form1, std::string(texts::kMainCaptionPrefix) + path);
    if (const auto range = RangeValueFromClrImportant(document_.infoHeader.biClrImportant)) {
        SetRangeControlValue(*range);
    }
    DrawPicture();
    ws_.SetEnabled(Control::HScroll1, true);
    ws_.SetTimerInterval(Timer::Form1_Timer1, layout::kBlinkMilliseconds);
    ws_.SetEnabled(Control::Command2_0, true);
    ws_.SetEnabled(Control::Command2_1, true);
    ws_.SetEnabled(Control::Command4, true);
    ws_.SetEnabled(Control::Picture2, true);
    GetInfo(path);
    // The palette window, the highlight and the count follow the new document even when the
    // range value did not change.
    HScroll1_Change();
}

void Form1::GetInfo(const std::string& path) {
    ws_.SetLabel(Label::Form1_Label2, InfoLabelText(path, document_));
}

// ---- Range control ---------------------------------------------------------------------------

RangeValue Form1::RangeControlValue() {
    return static_cast<RangeValue>(std::clamp(ws_.ScrollValue(), 0, 255));
}

void Form1::SetRangeControlValue(RangeValue value) {
    if (ws_.ScrollValue() == value) {
        return;
    }
    ws_.SetScrollValue(value);
    HScroll1_Change();
}

void Form1::HScroll1_Change() {
    DrawBlock();
    ColorPaint();
    ws_.SetLabel(Label::Form1_Label1, AnimationCountText(RangeControlValue(), document_.lastIndex));
}

void Form1::HScroll1_Scroll() {
    HScroll1_Change();
}

// ---- View ------------------------------------------------------------------------------------

void Form1::DrawPicture() {
    RenderView(document_.pixels, document_.palette, state_.plainDC);
    ColorPaint();
}

void Form1::ColorPaint() {
    const Palette highlight =
        HighlightPalette(document_.palette, state_.selectedIndex, RangeControlValue());
    state_.invertedDC.Render(document_.pixels, highlight);
}

void Form1::Up_Dis() {
    ws_.ShowImage(Surface::Picture3, state_.plainDC);
}

void Form1::Picture3_Paint() {
    Up_Dis();
}

void Form1::Timer1_Timer() {
    if (state_.blinkPhase) {
        ws_.ShowImage(Surface::Picture3, state_.plainDC);
        state_.blinkPhase = false;
    } else {
        ws_.ShowImage(Surface::Picture3, state_.invertedDC.image());
        state_.blinkPhase = true;
    }
}

// ---- Saving ----------------------------------------------------------------------------------

void Form1::Menu_Save_Option_Click(int index) {
    if (index >= 0 && index <= 2) {
        const auto target = static_cast<ScreenTarget>(index);
        const auto placement = state_.windowsDirIsFallback ? ScreenPlacement::AllInFolder
                                                           : ScreenPlacement::SystemLayout;
        const std::string path = ScreenTargetPath(target, state_.windowsDir, placement);
        // Without a Windows installation the files land in the current folder; the user is
        // told where.
        const std::string where = state_.windowsDirIsFallback ? "\r\n" + path : std::string();
        if (PathExists(path)) {
            const auto answer = ws_.MessageBox(texts::kMessageCaption,
                                               std::string(texts::kOverwriteQuestion) + where,
                                               MessageIcon::Question, MessageButtons::YesNo);
            if (answer != MessageAnswer::Yes) {
                return;
            }
            // The old file is not deleted first: the write replaces it only once the new
            // content is complete, so a failed save leaves it as it was.
        }
        if (!SaveDocument(path)) {
            return;
        }
        ws_.MessageBox(texts::kMessageCaption, std::string(texts::kSavedMessage) + where,
                       MessageIcon::None, MessageButtons::Ok);
        return;
    }
    if (index != 3) {
        return;
    }

    const SaveDialogAnswer chosen =
        ShowSaveDialog(ws_, FilterText(SaveDialogFilters()), ws_.ProgramFolder());
    if (chosen.path.empty()) {
        return;
    }
    bool saved = false;
    switch (chosen.filterIndex) {
        case 1: saved = SaveDocument(chosen.path); break;
        case 2: saved = SaveDocument(WithBitmapExtension(chosen.path)); break;
        case 3: {
            const int n = AnimatedCount(RangeControlValue(), document_.lastIndex);
            saved = Saves(chosen.path, n - 1);
            break;
        }
        default: return;
    }
    if (saved) {
        ws_.MessageBox(texts::kMessageCaption, texts::kSavedMessage, MessageIcon::None,
                       MessageButtons::Ok);
    }
}

bool Form1::SaveDocument(const std::string& path) {
    // The file records where the animated range begins; the document keeps the value.
    document_.infoHeader.biClrImportant = ClrImportantForRange(RangeControlValue());
    const auto written = WriteLogoFile(path, document_);
    if (!written) {
        ReportSaveFailure(written.error().path, written.error().systemError);
        return false;
    }
    return true;
}

bool Form1::Saves(const std::string& fileName, std::int32_t number) {
    ws_.SetCaption(Form::Form3, texts::kExportingCaption);
    ws_.ShowForm(Form::Form3);
    const auto exported =
        ExportFrames(document_, fileName, number, [this](int frame, int frameCount) {
            ws_.SetLabel(Label::Form3_Label1, FrameCounterText(frame, frameCount));
            ws_.RepaintForm(Form::Form3);
        });
    ws_.UnloadForm(Form::Form3);
    if (!exported) {
        const ExportError& error = exported.error();
        if (error.kind == ExportError::Kind::InvalidSpan) {
            ReportSaveFailure(fileName, EINVAL);
        } else {
            ReportSaveFailure(error.write.path, error.write.systemError);
        }
        return false;
    }
    return true;
}

void Form1::ReportSaveFailure(const std::string& path, int systemError) {
    ws_.MessageBox(texts::kMessageCaption,
                   std::string(texts::kSaveFailedMessage) + "\r\n" + path + "\r\n" +
                       FailureReasonText(systemError),
                   MessageIcon::Exclamation, MessageButtons::Ok);
}

// ---- Palette window --------------------------------------------------------------------------

void Form1::DrawBlock() {
    const GridMarks marks{RangeControlValue(), state_.selectedIndex, state_.hoverIndex,
                          state_.swapMode};
    RenderPaletteGrid(document_.palette, document_.lastIndex, marks, state_.paletteImage);
    ws_.ShowImage(Surface::Picture2, state_.paletteImage);
}

void Form1::Picture2_MouseDown(int /*button*/, int /*shift*/, float x, float y) {
    if (state_.swapMode) {
        return;
    }
    const auto cell = CellAt(WholePixel(x), WholePixel(y));
    if (!cell) {
        return;
    }
    // Any button selects; cells beyond lastIndex, drawn black, can be selected too.
    state_.selectedIndex = *cell;
    DrawBlock();
    ColorPaint();
}

void Form1::Picture2_MouseMove(int /*button*/, int /*shift*/, float x, float y) {
    Message(state_.swapMode ? texts::kSwapPointerHint : texts::kPaletteHint);
    const int px = WholePixel(x);
    const int py = WholePixel(y);
    // The grid's first pixel row and column do not move the pointer outline.
    if (px > 0 && px < kGridPixels && py > 0 && py < kGridPixels) {
        state_.hoverIndex = *CellAt(px, py);
        DrawBlock();
    }
}

void Form1::Picture2_MouseUp(int button, int /*shift*/, float x, float y) {
    // After a press inside, the release arrives here wherever it happens; off the grid it counts
    // for nothing.
    const auto cell = CellAt(WholePixel(x), WholePixel(y));
    if (!cell) {
        return;
    }
    if (state_.swapMode) {
        EndColourSwap(button, *cell);
        return;
    }
    if (button == kRightButton) {
        // The chosen item's handler runs before the release goes on.
        switch (ws_.ShowPopupMenu(PopupMenu::Menu).value_or(-1)) {
            case 0: ColorChoice_Click(); break;
            case 1: ColorSwap_Click(); break;
            default: break;
        }
    }
    if (state_.hoverIndex != -1) {
        const auto index = static_cast<std::size_t>(state_.hoverIndex);
        ws_.SetLabel(Label::Form1_Label4,
                     EntryLabelText(state_.hoverIndex, document_.palette[index]));
    }
}

void Form1::ColorChoice_Click() {
    if (state_.selectedIndex == -1) {
        return;
    }
    RGBQUAD& entry = document_.palette[static_cast<std::size_t>(state_.selectedIndex)];
    const ColourRef chosen = ShowColorDialog(ws_, ColourRefOf(entry));
    entry = SplitColor(chosen, entry);
    // Redrawn after a cancel too; the picture is then the same.
    DrawBlock();
    DrawPicture();
}

void Form1::ColorSwap_Click() {
    Message(texts::kSwapPrompt);
    SetSwapControlsEnabled(false);
    state_.swapMode = true;
}

void Form1::EndColourSwap(int button, std::uint8_t target) {
    state_.swapMode = false;
    bool refused = false;
    if (button == kLeftButton) {
        // A small image's file stores entries up to lastIndex only: a used colour must not
        // move beyond them, nor pixels come to use an entry that is not saved.
        refused = CrossesStoredColours(document_, state_.selectedIndex, target);
        if (!refused) {
            SwapPaletteEntries(document_, state_.selectedIndex, target);
        }
    }
    SetSwapControlsEnabled(true);
    DrawBlock();
    DrawPicture();
    if (refused) {
        Message(texts::kSwapRefusedMessage);
    }
}

void Form1::SetSwapControlsEnabled(bool enabled) {
    for (const auto control : {Control::HScroll1, Control::Command1, Control::Command2_0,
                               Control::Command2_1, Control::Command4, Control::Picture1}) {
        ws_.SetEnabled(control, enabled);
    }
}

}  // namespace rotopal
