// Screens into and out of real FAT disk images, made in each test with sfdisk and mkfs.fat and
// read back with mtools and fsck.fat; and the partition table reader on hostile tables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli_app.h"
#include "disk/mbr.h"
#include "disk/screen_install.h"
#include "document/logo_writer.h"
#include "samples/sample_screens.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// A disk image of the given kind in the folder, and the screen to put on it.
class DiskFixture {
public:
    enum class Layout { Fat16Partition, Fat32Partition, Floppy };

    explicit DiskFixture(Layout layout) {
        EXPECT_TRUE(WriteLogoFile(dir / "logo.sys", samples::MakeStartupScreen()));
        switch (layout) {
            case Layout::Floppy:
                EXPECT_EQ(Shell("mkfs.fat -C -F 12 " + image + " 1440"), 0);
                break;
            case Layout::Fat16Partition: Partitioned("6", 16, 20); break;
            case Layout::Fat32Partition: Partitioned("c", 32, 40); break;
        }
    }

    // Runs rotopal-cli; arguments starting with "@" name files of the folder.
    struct Run {
        int code;
        std::string out, err;
    };
    Run Cli(std::vector<std::string> arguments) {
        for (auto& a : arguments) {
            if (!a.empty() && a[0] == '@') {
                a = dir / a.substr(1);
            }
        }
        std::ostringstream out, err;
        const int code = cli::RunCli(arguments, {out, err, false});
        return {code, out.str(), err.str()};
    }

    // mtools on the volume, for the checks.
    std::string On() const { return "-i " + image + "@@" + std::to_string(offset); }
    test::Bytes Read(const std::string& path) {
        const std::string local = dir / "read-back";
        std::remove(local.c_str());
        EXPECT_EQ(Shell("mcopy " + On() + " ::" + path + " " + local), 0) << path;
        return test::ReadBytes(local);
    }
    void Put(const std::string& text, const std::string& path) {
        test::WriteBytes(dir / "put", test::Bytes(text.begin(), text.end()));
        EXPECT_EQ(Shell("mcopy -o " + On() + " " + (dir / "put") + " ::" + path), 0);
    }
    bool Consistent() const {
        return Shell("fsck.fat -n " + (offset == 0 ? image : dir / "volume")) == 0;
    }

    test::TempDir dir;
    std::string image = dir / "disk.img";
    std::uint64_t offset = 0;

private:
    void Partitioned(const std::string& type, int fatBits, int megabytes) {
        const std::string script = "label: dos\nstart=2048, type=" + type + ", bootable\n";
        test::WriteBytes(dir / "table", test::Bytes(script.begin(), script.end()));
        EXPECT_EQ(Shell("truncate -s " + std::to_string(megabytes) + "M " + image), 0);
        EXPECT_EQ(Shell("sfdisk -q " + image + " < " + (dir / "table")), 0);
        const int kib = (megabytes * 1024 - 1024);
        EXPECT_EQ(Shell("mkfs.fat -F " + std::to_string(fatBits) + " --offset 2048 " + image +
                        " " + std::to_string(kib)),
                  0);
        offset = 2048 * 512;
    }

public:
    // fsck.fat takes a volume, not a disk: the partition copied out.
    void CopyVolumeOut() {
        if (offset != 0) {
            EXPECT_EQ(Shell("dd if=" + image + " of=" + (dir / "volume") + " bs=512 skip=2048"), 0);
        }
    }
};

struct LayoutRow {
    const char* name;
    DiskFixture::Layout layout;
};

class InstallTest : public ::testing::TestWithParam<LayoutRow> {};

// On each kind of volume the screen lands byte for byte where the system reads it, the
// volume stays consistent, and extract brings the same bytes back.
TEST_P(InstallTest, PutsTheScreenInTheRootAndBringsItBack) {
    DiskFixture disk(GetParam().layout);
    const auto installed = disk.Cli({"install", "@logo.sys", "@disk.img"});
    ASSERT_EQ(installed.code, 0) << installed.err;
    EXPECT_TRUE(test::SameBytes(test::ReadBytes(disk.dir / "logo.sys"), disk.Read("/LOGO.SYS")));
    disk.CopyVolumeOut();
    EXPECT_TRUE(disk.Consistent());
    const auto extracted = disk.Cli({"extract", "@disk.img", "@back.sys"});
    ASSERT_EQ(extracted.code, 0) << extracted.err;
    EXPECT_TRUE(test::SameBytes(test::ReadBytes(disk.dir / "logo.sys"),
                                test::ReadBytes(disk.dir / "back.sys")));
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, InstallTest,
    ::testing::Values(LayoutRow{"Fat16Partition", DiskFixture::Layout::Fat16Partition},
                      LayoutRow{"Fat32Partition", DiskFixture::Layout::Fat32Partition},
                      LayoutRow{"Floppy", DiskFixture::Layout::Floppy}),
    test::CaseName{});

