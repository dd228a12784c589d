#include "ui/save_commands.h"

#include <memory>

#include "animation/save_targets.h"
#include "document/logo_writer.h"
#include "ui/dialogs.h"
#include "ui/file_filters.h"
#include "ui/label_texts.h"
#include "ui/texts.h"

namespace rotopal {

void SaveCommands::UseWindowsFolder(const WindowsFolder& folder) {
    windowsDir_ = WithWindowsSeparator(folder.path);
    windowsDirIsFallback_ = folder.isCurrentFolderFallback;
}

SaveOutcome SaveCommands::SaveMenuItem(int index, const EditSession& session) {
    if (index >= 0 && index <= 2) {
        return SaveScreen(index, session);
    }
    if (index == 3) {
        return SaveChosenFile(session);
    }
    return SaveOutcome::NotSaved;
}

SaveOutcome SaveCommands::SaveScreen(int target, const EditSession& session) {
    const auto placement =
        windowsDirIsFallback_ ? ScreenPlacement::AllInFolder : ScreenPlacement::SystemLayout;
    const std::string path =
        ScreenTargetPath(static_cast<ScreenTarget>(target), windowsDir_, placement);
    // Without a Windows installation the files land in the current folder; the user is told
    // where.
    const std::string where = windowsDirIsFallback_ ? "\r\n" + path : std::string();
    if (PathExists(path)) {
        const auto answer =
            ws_.MessageBox(texts::kMessageCaption, std::string(texts::kOverwriteQuestion) + where,
                           MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes) {
            return SaveOutcome::NotSaved;
        }
        // The old file is not deleted first: the write replaces it only once the new content
        // is complete, so a failed save leaves it as it was.
    }
    if (!WriteDocument(path, session)) {
        return SaveOutcome::NotSaved;
    }
    ws_.MessageBox(texts::kMessageCaption, std::string(texts::kSavedMessage) + where,
                   MessageIcon::None, MessageButtons::Ok);
    return SaveOutcome::SavedDocument;
}

SaveOutcome SaveCommands::SaveChosenFile(const EditSession& session) {
    const FileDialogAnswer chosen =
        ShowSaveDialog(ws_, FilterText(SaveDialogFilters()), ws_.ProgramFolder());
    if (chosen.path.empty()) {
        return SaveOutcome::NotSaved;
    }
    SaveOutcome outcome = SaveOutcome::NotSaved;
    switch (chosen.filterIndex) {
        case 1:
            if (WriteDocument(chosen.path, session)) {
                outcome = SaveOutcome::SavedDocument;
            }
            break;
        case 2:
            if (WriteDocument(WithBitmapExtension(chosen.path), session)) {
                outcome = SaveOutcome::SavedDocument;
            }
            break;
        case 3: {
            const int n = AnimatedCount(session.range, session.document.lastIndex);
            if (ExportFrameSeries(session, chosen.path, n - 1)) {
                outcome = SaveOutcome::SavedFrames;
            }
            break;
        }
        default: break;
    }
    if (outcome != SaveOutcome::NotSaved) {
        ws_.MessageBox(texts::kMessageCaption, texts::kSavedMessage, MessageIcon::None,
                       MessageButtons::Ok);
    }
    return outcome;
}

bool SaveCommands::WriteDocument(const std::string& path, const EditSession& session) {
    // The file records where the animated range begins. The copy is written so that the
    // session changes only once the save has succeeded.
    auto stored = std::make_unique<LogoDocument>(session.document);
    stored->infoHeader.biClrImportant = ClrImportantForRange(session.range);
    const auto written = WriteLogoFile(path, *stored);
    if (!written) {
        ReportFailure(written.error());
        return false;
    }
    return true;
}

bool SaveCommands::ExportFrameSeries(const EditSession& session, const std::string& fileName,
                                     std::int32_t span) {
    ws_.SetCaption(Form::Form3, texts::kExportingCaption);
    ws_.ShowForm(Form::Form3);
    const auto exported =
        ExportFrames(session.document, fileName, span, [this](int frame, int frameCount) {
            ws_.SetLabel(Label::Form3_Label1, FrameCounterText(frame, frameCount));
            ws_.RepaintForm(Form::Form3);
        });
    ws_.UnloadForm(Form::Form3);
    if (!exported) {
        ReportFailure(exported.error());
        return false;
    }
    return true;
}

void SaveCommands::ReportFailure(const WriteError& error) {
    ws_.MessageBox(texts::kMessageCaption, SaveFailureText(error), MessageIcon::Exclamation,
                   MessageButtons::Ok);
}

void SaveCommands::ReportFailure(const ExportError& error) {
    ws_.MessageBox(texts::kMessageCaption, SaveFailureText(error), MessageIcon::Exclamation,
                   MessageButtons::Ok);
}

}  // namespace rotopal
