#pragma once

#include <cstdint>
#include <string>

#include "animation/frame_export.h"
#include "animation/windows_dir.h"
#include "document/file_io.h"
#include "ui/edit_session.h"
#include "ui/window_system.h"

namespace rotopal {

// What a save command did.
enum class SaveOutcome {
    NotSaved,       // cancelled, declined or failed (after telling the user)
    SavedDocument,  // the document went to a file, with the session's range as biClrImportant
    SavedFrames,    // the numbered frame series was written
};

// The main window's saving and exporting: the three screens at their system places, a file of
// the user's choice, and the numbered frame series with its progress in the status window. It
// reads the session and changes nothing of it; the main window takes over what a save stored.
class SaveCommands {
public:
    explicit SaveCommands(WindowSystem& ws) : ws_(ws) {}

    // Where the three screens go from now on.
    void UseWindowsFolder(const WindowsFolder& folder);
    const std::string& windowsDir() const { return windowsDir_; }

    // The save menu's item: 0 start-up, 1 shut-down, 2 switch-off screen, 3 any place and format.
    SaveOutcome SaveMenuItem(int index, const EditSession& session);

    // The numbered series fileName001.bmp ... for a span of `span` (frames minus 1). False,
    // after telling the user, when a frame could not be written; the series stops there.
    bool ExportFrameSeries(const EditSession& session, const std::string& fileName,
                           std::int32_t span);

private:
    SaveOutcome SaveScreen(int target, const EditSession& session);
    SaveOutcome SaveChosenFile(const EditSession& session);
    // Writes the document with the session's range as its biClrImportant. False, after telling
    // the user, when the file could not be written; the old file then stays as it was.
    bool WriteDocument(const std::string& path, const EditSession& session);
    void ReportFailure(const WriteError& error);
    void ReportFailure(const ExportError& error);

    WindowSystem& ws_;
    std::string windowsDir_;  // ends in its separator
    // No Windows installation was found and windowsDir_ is the current folder: all three
    // screen files are saved there.
    bool windowsDirIsFallback_ = false;
};

}  // namespace rotopal
