// rotopal: the desktop program.

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document/file_io.h"
#include "ui/command_line.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/qt/qt_window_system.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments as given: Qt never sees them, so none of them is taken for one of its own
    // options (-reverse, -style, -platform ...).
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const rotopal::ProgramArguments asked = rotopal::ReadProgramArguments(arguments);
    switch (asked.request) {
        case rotopal::ProgramRequest::Version:
            std::fputs(rotopal::VersionText().c_str(), stdout);
            return 0;
        case rotopal::ProgramRequest::Help:
            std::fputs(rotopal::HelpText().c_str(), stdout);
            return 0;
        case rotopal::ProgramRequest::Mistake:
            std::fputs(
                "rotopal: --import needs the picture to make a screen from; see rotopal --help.\n",
                stderr);
            return 2;
        case rotopal::ProgramRequest::Window:
        case rotopal::ProgramRequest::Import: break;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "rotopal: no display to open a window on; run it under xvfb-run, or use "
                     "rotopal-cli for the command line.\n");
        return 1;
    }
    rotopal::ReportFileSizeLimitAsError();
    // Set but empty chooses no platform; Qt would look for one named "".
    if (const char* platform = std::getenv("QT_QPA_PLATFORM");
        platform != nullptr && *platform == '\0') {
        ::unsetenv("QT_QPA_PLATFORM");
    }
    int qtArgc = 1;
    std::array<char*, 2> qtArgv{argv[0], nullptr};
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    // Qt's own buttons and dialogs speak Japanese like the rest of the program.
    QTranslator translator;
    if (translator.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    QFont font("IPAPGothic");
    font.setPixelSize(12);
    QApplication::setFont(font);

    rotopal::qt::QtWindowSystem windows;
    // The session holds a 129 KB document: the main window lives on the heap.
    const auto form1 = std::make_unique<rotopal::Form1>(windows);
    rotopal::Form2 form2(windows, form1->session());
    windows.Attach(*form1, form2);
    if (asked.request == rotopal::ProgramRequest::Import) {
        form1->Form_Load("");
        form1->ImportPicture(asked.text);
    } else {
        form1->Form_Load(asked.text);
    }
    windows.ShowMainWindow();
    return QApplication::exec();
}
