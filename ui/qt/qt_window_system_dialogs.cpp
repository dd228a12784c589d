// The modal windows: message boxes, the file dialogs and the colour dialog, each over the main
// window.

#include <QColorDialog>
#include <QMessageBox>

#include "ui/qt/file_dialogs.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_window_system.h"

namespace rotopal::qt {

MessageAnswer QtWindowSystem::MessageBox(std::string_view caption, std::string_view text,
                                         MessageIcon icon, MessageButtons buttons) {
    const auto qtIcon = icon == MessageIcon::Question      ? QMessageBox::Question
                        : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon;
    const auto qtButtons =
        buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(qtIcon, Q(caption), QLines(text), qtButtons, main_.get());
    const ModalLoop modal(*this);
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

FileDialogAnswer QtWindowSystem::OpenFileDialog(std::string_view title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& initialFolder) {
    auto dialog = MakeFileDialog(main_.get(), title, filters, initialFolder);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    const ModalLoop modal(*this);
    if (runFileDialog) {
        const std::string path = runFileDialog(*dialog);
        return {path, path.empty() ? 0 : SelectedFilterNumber(*dialog)};
    }
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return {dialog->selectedFiles().front().toStdString(), SelectedFilterNumber(*dialog)};
}

FileDialogAnswer QtWindowSystem::SaveFileDialog(std::string_view title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& initialFolder,
                                                const std::string& initialName) {
    auto dialog = MakeFileDialog(main_.get(), title, filters, initialFolder);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(QString::fromStdString(initialName));
    const ModalLoop modal(*this);
    if (runFileDialog) {
        const std::string path = runFileDialog(*dialog);
        return {path, path.empty() ? 0 : SelectedFilterNumber(*dialog)};
    }
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return {dialog->selectedFiles().front().toStdString(), SelectedFilterNumber(*dialog)};
}

std::optional<std::int32_t> QtWindowSystem::ColorDialog(
    std::int32_t initialColour, const std::array<std::int32_t, 16>& customColours) {
    const auto toQColor = [](std::int32_t bgr) {
        return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    };
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
        QColorDialog::setCustomColor(i, toQColor(customColours[static_cast<std::size_t>(i)]));
    }
    const ModalLoop modal(*this);
    if (runColorDialog) {
        return runColorDialog(initialColour);
    }
    QColorDialog dialog(toQColor(initialColour), main_.get());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QColor c = dialog.selectedColor();
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

}  // namespace rotopal::qt
