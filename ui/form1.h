#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/logo_document.h"
#include "palette/animation_range.h"
#include "palette/argb_image.h"
#include "palette/recolourable_view.h"
#include "ui/window_system.h"

namespace rotopal {

// Mouse buttons as the pointer handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The main window's own fields.
struct MainWindowState {
    ArgbImage plainDC;            // the image with the true palette
    RecolourableView invertedDC;  // the image with animated and selected entries inverted
    ArgbImage paletteImage;       // the palette window's grid, kept between pointer events
    std::int16_t selectedIndex = -1;
    std::int16_t hoverIndex = -1;
    bool swapMode = false;
    bool blinkPhase = false;  // true: the next blink tick shows the plain image
    std::string currentPath;
    std::string windowsDir;  // ends in its separator
    // No Windows installation was found and windowsDir is the current folder: all three screen
    // files are saved there.
    bool windowsDirIsFallback = false;
};

// The main window's logic: its event handlers and methods. It reads and writes the one open
// document and reaches the screen only through the WindowSystem port.
class Form1 {
public:
    Form1(WindowSystem& ws, LogoDocument& document) : ws_(ws), document_(document) {}

    // Start-up and shutdown. `commandLine` is the text after the program's name.
    void Form_Load(std::string_view commandLine);
    void Form_Unload();

    // Buttons.
    void Command1_Click();           // open
    void Command2_Click(int index);  // 0 preview, 1 save (pops up the save menu)
    // Save menu: 0 start-up, 1 shut-down, 2 switch-off screen, 3 any place and format.
    void Menu_Save_Option_Click(int index);
    void Command3_Click();  // exit
    void Command4_Click();  // reset to the file as opened
    // Files dropped on the window: one file opens as through the open button; several, or
    // anything that is not a file, are ignored, as is a drop while an exchange waits.
    void Form_DragDrop(const std::vector<std::string>& paths);

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
    void OpenFile(const std::string& path);
    void GetInfo(const std::string& path);
    void DrawPicture();
    void ColorPaint();
    void Up_Dis();
    void DrawBlock();
    void Message(std::string_view text);
    // The numbered frame series fileName001.bmp ... for a span of `number` (frames minus 1),
    // with its progress in the status window. False, after telling the user, when a frame could
    // not be written; the series stops there.
    bool Saves(const std::string& fileName, std::int32_t number);

    const MainWindowState& state() const { return state_; }

private:
    // The range value N, read from the control each time: there is no cached copy.
    RangeValue RangeControlValue();
    // Sets the control and runs its change handling when the value changes.
    void SetRangeControlValue(RangeValue value);
    // The release that ends an exchange: the left button exchanges with the cell, any other
    // cancels.
    void EndColourSwap(int button, std::uint8_t target);
    // Saves the document with the range of the control as its biClrImportant. False, after
    // telling the user, when the file could not be written; the old file then stays as it was.
    bool SaveDocument(const std::string& path);
    void ReportSaveFailure(const std::string& path, int systemError);
    // The controls an exchange disables, in the order it disables them.
    void SetSwapControlsEnabled(bool enabled);

    WindowSystem& ws_;
    LogoDocument& document_;
    MainWindowState state_;
};

}  // namespace rotopal
