// Saving from the main window with real files: the three screen targets and their question,
// the save dialog's three kinds, the written header value, and failures that must leave old
// files alone and say so.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "tests/form1_fixture.h"
#include "ui/file_filters.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::PrintTo;

std::uint32_t StoredClrImportant(const std::string& path) {
    const auto bytes = test::ReadBytes(path);
    EXPECT_GE(bytes.size(), 54u);
    if (bytes.size() < 54) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | bytes[static_cast<std::size_t>(50 + i)];
    }
    return value;
}

class SaveTest : public test::Form1Fixture {
protected:
    void SetUp() override {
        windows = dir / "WINDOWS";
        ASSERT_EQ(::mkdir(windows.c_str(), 0755), 0);
        ws.windowsDirectory = windows;
        form.Form_Load(WriteScreen("source.sys", 256, 240));
        ws.messageBoxes.clear();
    }

    // The open document as it must have been written.
    void ExpectWritten(const std::string& path, std::uint32_t clrImportant) {
        ASSERT_EQ(test::ReadBytes(path).size(),
                  14u + 40u + 4u * StoredColourCount(document) + 128000u)
            << path;
        EXPECT_EQ(StoredClrImportant(path), clrImportant);
        const LogoDocument written = Expected(path);
        EXPECT_EQ(written.palette, document.palette);
        EXPECT_EQ(written.pixels, document.pixels);
    }
    void ExpectOnlySuccessMessage() {
        ASSERT_EQ(ws.messageBoxes.size(), 1u);
        EXPECT_EQ(ws.messageBoxes[0].text, "保存が無事に終了しました。");
        EXPECT_EQ(ws.messageBoxes[0].caption, "Rotopal");
        EXPECT_EQ(ws.messageBoxes[0].icon, MessageIcon::None);
        EXPECT_EQ(ws.messageBoxes[0].buttons, MessageButtons::Ok);
    }
    void ExpectFailureFor(const std::string& path) {
        ASSERT_EQ(ws.messageBoxes.size(), 1u) << "an error, and no success message";
        const auto& box = ws.messageBoxes.back();
        EXPECT_EQ(box.caption, "Rotopal");
        EXPECT_EQ(box.icon, MessageIcon::Exclamation);
        EXPECT_EQ(box.text.rfind("保存できませんでした。\r\n" + path + "\r\n", 0), 0u) << box.text;
        EXPECT_GT(box.text.size(), path.size() + 40) << "the system's reason follows";
    }

    std::string windows;
};

struct ScreenCase {
    const char* name;
    int item;
    const char* where;  // relative to the scratch folder
};

class ScreenItemTest : public SaveTest, public ::testing::WithParamInterface<ScreenCase> {
protected:
    std::string Target() const { return dir / GetParam().where; }
};

TEST_P(ScreenItemTest, WritesANewFileWithoutAsking) {
    form.Menu_Save_Option_Click(GetParam().item);
    ExpectWritten(Target(), 240);
    ExpectOnlySuccessMessage();
}

TEST_P(ScreenItemTest, AsksBeforeReplacingAndNoKeepsTheFile) {
    const test::Bytes old = {1, 2, 3};
    test::WriteBytes(Target(), old);
    ws.messageAnswers = {MessageAnswer::No};
    form.Menu_Save_Option_Click(GetParam().item);
    ASSERT_EQ(ws.messageBoxes.size(), 1u) << "no message after No";
    const auto& box = ws.messageBoxes[0];
    EXPECT_EQ(
        box.text,
        "ファイルが既に存在しています。\r\n上書きしますか？\r\n※上書きされると元に戻せません");
    EXPECT_EQ(box.icon, MessageIcon::Question);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(test::SameBytes(old, test::ReadBytes(Target())));

    ws.messageAnswers = {MessageAnswer::Yes};
    ws.messageBoxes.clear();
    form.Menu_Save_Option_Click(GetParam().item);
    ExpectWritten(Target(), 240);
    ASSERT_EQ(ws.messageBoxes.size(), 2u);
    EXPECT_EQ(ws.messageBoxes[1].text, "保存が無事に終了しました。");
}

