// rotopal-icons FOLDER: writes the window icon's 16, 32 and 48 pixel images as
// FOLDER/NxN/apps/rotopal.png, the layout of the freedesktop icon theme, for installation.

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/app_icon.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: rotopal-icons FOLDER\n");
        return 2;
    }
    const QIcon icon = rotopal::qt::AppIcon();
    for (const int size : {16, 32, 48}) {
        const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (!QDir().mkpath(folder) ||
            !icon.pixmap(size, size).save(folder + "/rotopal.png", "PNG")) {
            std::fprintf(stderr, "rotopal-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
