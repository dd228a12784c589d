#include "ui/form1.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "animation/windows_dir.h"
#include "document/logo_reader.h"
#include "import/picture_import.h"
#include "palette/view_render.h"
#include "ui/command_line.h"
#include "ui/dialogs.h"
#include "ui/file_filters.h"
#include "ui/import_messages.h"
#include "ui/import_work.h"
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
    saving_.UseWindowsFolder(ws_.WindowsDirectory());
    // A file opened below is drawn with no selection and no pointer outline.
    session_.selected.reset();
    session_.hover.reset();
    if (const auto path = CommandLinePath(commandLine)) {
        OpenFile(*path);
    }
}

void Form1::ImportPicture(const std::string& path) {
    OpenImportDialog(path);
}

void Form1::Form_Unload() {
    state_.plainDC = {};
    state_.invertedDC.Reset({});
    ws_.EndProgram();
}

// ---- Buttons ---------------------------------------------------------------------------------

void Form1::Command1_Click() {
    const auto chosen = ShowOpenDialog(ws_, FilterText(OpenDialogFilters()), ws_.ProgramFolder());
    if (chosen.path.empty()) {
        return;
    }
    // The picture file type, which follows the four of screens and bitmaps, is the import's: any
    // picture it reads chosen there is made into a screen, a BMP of any kind included.
    if (chosen.filterIndex == kPictureFilterNumber && IsPictureFile(chosen.path)) {
        OpenImportDialog(chosen.path);
        return;
    }
    OpenFile(chosen.path);
}

void Form1::Form_DragDrop(const std::vector<std::string>& paths) {
    if (paths.size() != 1 || paths.front().empty() || session_.exchangeWaiting) {
        return;
    }
    OpenFile(paths.front(), OfferImport::AnyPicture);
}

