#pragma once

#include <QFileDialog>
#include <memory>
#include <vector>

#include "ui/window_system.h"

namespace rotopal::qt {

// Qt's own file dialog, the same on every desktop, showing our file-type descriptions exactly
// and matching each type's own patterns case-insensitively. (Qt would otherwise take the
// patterns from the parentheses of the description, which are not always the real ones.)
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, std::string_view title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initialFolder);

// The number, from 1, of the file type the dialog has selected.
int SelectedFilterNumber(const QFileDialog& dialog);

}  // namespace rotopal::qt
