#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/logo_document.h"
#include "import/picture_import.h"
#include "palette/animation_range.h"
#include "palette/argb_image.h"
#include "palette/recolourable_view.h"
#include "ui/edit_session.h"
#include "ui/import_dialog.h"
#include "ui/save_commands.h"
#include "ui/window_system.h"

namespace rotopal {

// Mouse buttons as the pointer handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The main window's own fields: the images it shows and what the blink shows next.
struct MainWindowState {
    ArgbImage plainDC;            // the image with the true palette
    RecolourableView invertedDC;  // the image with animated and selected entries inverted
    ArgbImage paletteImage;       // the palette window's grid, kept between pointer events
    bool blinkPhase = false;      // true: the next blink tick shows the plain image
    // The entry whose values the entry label shows, so that an undo can bring them up to date.
    std::optional<std::uint8_t> describedEntry;
};

// The main window's logic: its event handlers and methods. It owns the edit session, the one
// place the open document is changed, and reaches the screen only through the WindowSystem
// port.
class Form1 {
public:
    explicit Form1(WindowSystem& ws)
        : ws_(ws),
          saving_(ws),
          importDialog_(ws, [this](const std::string& path, const ImportOptions& options,
                                   const ImportedScreen& screen) {
              UseScreenFromPicture(path, options, screen);
          }) {}

    // Start-up and shutdown. `commandLine` is the text after the program's name.
    void Form_Load(std::string_view commandLine);
    void Form_Unload();
    // Opens the import dialog on a picture: rotopal --import PICTURE, after Form_Load.
    void ImportPicture(const std::string& path);

    // Buttons.
    void Command1_Click();           // open
    void Command2_Click(int index);  // 0 preview, 1 save (pops up the save menu)
    // Save menu: 0 start-up, 1 shut-down, 2 switch-off screen, 3 any place and format.
    void Menu_Save_Option_Click(int index);
    void Command3_Click();  // exit
    void Command4_Click();  // reset to the file as opened
    // Files dropped on the window: one file opens as through the open button, and a picture the
    // reader refuses goes to the import dialog; several, or anything that is not a file, are
    // ignored, as is a drop while an exchange waits.
    void Form_DragDrop(const std::vector<std::string>& paths);

    // Undo (Ctrl+Z) and redo (Ctrl+Shift+Z, Ctrl+Y) of the document's colour edits and
    // exchanges. Nothing happens while an exchange waits for its second entry.
    void Edit_Undo();
    void Edit_Redo();

    // Pointer-movement hints.
    void Command1_MouseMove();
    void Command2_MouseMove(int index);
    void Command3_MouseMove();
    void Command4_MouseMove();
    void Picture3_MouseMove();

    // Palette window: selection, pointer outline, entry values, the edit menu and exchanges.
    // Coordinates are pixels of its 240 x 240 drawing area, as the pointer events report them.
    void Picture2_MouseDown(int button, int shift, float x, float y);
    void Picture2_MouseMove(int button, int shift, float x, float y);
    void Picture2_MouseUp(int button, int shift, float x, float y);
    void ColorChoice_Click();  // edit menu: choose the selected entry's colour
    void ColorSwap_Click();    // edit menu: exchange the selected entry with the next one clicked

    // Animation range control.
    void HScroll1_Change();
    void HScroll1_Scroll();
    void HScroll1_GotFocus();

    // View window.
    void Picture3_Paint();
    void Timer1_Timer();

    // Methods the handlers share.
    // Reads the file and, when it is accepted, makes it the open document.
    void OpenFile(const std::string& path);
    // Makes a start-up screen from a picture, off the UI thread, and when that works makes it
    // the open document; else tells the user why and changes nothing. The main window takes
    // no input meanwhile and shows how far the import has got in the status line.
    void MakeScreenFromPicture(const std::string& path, const ImportOptions& options);
    // Makes a document read or made elsewhere the open one, exactly as opening it from path
    // would: a new history, the caption, the range it asks for, the view, grid and labels.
    void ShowOpenedDocument(const std::string& path, const LogoDocument& document);
    // Sets the information label for the open document, read from path.
    void GetInfo(const std::string& path);
    // Renders the plain image and then the highlighted one; shows neither.
    void DrawPicture();
    // Renders the highlighted image (range and selection inverted); shows nothing.
    void ColorPaint();
    // Shows the plain image in the view.
    void Up_Dis();
    // Renders the palette grid and shows it in the palette window.
    void DrawBlock();
    void Message(std::string_view text);
    // The numbered frame series fileName001.bmp ... for a span of `span` (frames minus 1), with
    // its progress in the status window. False, after telling the user, when a frame could not
    // be written; the series stops there.
    bool Saves(const std::string& fileName, std::int32_t span);

    const EditSession& session() const { return session_; }
    const MainWindowState& state() const { return state_; }
    const SaveCommands& saving() const { return saving_; }
    ImportDialog& importDialog() { return importDialog_; }

private:
    // Whether a file that is not a screen should be offered for conversion from a picture.
    // Whether a file that is not a screen should be offered for conversion from a picture: no;
    // pictures other than bitmaps (opened, or named on the command line, where a bitmap the
    // reader refuses is told why); any picture (dropped).
    // Whether a file the reader refuses goes to the import dialog when it is a picture: only
    // for a drop, which has no behaviour of its own to keep.
    enum class OfferImport { No, AnyPicture };
    void OpenFile(std::string path, OfferImport offer);  // a copy: path may be the session's own
    static bool OffersImport(OfferImport offer, const std::string& path);
    // Opens the import dialog on the picture, starting from the range set in the window.
    void OpenImportDialog(const std::string& path);
    // Makes a screen made from a picture the open document.
    void UseScreenFromPicture(const std::string& path, const ImportOptions& options,
                              const ImportedScreen& screen);
    // Applies the import's outcome, on the UI thread once it has ended.
    void FinishScreenFromPicture(const std::string& path, const ImportOptions& options,
                                 Result<ImportedScreen, ImportError> imported);
    // Sets the range control and the session's range, and runs the change handling when the
    // value changes.
    void SetRangeControlValue(RangeValue value);
    // The release that ends an exchange: the left button exchanges with the cell, any other
    // cancels.
    void EndColourSwap(int button, std::uint8_t target);
    // Redraws what an edit or its undoing changes: the grid, both view images and the entry
    // label.
    void ShowEditedDocument();
    void DescribeEntry(std::uint8_t index);
    // The controls an exchange disables, in the order it disables them.
    void SetSwapControlsEnabled(bool enabled);

    WindowSystem& ws_;
    SaveCommands saving_;
    ImportDialog importDialog_;
    EditSession session_;
    MainWindowState state_;
};

}  // namespace rotopal