TEST_P(ScreenItemTest, FullDiskKeepsTheOldFileAndSaysWhy) {
    const test::Bytes old(1000, 0x42);
    test::WriteBytes(Target(), old);
    // A file-size limit makes the write fail as a full disk does, without filling one; the
    // window logic runs in a child that has the limit.
    const int status = test::RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        ws.messageAnswers = {MessageAnswer::Yes};
        form.Menu_Save_Option_Click(GetParam().item);
        ws.messageBoxes.erase(ws.messageBoxes.begin());  // the question
        ExpectFailureFor(Target());
        return ::testing::Test::HasFailure() ? 11 : 0;
    });
    EXPECT_EQ(status, 0) << "the child saw the wrong messages";
    EXPECT_TRUE(test::SameBytes(old, test::ReadBytes(Target())));
}

INSTANTIATE_TEST_SUITE_P(Items, ScreenItemTest,
                         ::testing::Values(ScreenCase{"Startup", 0, "logo.sys"},
                                           ScreenCase{"Shutdown", 1, "WINDOWS/logow.sys"},
                                           ScreenCase{"SwitchOff", 2, "WINDOWS/logos.sys"}),
                         test::CaseName{});

TEST_F(SaveTest, WithoutAWindowsInstallationAllScreensGoToTheCurrentFolderAndSaySo) {
    ws.windowsDirectory = dir / "cwd";
    ws.windowsIsFallback = true;
    ASSERT_EQ(::mkdir(ws.windowsDirectory.c_str(), 0755), 0);
    form.Form_Load("");
    for (const auto& [item, name] :
         {std::pair{0, "logo.sys"}, {1, "logow.sys"}, {2, "logos.sys"}}) {
        ws.messageBoxes.clear();
        form.Menu_Save_Option_Click(item);
        const std::string path = dir / "cwd/" + name;
        ExpectWritten(path, 240);
        ASSERT_EQ(ws.messageBoxes.size(), 1u);
        EXPECT_EQ(ws.messageBoxes[0].text, "保存が無事に終了しました。\r\n" + path);
    }
}

TEST_F(SaveTest, MissingWindowsFolderShowsTheErrorNotTheSuccess) {
    ws.windowsDirectory = dir / "no such folder";
    form.Form_Load("");
    ws.scrollValue = 40;  // a save would store 216, not the file's 240
    form.HScroll1_Change();
    const LogoDocument before = document;
    form.Menu_Save_Option_Click(1);
    ExpectFailureFor(dir / "no such folder/logow.sys");
    EXPECT_TRUE(test::SameDocument(before, document))
        << "a failed save does not take over the range's biClrImportant";
}

