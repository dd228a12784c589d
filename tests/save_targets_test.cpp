#include "animation/save_targets.h"

#include <gtest/gtest.h>

#include <set>

#include "animation/windows_dir.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct NameRow {
    const char* name;
    const char* chosen;
    const char* saved;
};

class BitmapExtensionTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(BitmapExtensionTest, AddsBmpUnlessABitmapExtensionIsThere) {
    EXPECT_EQ(WithBitmapExtension(GetParam().chosen), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    SaveTargets, BitmapExtensionTest,
    ::testing::Values(NameRow{"NoExtension", "title", "title.bmp"},
                      NameRow{"MixedCaseBmp", "title.Bmp", "title.Bmp"},
                      NameRow{"UpperDib", "title.DIB", "title.DIB"},
                      NameRow{"LowerDib", "/home/u/title.dib", "/home/u/title.dib"},
                      NameRow{"OtherExtension", "title.txt", "title.txt.bmp"},
                      NameRow{"BmpWithoutDot", "titlebmp", "titlebmp.bmp"},
                      NameRow{"ShorterThanAnExtension", "a", "a.bmp"},
                      NameRow{"JustTheExtension", ".bmp", ".bmp"},
                      NameRow{"JapaneseName", "起動画面", "起動画面.bmp"},
                      NameRow{"BmpInAFolderName", "/tmp/x.bmp/title", "/tmp/x.bmp/title.bmp"}),
    test::CaseName());

struct FrameRow {
    const char* name;
    const char* fileName;
    int frame;
    const char* expected;
};

class FrameNameTest : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FrameNameTest, HasThreeDigits) {
    EXPECT_EQ(FrameFileName(GetParam().fileName, GetParam().frame), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    SaveTargets, FrameNameTest,
    ::testing::Values(FrameRow{"First", "C:\\anim\\logo", 1, "C:\\anim\\logo001.bmp"},
                      FrameRow{"Nine", "logo", 9, "logo009.bmp"},
                      FrameRow{"Ten", "logo", 10, "logo010.bmp"},
                      FrameRow{"NinetyNine", "logo", 99, "logo099.bmp"},
                      FrameRow{"Hundred", "logo", 100, "logo100.bmp"},
                      FrameRow{"Last", "logo", 255, "logo255.bmp"},
                      FrameRow{"NameWithExtension", "frames.bmp", 2, "frames.bmp002.bmp"}),
    test::CaseName());

struct TargetRow {
    const char* name;
    const char* windowsDir;
    const char* startup;
    const char* shutdown;
    const char* switchOff;
};

class ScreenTargetTest : public ::testing::TestWithParam<TargetRow> {};

TEST_P(ScreenTargetTest, PlacesEachScreen) {
    const auto& row = GetParam();
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::Startup, row.windowsDir), row.startup);
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::Shutdown, row.windowsDir), row.shutdown);
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::SwitchOff, row.windowsDir), row.switchOff);
}

TEST(ScreenTargetPath, WithoutAWindowsInstallationAllThreeGoIntoTheFolder) {
    constexpr auto kAll = ScreenPlacement::AllInFolder;
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::Startup, "/home/u/work/", kAll),
              "/home/u/work/logo.sys");
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::Shutdown, "/home/u/work/", kAll),
              "/home/u/work/logow.sys");
    EXPECT_EQ(ScreenTargetPath(ScreenTarget::SwitchOff, "/home/u/work/", kAll),
              "/home/u/work/logos.sys");
}

INSTANTIATE_TEST_SUITE_P(
    SaveTargets, ScreenTargetTest,
    ::testing::Values(
        TargetRow{"WindowsOnC", "C:\\WINDOWS\\", "C:\\logo.sys", "C:\\WINDOWS\\logow.sys",
                  "C:\\WINDOWS\\logos.sys"},
        TargetRow{"WindowsOnD", "D:\\WIN98\\", "D:\\logo.sys", "D:\\WIN98\\logow.sys",
                  "D:\\WIN98\\logos.sys"},
        TargetRow{"DriveRootReported", "C:\\\\", "C:\\logo.sys", "C:\\\\logow.sys",
                  "C:\\\\logos.sys"},
        TargetRow{"WinePrefix", "/home/u/.wine/drive_c/windows/", "/home/u/.wine/drive_c/logo.sys",
                  "/home/u/.wine/drive_c/windows/logow.sys",
                  "/home/u/.wine/drive_c/windows/logos.sys"},
        TargetRow{"CurrentFolderFallback", "/home/u/logos/", "/home/u/logo.sys",
                  "/home/u/logos/logow.sys", "/home/u/logos/logos.sys"},
        TargetRow{"FilesystemRoot", "//", "/logo.sys", "//logow.sys", "//logos.sys"},
        TargetRow{"RelativeFolder", "win/", "./logo.sys", "win/logow.sys", "win/logos.sys"}),
    test::CaseName());

struct WindowsDirRow {
    const char* name;
    WindowsDirSources sources;
    std::set<std::string> folders;  // folders that exist
    const char* expected;
};

class WindowsDirTest : public ::testing::TestWithParam<WindowsDirRow> {};

TEST_P(WindowsDirTest, ComesFromTheFirstSourceThatApplies) {
    const auto& row = GetParam();
    const auto isFolder = [&](const std::string& path) { return row.folders.count(path) > 0; };
    const WindowsFolder folder = ResolveWindowsFolder(row.sources, isFolder);
    EXPECT_EQ(WithWindowsSeparator(folder.path), row.expected);
    EXPECT_EQ(folder.isCurrentFolderFallback,
              row.expected == WithWindowsSeparator(row.sources.currentDir));
}

INSTANTIATE_TEST_SUITE_P(
    SaveTargets, WindowsDirTest,
    ::testing::Values(
        WindowsDirRow{"WindirWins",
                      {"C:\\WINDOWS", "/p", "/home/u", "/cwd"},
                      {"/p/drive_c/windows"},
                      "C:\\WINDOWS\\"},
        WindowsDirRow{
            "WindirPosix", {"/srv/win", std::nullopt, "/home/u", "/cwd"}, {}, "/srv/win/"},
        WindowsDirRow{"WindirRootGetsSecondSeparator",
                      {"C:\\", std::nullopt, std::nullopt, "/"},
                      {},
                      "C:\\\\"},
        WindowsDirRow{"WinePrefixWhenItExists",
                      {std::nullopt, "/p", "/home/u", "/cwd"},
                      {"/p/drive_c/windows"},
                      "/p/drive_c/windows/"},
        WindowsDirRow{"DefaultPrefixUnderHome",
                      {std::nullopt, std::nullopt, "/home/u", "/cwd"},
                      {"/home/u/.wine/drive_c/windows"},
                      "/home/u/.wine/drive_c/windows/"},
        WindowsDirRow{"PrefixWithoutWindowsFallsBack",
                      {std::nullopt, "/p", "/home/u", "/cwd"},
                      {"/home/u/.wine/drive_c/windows"},
                      "/cwd/"},
        WindowsDirRow{
            "NothingSet", {std::nullopt, std::nullopt, std::nullopt, "/cwd"}, {}, "/cwd/"}),
    test::CaseName());

}  // namespace
}  // namespace rotopal
