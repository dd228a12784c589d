// The main of the Qt test programs: one QApplication for all cases.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    // The off-screen platform unless the caller chose another; a set but empty value chooses
    // nothing (Qt would look for a platform named "").
    if (const char* platform = std::getenv("QT_QPA_PLATFORM");
        platform == nullptr || *platform == '\0') {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