void Form1::Command2_Click(int index) {
    // Both preview and save need at least one animated colour among those the image uses.
    const int n = AnimatedCount(session_.range, session_.document.lastIndex);
    if (n <= 0) {
        ws_.MessageBox(texts::kMessageCaption, texts::kNeedAnimationMessage, MessageIcon::None,
                       MessageButtons::Ok);
        return;
    }
    if (index == 0) {
        session_.previewSpan = static_cast<std::uint8_t>(n - 1);
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
    if (answer != MessageAnswer::Yes) {
        return;
    }
    // A screen made from a picture is made again, with the options it was made with.
    if (session_.importedWith) {
        MakeScreenFromPicture(session_.path, *session_.importedWith);
    } else {
        OpenFile(session_.path);
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
    OpenFile(path, OfferImport::No);
}

void Form1::OpenFile(std::string path, OfferImport offer) {
    const std::string previousPath = std::exchange(session_.path, path);
    const auto previousImport = std::exchange(session_.importedWith, std::nullopt);
    const auto read = ReadLogoFile(path, [this](int colours) {
        return ws_.MessageBox(texts::kMessageCaption, ColourCountQuestion(colours),
                              MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    });
    if (!read) {
        if (OffersImport(offer, path)) {
            // Until the picture is made into a screen, the open document stays as it was.
            session_.path = previousPath;
            session_.importedWith = previousImport;
            OpenImportDialog(path);
            return;
        }
        // The path is taken even when the file is refused: a reset then tries it again.
        // The open document, the view and every control stay as they were.
        ws_.MessageBox(texts::kMessageCaption, RejectionMessage(RejectionOf(read.error().kind)),
                       MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    ShowOpenedDocument(path, read.value().document);
}

bool Form1::OffersImport(OfferImport offer, const std::string& path) {
    return offer == OfferImport::AnyPicture && IsPictureFile(path);
}

void Form1::OpenImportDialog(const std::string& path) {
    ImportOptions options;
    if (session_.range >= 1) {
        options.range = session_.range;
    }
    importDialog_.Open(path, options);
}

void Form1::MakeScreenFromPicture(const std::string& path, const ImportOptions& options) {
    // Decoding a large picture takes seconds: it runs off the UI thread, and until it ends the
    // main window takes no input, so the session cannot change under it.
    ws_.SetFormEnabled(Form::Form1, false);
    ws_.SetBusy(true);
    Message(ImportProgressText(0));
    RunImportWork<ImportedScreen>(
        ws_,
        [path, options](const std::function<void(int)>& report) {
            return ImportPictureFile(path, options, report);
        },
        [this](int percent) { Message(ImportProgressText(percent)); },
        [this, path, options](Result<ImportedScreen, ImportError> imported) {
            FinishScreenFromPicture(path, options, std::move(imported));
        });
}

void Form1::FinishScreenFromPicture(const std::string& path, const ImportOptions& options,
                                    Result<ImportedScreen, ImportError> imported) {
    ws_.ClearStatusLine();
    ws_.SetBusy(false);
    ws_.SetFormEnabled(Form::Form1, true);
    if (!imported) {
        ws_.MessageBox(texts::kMessageCaption, ImportFailureText(path, imported.error()),
                       MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    UseScreenFromPicture(path, options, imported.value());
}

void Form1::UseScreenFromPicture(const std::string& path, const ImportOptions& options,
                                 const ImportedScreen& screen) {
    ShowOpenedDocument(path, screen.document);
    session_.importedWith = options;
    if (!screen.repairs.empty()) {
        ws_.MessageBox(texts::kMessageCaption, ImportRepairText(screen.repairs), MessageIcon::None,
                       MessageButtons::Ok);
    }
}

void Form1::ShowOpenedDocument(const std::string& path, const LogoDocument& document) {
    session_.path = path;
    session_.document = document;
    session_.history = {};

    ws_.SetCaption(Form::Form1, std::string(texts::kMainCaptionPrefix) + path);
    if (const auto range = RangeValueFromClrImportant(document.infoHeader.biClrImportant)) {
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
    ws_.SetLabel(Label::Form1_Label2, InfoLabelText(path, session_.document));
}

// ---- Range control ---------------------------------------------------------------------------

void Form1::SetRangeControlValue(RangeValue value) {
    if (ws_.ScrollValue() == value) {
        return;
    }
    ws_.SetScrollValue(value);
    HScroll1_Change();
}

void Form1::HScroll1_Change() {
    // The control is where the user sets the range; the session keeps what it was set to.
    session_.range = static_cast<RangeValue>(std::clamp(ws_.ScrollValue(), 0, 255));
    DrawBlock();
    ColorPaint();
    ws_.SetLabel(Label::Form1_Label1,
                 AnimationCountText(session_.range, session_.document.lastIndex));
}

void Form1::HScroll1_Scroll() {
    HScroll1_Change();
}

// ---- View ------------------------------------------------------------------------------------

void Form1::DrawPicture() {
    RenderView(session_.document.pixels, session_.document.palette, state_.plainDC);
    ColorPaint();
}

void Form1::ColorPaint() {
    const Palette highlight =
        HighlightPalette(session_.document.palette, session_.selected, session_.range);
    state_.invertedDC.Render(session_.document.pixels, highlight);
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
    if (saving_.SaveMenuItem(index, session_) == SaveOutcome::SavedDocument) {
        // The document holds what its file now stores, as the frame export reads it.
        session_.document.infoHeader.biClrImportant = ClrImportantForRange(session_.range);
    }
}

bool Form1::Saves(const std::string& fileName, std::int32_t span) {
    return saving_.ExportFrameSeries(session_, fileName, span);
}

// ---- Undo ------------------------------------------------------------------------------------

void Form1::Edit_Undo() {
    if (!session_.exchangeWaiting && session_.history.Undo(session_.document)) {
        ShowEditedDocument();
    }
}

void Form1::Edit_Redo() {
    if (!session_.exchangeWaiting && session_.history.Redo(session_.document)) {
        ShowEditedDocument();
    }
}

}  // namespace rotopal
