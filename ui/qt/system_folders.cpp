#include "ui/qt/system_folders.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace rotopal::qt {
namespace {

std::optional<std::string> Environment(const char* name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        return std::nullopt;  // an empty variable says nothing
    }
    return value.toStdString();
}

}  // namespace

WindowsFolder CurrentWindowsFolder() {
    const WindowsDirSources sources{Environment("WINDIR"), Environment("WINEPREFIX"),
                                    Environment("HOME"), QDir::currentPath().toStdString()};
    return ResolveWindowsFolder(sources, [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).isDir();
    });
}

}  // namespace rotopal::qt
