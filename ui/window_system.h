#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "animation/windows_dir.h"
#include "import/import_options.h"
#include "palette/argb_image.h"

namespace rotopal {

// The windows of the program: the main window, the preview, the status window and the dialog
// that makes a screen from a picture.
enum class Form { Form1, Form2, Form3, Form4 };

// The controls of the main window that the form logic addresses by name.
enum class Control {
    Command1,    // open
    Command2_0,  // preview
    Command2_1,  // save
    Command3,    // exit
    Command4,    // reset
    HScroll1,    // animation range
    Picture1,    // information panel
    Picture2,    // palette window
    Picture3,    // view window
    Picture4,    // status line
};

enum class Label {
    Form1_Label1,  // animated-colour count
    Form1_Label2,  // image information
    Form1_Label4,  // palette entry values
    Form3_Label1,  // status window counter
    Form4_Label1,  // import dialog: what the preview is doing
};

// The import dialog's Timer1 turns its preview's band; Timer2 waits for the options to settle.
enum class Timer { Form1_Timer1, Form2_Timer1, Form4_Timer1, Form4_Timer2 };

// Picture surfaces an image can be presented in.
enum class Surface {
    Picture2,  // palette window, 240 x 240, keeps what it shows
    Picture3,  // view window, 320 x 400
    Form2,     // preview window's client area, 640 x 400
    Form4,     // import dialog's preview: a 320 x 400 screen shown at 640 x 480, as on a 4:3 display
};

enum class PopupMenu { Menu, Menu_Save };

enum class MessageIcon { None, Question, Exclamation };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// What a file dialog gave back: the chosen path ("" when cancelled) and the number, from 1, of
// the file type selected when the user confirmed.
struct FileDialogAnswer {
    std::string path;
    int filterIndex = 0;
};

// Work too long for a handler (making a screen from a picture), handed out to run off the UI
// thread. `work` runs on a thread of its own and must touch nothing the handlers use; it may
// report how far it has got, 0 to 100, as often as it likes. On the UI thread, each as a
// handler of its own, `progress` then shows the latest report (reports that pile up meanwhile
// are dropped), and `done` runs once the work has ended, after every report. When no thread
// can be made for it, the work never runs and `done` is told so, as a handler of its own.
enum class WorkEnd { Finished, NotStarted };
struct BackgroundWork {
    std::function<void(const std::function<void(int percent)>& report)> work;
    std::function<void(int percent)> progress;
    std::function<void(WorkEnd end)> done;
};

// Everything the form logic needs of the window system, named as the handlers speak of it.
// The Qt adapter implements it with real windows; tests use a scripted fake.
//
// The events it raises follow these rules, which the form logic relies on and which a contract
// test checks against every implementation:
// - The handlers run one at a time. No operation below runs a handler inside the caller's,
//   except DoEvents: the modal ones (message boxes, the dialogs, pop-up menus) hold the timers'
//   ticks and any dropped files or ended background work until they return.
// - A disabled control, or any control of a disabled window, raises no pointer, key or focus
//   event. A disabled window takes no close request and no dropped files.
// - Files dropped on the main window reach Form_DragDrop after the drop has ended, so the
//   program that dragged them is not held while the file opens.
// - While the main window is active and enabled, Ctrl+Z raises Edit_Undo, and Ctrl+Shift+Z and
//   Ctrl+Y raise Edit_Redo, whichever of its controls has the focus.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Message boxes, modal; the caption is given by the caller.
    virtual MessageAnswer MessageBox(std::string_view caption, std::string_view text,
                                     MessageIcon icon, MessageButtons buttons) = 0;

    // Common dialogs, modal to the main window. Cancelling gives "" (or nothing for a colour).
    // The open dialog returns an existing file: it refuses a missing name and stays open.
    // The save dialog returns exactly the name typed, in the folder shown, whatever file type
    // is chosen before or after typing: any extension is the caller's business. It refuses a
    // name in a folder that does not exist and stays open, and asks itself before an existing
    // file is chosen.
    virtual FileDialogAnswer OpenFileDialog(std::string_view title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initialFolder) = 0;
    virtual FileDialogAnswer SaveFileDialog(std::string_view title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initialFolder,
                                            const std::string& initialName) = 0;
    // Colours are 0x00BBGGRR values; the custom slots are the dialog's 16 custom colours.
    virtual std::optional<std::int32_t> ColorDialog(
        std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) = 0;

    // Controls and windows. Enabling or disabling changes no image a surface shows: the view
    // stays on whichever image it showed last.
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual void SetFormEnabled(Form form, bool enabled) = 0;
    virtual void SetCaption(Form form, std::string_view caption) = 0;
    virtual void SetLabel(Label label, std::string_view text) = 0;
    // HScroll1, also while its thumb is dragged. Its keys move it the way they point: Right and
    // Down add 1, Left and Up take 1 away; Page Down adds and Page Up takes away a page of 1;
    // Home and End go to 0 and 255. It takes the focus from the keyboard and when clicked, which
    // raises HScroll1_GotFocus.
    virtual int ScrollValue() = 0;
    // Sets HScroll1 without raising its change event; the caller runs the change handling.
    virtual void SetScrollValue(int value) = 0;
    virtual void SetTimerInterval(Timer timer, int milliseconds) = 0;
    virtual void SetTimerEnabled(Timer timer, bool enabled) = 0;

    // Drawing: shows an image in a surface at its origin (a block copy).
    virtual void ShowImage(Surface surface, const ArgbImage& image) = 0;
    // The status line: clear to its background, then print one line from the top-left corner.
    virtual void ClearStatusLine() = 0;
    virtual void PrintStatusLine(std::string_view text) = 0;

    // The import dialog's controls show these options (fit, range, band rows, band colours,
    // background, dither); setting them raises none of the controls' change events.
    virtual void ShowImportOptions(const ImportOptions& options) = 0;

    // Pops up a menu at the pointer and returns the index of the chosen item, if any.
    virtual std::optional<int> ShowPopupMenu(PopupMenu menu) = 0;

    // Windows: show modeless, unload (hide and forget), position in screen pixels. A window
    // shown inside a handler may appear on the screen only after the handler returns.
    virtual void ShowForm(Form form) = 0;
    virtual void UnloadForm(Form form) = 0;
    virtual int FormTop(Form form) = 0;
    virtual int FormHeight(Form form) = 0;
    virtual void SetFormTop(Form form, int top) = 0;
    // Paints a shown window now, with its current caption and labels, also one shown earlier
    // in the same handler (whose first paint brings windows uncovered meanwhile up to date too).
    // It runs no handler: no input, no timer tick and no dropped file is handled inside it.
    virtual void RepaintForm(Form form) = 0;
    // One pass of the event loop: lets pending window events run, then returns.
    virtual void DoEvents() = 0;

    // The system's folders: the Windows directory as the system reports it (no separator
    // appended, and whether it is only the current-folder fallback), and the folder the file
    // dialogs start in.
    virtual WindowsFolder WindowsDirectory() = 0;
    virtual std::string ProgramFolder() = 0;

    // Runs the work off the UI thread; see BackgroundWork. Its handlers, like every other, run
    // one at a time, never inside another handler or a repaint.
    virtual void RunInBackground(BackgroundWork job) = 0;
    // Shows that the program is busy (a wait cursor over its windows), or no longer.
    virtual void SetBusy(bool busy) = 0;

    // Ends the process's event loop once the current handler returns.
    virtual void EndProgram() = 0;
};

}  // namespace rotopal
