#include "ui/qt/file_dialogs.h"

#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "ui/file_filters.h"

namespace rotopal::qt {
namespace {

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

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, std::string_view title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initialFolder) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
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
    return dialog;
}

int SelectedFilterNumber(const QFileDialog& dialog) {
    return static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
}

}  // namespace rotopal::qt
