#include "ui/qt/file_dialogs.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTreeView>

#include "ui/file_filters.h"
#include "ui/qt/qt_text.h"
#include "ui/texts.h"

namespace rotopal::qt {
namespace {

// Large enough that names, types, dates and the side bar's places read in full.
constexpr QSize kDialogSize{900, 560};
constexpr int kSidebarWidth = 190;

// Shows folders and the files that match the selected type's patterns.
class PatternProxy : public QSortFilterProxyModel {
public:
    explicit PatternProxy(QObject* parent) : QSortFilterProxyModel(parent) {}

    void SetPatterns(std::vector<std::string> patterns) {
        patterns_ = std::move(patterns);
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        if (files == nullptr || files->isDir(index)) {
            return true;
        }
        const std::string name = files->fileName(index).toStdString();
        for (const auto& pattern : patterns_) {
            if (MatchesPattern(name, pattern)) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::string> patterns_;
};

// Qt's file dialog, refusing in save mode a name whose folder does not exist, as it refuses a
// missing file in open mode.
class FileDialog : public QFileDialog {
public:
    explicit FileDialog(QWidget* parent) : QFileDialog(parent) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (acceptMode() == AcceptSave && !chosen.isEmpty()) {
            const QFileInfo file(chosen.front());
            // A folder's own name is Qt's to handle: it opens the folder.
            if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
                QString text = file.absolutePath() + "\r\n" + Q(texts::kMissingFolderMessage);
                QMessageBox::warning(this, windowTitle(), text.replace("\r\n", "\n"));
                return;
            }
        }
        QFileDialog::accept();
    }
};

// Qt's save mode puts the new type's first suffix in place of the typed one whenever the type
// changes (and reads "*.bmp;*.dib" as one suffix, "dib"). The name is the user's: the caller
// decides about extensions, so the typed text is put back.
void KeepTypedNameAcrossTypes(QFileDialog& dialog) {
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (types == nullptr || name == nullptr) {
        return;
    }
    auto typed = std::make_shared<QString>();
    // The index changes before Qt's rewrite, which runs on the activation that follows.
    QObject::connect(types, &QComboBox::currentIndexChanged, name,
                     [name, typed] { *typed = name->text(); });
    QObject::connect(types, &QComboBox::activated, name, [name, typed] {
        if (name->text() != *typed) {
            name->setText(*typed);
        }
    });
}

void MakeLegible(QFileDialog& dialog) {
    dialog.resize(kDialogSize);
    if (auto* splitter = dialog.findChild<QSplitter*>("splitter")) {
        splitter->setSizes({kSidebarWidth, kDialogSize.width() - kSidebarWidth});
    }
    if (auto* details = dialog.findChild<QTreeView*>("treeView")) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column) {
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, std::string_view title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initialFolder) {
    std::unique_ptr<QFileDialog> dialog = std::make_unique<FileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(Q(title));
    dialog->setDirectory(QString::fromStdString(initialFolder));

    QStringList names;
    for (const auto& filter : filters) {
        names << QString::fromStdString(filter.description);
    }
    auto* proxy = new PatternProxy(dialog.get());
    dialog->setProxyModel(proxy);
    dialog->setNameFilters(names);

    QFileDialog* raw = dialog.get();
    const auto apply = [raw, proxy, filters](const QString& selected) {
        // The dialog filters by its own reading of the description first; that is switched
        // off, and our patterns decide alone.
        if (auto* files = raw->findChild<QFileSystemModel*>()) {
            files->setNameFilters({});
        }
        const auto at = raw->nameFilters().indexOf(selected);
        proxy->SetPatterns(at >= 0 ? filters[static_cast<std::size_t>(at)].patterns
                                   : std::vector<std::string>{});
    };
    QObject::connect(raw, &QFileDialog::filterSelected, raw, apply);
    if (!names.isEmpty()) {
        raw->selectNameFilter(names.front());
        apply(names.front());
    }
    KeepTypedNameAcrossTypes(*dialog);
    MakeLegible(*dialog);
    return dialog;
}

int SelectedFilterNumber(const QFileDialog& dialog) {
    return static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
}

}  // namespace rotopal::qt