TEST(Install, KeepsTheReplacedScreenAsBackupUnlessToldNot) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    disk.Put("the old screen", "/LOGO.SYS");
    ASSERT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img"}).code, 0);
    const std::string old = "the old screen";
    EXPECT_EQ(disk.Read("/LOGO.BAK"), test::Bytes(old.begin(), old.end()));
    ASSERT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img", "--no-backup"}).code, 0);
    EXPECT_EQ(disk.Read("/LOGO.BAK").size(), 14u) << "the backup is left alone";
}

TEST(Install, FindsTheWindowsFolderInMsdosSysAndTellsWhenLogoIsOff) {
    DiskFixture disk(DiskFixture::Layout::Fat16Partition);
    ASSERT_EQ(Shell("mmd " + disk.On() + " ::/WIN98"), 0);
    disk.Put("[Paths]\r\nWinDir=C:\\WIN98\r\nWinBootDir=C:\\WIN98\r\n[Options]\r\nLogo=0\r\n",
             "/MSDOS.SYS");
    // The kind comes from the screen's own name.
    ASSERT_EQ(Shell("cp " + (disk.dir / "logo.sys") + " " + (disk.dir / "LogoW.sys")), 0);
    const auto shutdown = disk.Cli({"install", "@LogoW.sys", "@disk.img"});
    ASSERT_EQ(shutdown.code, 0) << shutdown.err;
    EXPECT_NE(shutdown.out.find("\\WIN98\\LOGOW.SYS"), std::string::npos) << shutdown.out;
    EXPECT_EQ(disk.Read("/WIN98/LOGOW.SYS").size(), 129078u);
    const auto startup = disk.Cli({"install", "@logo.sys", "@disk.img"});
    EXPECT_EQ(startup.code, 0);
    EXPECT_NE(startup.out.find("Logo=0"), std::string::npos) << startup.out;
}

TEST(Install, AFullVolumeKeepsItsOldScreenAndNoHalfWrittenFile) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    disk.Put("the old screen", "/LOGO.SYS");
    test::WriteBytes(disk.dir / "big", test::Bytes(1400000, 0));
    ASSERT_EQ(Shell("mcopy " + disk.On() + " " + (disk.dir / "big") + " ::/BIG.BIN"), 0);
    const auto run = disk.Cli({"install", "@logo.sys", "@disk.img"});
    EXPECT_EQ(run.code, 3) << run.out;
    EXPECT_NE(run.err.find("no room"), std::string::npos) << run.err;
    EXPECT_EQ(disk.Read("/LOGO.SYS").size(), 14u);
    EXPECT_NE(Shell("mdir " + disk.On() + " ::/LOGO.$$$"), 0) << "no temporary file is left";
    EXPECT_TRUE(disk.Consistent());
}

struct RefusalRow {
    const char* name;
    const char* screen;  // the file to install
    std::function<void(DiskFixture&)> spoil;
    const char* mentioned;
};

class RefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(RefusalTest, LeavesTheDiskByteForByte) {
    DiskFixture disk(DiskFixture::Layout::Fat16Partition);
    GetParam().spoil(disk);
    const auto before = test::ReadBytes(disk.image);
    const auto run = disk.Cli({"install", GetParam().screen, "@disk.img"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(GetParam().mentioned), std::string::npos) << run.err;
    EXPECT_TRUE(test::SameBytes(before, test::ReadBytes(disk.image)));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusalTest,
    ::testing::Values(
        RefusalRow{"NotAScreen", "@notes.txt",
                   [](DiskFixture& d) { test::WriteBytes(d.dir / "notes.txt", test::Bytes{'h', 'i'}); },
                   "is not a bitmap"},
        RefusalRow{"NotFat", "@logo.sys",
                   [](DiskFixture& d) {
                       // The partition's type byte says Linux.
                       auto bytes = test::ReadBytes(d.image);
                       bytes[446 + 4] = 0x83;
                       test::WriteBytes(d.image, bytes);
                   },
                   "is of type 0x83"},
        RefusalRow{"NoTableAtAll", "@logo.sys",
                   [](DiskFixture& d) { test::WriteBytes(d.image, test::Bytes(4096, 0)); },
                   "no boot signature"}),
    test::CaseName{});

struct TableRow {
    const char* name;
    std::function<void(test::Bytes&)> change;
    bool accepted;
};

// A sector with one FAT16 partition of 1000 sectors from sector 64, changed by the row.
test::Bytes Table() {
    test::Bytes sector(512, 0);
    const test::Bytes entry{0x80, 0, 0, 0, 0x06, 0, 0, 0, 64, 0, 0, 0, 0xE8, 0x03, 0, 0};
    std::copy(entry.begin(), entry.end(), sector.begin() + 446);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

class PartitionTableTest : public ::testing::TestWithParam<TableRow> {};

TEST_P(PartitionTableTest, ReadsOnlySoundTablesOfTheDisk) {
    auto sector = Table();
    GetParam().change(sector);
    const auto table = ReadPartitionTable(sector, 2000);
    EXPECT_EQ(table.has_value(), GetParam().accepted)
        << (table ? "" : table.error().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, PartitionTableTest,
    ::testing::Values(
        TableRow{"Sound", [](test::Bytes&) {}, true},
        TableRow{"CutShort", [](test::Bytes& s) { s.resize(511); }, false},
        TableRow{"NoSignature", [](test::Bytes& s) { s[511] = 0; }, false},
        TableRow{"BadStatus", [](test::Bytes& s) { s[446] = 0x7F; }, false},
        TableRow{"StartsAtTheTable", [](test::Bytes& s) { s[446 + 8] = 0; }, false},
        TableRow{"PastTheEnd", [](test::Bytes& s) { s[446 + 13] = 0x08; }, false},  // 2280 sectors
        TableRow{"HugeWrapsNoSum",
                 [](test::Bytes& s) { std::fill_n(s.begin() + 446 + 8, 8, std::uint8_t{0xFF}); },
                 false},
        TableRow{"Overlapping",
                 [](test::Bytes& s) {
                     std::copy_n(s.begin() + 446, 16, s.begin() + 462);
                     s[462] = 0;
                     s[462 + 8] = 100;  // from 100, inside the first
                 },
                 false},
        TableRow{"Empty", [](test::Bytes& s) { std::fill_n(s.begin() + 446, 64, std::uint8_t{0}); },
                 false}),
    test::CaseName{});

TEST(MsdosSys, ReadsTheWindowsFolderAndTheLogoSwitch) {
    const std::string text =
        "[Paths]\r\nWinDir = D:\\Win\\\r\n[Options]\r\nBootGUI=1\r\nlogo=0\r\nHostWinBootDrv=d\r\n";
    const auto settings =
        ParseMsdosSys({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    EXPECT_EQ(WindowsFolderNames(settings).value(), std::vector<std::string>{"WIN"});
    EXPECT_FALSE(settings.logoShown);
    EXPECT_EQ(WindowsFolderNames(ParseMsdosSys({})).value(), std::vector<std::string>{"WINDOWS"});
}

struct WinDirRow {
    const char* name;
    std::string windowsDir;
};

class WinDirTest : public ::testing::TestWithParam<WinDirRow> {};

// The folder is taken literally: what mtools would read as a pattern, or what names another
// drive, is refused rather than guessed at.
TEST_P(WinDirTest, IsRefusedWhenItCannotBeTakenLiterally) {
    BootSettings settings;
    settings.windowsDir = GetParam().windowsDir;
    const auto names = WindowsFolderNames(settings);
    ASSERT_FALSE(names.has_value());
    EXPECT_EQ(names.error().kind, DiskErrorKind::BadWindowsFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WinDirTest,
    ::testing::Values(WinDirRow{"Wildcard", "C:\\WIN*"}, WinDirRow{"OtherDrive", "D:\\X"},
                      WinDirRow{"Parent", "C:\\..\\..\\"},
                      WinDirRow{"Nul", std::string("C:\\WIN\0DOWS", 12)},
                      WinDirRow{"TooLong", "C:\\WINDOWS98SE"}, WinDirRow{"Root", "C:\\"}),
    test::CaseName{});

}  // namespace
}  // namespace rotopal