TEST_F(SaveTest, FolderInTheWayIsReportedAndLeftAlone) {
    ASSERT_EQ(::mkdir((windows + "/logos.sys").c_str(), 0755), 0);
    ws.messageAnswers = {MessageAnswer::Yes};
    form.Menu_Save_Option_Click(2);
    ws.messageBoxes.erase(ws.messageBoxes.begin());
    ExpectFailureFor(windows + "/logos.sys");
    EXPECT_TRUE(ws.messageBoxes.back().text.ends_with("同じ名前のフォルダーがあります。"))
        << "the reason in the user's language";
    struct stat st {};
    EXPECT_EQ(::stat((windows + "/logos.sys").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(SaveTest, RangeDecidesTheStoredFirstAnimatedIndexAndTheDocumentKeepsIt) {
    for (const auto& [n, stored] : {std::pair{16, 240u}, {255, 1u}, {1, 255u}}) {
        ws.scrollValue = n;
        form.HScroll1_Change();
        ws.saveAnswers = {{dir / "out.sys", 1}};
        form.Menu_Save_Option_Click(3);
        EXPECT_EQ(StoredClrImportant(dir / "out.sys"), stored) << n;
        EXPECT_EQ(document.infoHeader.biClrImportant, stored);
    }
}

TEST_F(SaveTest, SavingTwiceGivesIdenticalFiles) {
    ws.saveAnswers = {{dir / "a.sys", 1}, {dir / "b.sys", 1}};
    form.Menu_Save_Option_Click(3);
    form.Menu_Save_Option_Click(3);
    EXPECT_TRUE(test::SameBytes(test::ReadBytes(dir / "a.sys"), test::ReadBytes(dir / "b.sys")));
}

TEST_F(SaveTest, SixteenColourDocumentWritesSixteenEntries) {
    form.OpenFile(WriteScreen("small.bmp", 16, 250));
    ws.messageBoxes.clear();
    ws.saveAnswers = {{dir / "small.sys", 1}};
    form.Menu_Save_Option_Click(3);
    EXPECT_EQ(test::ReadBytes(dir / "small.sys").size(), 14u + 40u + 64u + 128000u);
    ExpectOnlySuccessMessage();
}

TEST_F(SaveTest, DialogStartsInTheProgramFolderAndCancelSavesNothing) {
    ws.saveAnswers = {{"", 0}};
    form.Menu_Save_Option_Click(3);
    EXPECT_EQ(ws.lastDialogTitle, "ファイルの保存");
    EXPECT_EQ(ws.lastSaveName, "logo.sys");
    EXPECT_EQ(ws.lastDialogFolder, ws.programFolder);
    EXPECT_EQ(ws.lastFilters, SaveDialogFilters());
    EXPECT_TRUE(ws.messageBoxes.empty());
}

TEST_F(SaveTest, ScreenFileTypeKeepsTheNameAsTyped) {
    ws.saveAnswers = {{dir / "mylogo", 1}};
    form.Menu_Save_Option_Click(3);
    ExpectWritten(dir / "mylogo", 240);
    ExpectOnlySuccessMessage();
}

struct BitmapNameCase {
    const char* name;
    const char* typed;
    const char* written;
};

class BitmapNameTest : public SaveTest, public ::testing::WithParamInterface<BitmapNameCase> {};

TEST_P(BitmapNameTest, AddsBmpUnlessTheNameHasABitmapExtension) {
    ws.saveAnswers = {{dir / GetParam().typed, 2}};
    form.Menu_Save_Option_Click(3);
    ExpectWritten(dir / GetParam().written, 240);
    EXPECT_EQ(dir.List().size(), 3u) << "source.sys, WINDOWS and the one bitmap";
}

INSTANTIATE_TEST_SUITE_P(Names, BitmapNameTest,
                         ::testing::Values(BitmapNameCase{"Bare", "title", "title.bmp"},
                                           BitmapNameCase{"MixedCase", "title.Bmp", "title.Bmp"},
                                           BitmapNameCase{"Dib", "title.DIB", "title.DIB"},
                                           BitmapNameCase{"OtherExtension", "title.txt",
                                                          "title.txt.bmp"}),
                         test::CaseName{});

TEST_F(SaveTest, NumberedOutputWritesEveryFrameWithItsProgress) {
    const LogoDocument before = document;
    ws.saveAnswers = {{dir / "anim", 3}};
    ws.ClearLog();
    form.Menu_Save_Option_Click(3);
    for (int k = 1; k <= 16; ++k) {
        const std::string name =
            dir / ("anim" + std::string(k < 10 ? "00" : "0") + std::to_string(k) + ".bmp");
        EXPECT_EQ(test::ReadBytes(name).size(), 14u + 40u + 1024u + 256000u) << name;
    }
    EXPECT_EQ(ws.captions[Form::Form3], "出力中...");
    EXPECT_EQ(ws.Count("RepaintForm Form3"), 16);
    EXPECT_EQ(ws.Count("SetLabel 3 1/16"), 1);
    EXPECT_EQ(ws.Count("SetLabel 3 16/16"), 1);
    EXPECT_FALSE(ws.visible[Form::Form3]);
    ExpectOnlySuccessMessage();
    EXPECT_EQ(document, before) << "the export does not set biClrImportant";
}

TEST_F(SaveTest, NumberedOutputStopsAtTheFirstFrameItCannotWrite) {
    ASSERT_EQ(::mkdir((dir / "anim003.bmp").c_str(), 0755), 0);
    ws.saveAnswers = {{dir / "anim", 3}};
    form.Menu_Save_Option_Click(3);
    ExpectFailureFor(dir / "anim003.bmp");
    EXPECT_EQ(test::ReadBytes(dir / "anim002.bmp").size(), 14u + 40u + 1024u + 256000u);
    struct stat st {};
    EXPECT_NE(::stat((dir / "anim004.bmp").c_str(), &st), 0) << "nothing after the failing frame";
    EXPECT_FALSE(ws.visible[Form::Form3]) << "the status window is closed either way";
}

TEST_F(SaveTest, SaveButtonPopsUpTheMenuAndRunsTheChosenItem) {
    ws.menuAnswers = {std::nullopt, 1};
    form.Command2_Click(1);  // dismissed
    EXPECT_TRUE(ws.messageBoxes.empty());
    form.Command2_Click(1);
    ExpectWritten(windows + "/logow.sys", 240);
    EXPECT_EQ(ws.Count("ShowPopupMenu Menu_Save"), 2);
}

}  // namespace
}  // namespace rotopal
