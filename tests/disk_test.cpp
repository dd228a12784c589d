// Screens into and out of real FAT disk images, made in each test with sfdisk and mkfs.fat and
// read back with mtools and fsck.fat; and the partition table reader on hostile tables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <thread>

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
    enum class Layout { Fat16Partition, Fat32Partition, Floppy, Fat16NotActive };

    explicit DiskFixture(Layout layout) {
        EXPECT_TRUE(WriteLogoFile(dir / "logo.sys", samples::MakeStartupScreen()));
        switch (layout) {
            case Layout::Floppy:
                EXPECT_EQ(Shell("mkfs.fat -C -F 12 " + image + " 1440"), 0);
                break;
            case Layout::Fat16Partition: Partitioned("6", 16, 20); break;
            case Layout::Fat32Partition: Partitioned("c", 32, 40); break;
            case Layout::Fat16NotActive: Partitioned("6", 16, 20, false); break;
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
        Put(test::Bytes(text.begin(), text.end()), path);
    }
    void Put(const test::Bytes& bytes, const std::string& path) {
        test::WriteBytes(dir / "put", bytes);
        EXPECT_EQ(Shell("mcopy -o " + On() + " " + (dir / "put") + " '::" + path + "'"), 0);
    }
    bool Has(const std::string& path) const {
        return Shell("mdir -a " + On() + " '::" + path + "'") == 0;
    }
    bool Consistent() const {
        return Shell("fsck.fat -n " + (offset == 0 ? image : dir / "volume")) == 0;
    }

    test::TempDir dir;
    std::string image = dir / "disk.img";
    std::uint64_t offset = 0;

private:
    void Partitioned(const std::string& type, int fatBits, int megabytes, bool active = true) {
        const std::string script =
            "label: dos\nstart=2048, type=" + type + (active ? ", bootable\n" : "\n");
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

// The FAT12 floppy's first FAT and root folder, for damaging them on purpose.
class FloppyFat {
public:
    explicit FloppyFat(const std::string& image) : image_(image), bytes_(test::ReadBytes(image)) {}
    ~FloppyFat() { test::WriteBytes(image_, bytes_); }

    std::uint32_t Get(std::uint32_t cluster) const {
        const std::size_t at = FatAt() + cluster * 3 / 2;
        const std::uint32_t pair = std::uint32_t{bytes_[at]} | std::uint32_t{bytes_[at + 1]} << 8;
        return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
    }
    void Set(std::uint32_t cluster, std::uint32_t value) {
        for (std::size_t copy = 0; copy < 2; ++copy) {
            const std::size_t at = FatAt() + copy * 9 * 512 + cluster * 3 / 2;
            std::uint32_t pair = std::uint32_t{bytes_[at]} | std::uint32_t{bytes_[at + 1]} << 8;
            pair = cluster % 2 == 0 ? (pair & 0xF000) | value : (pair & 0x000F) | value << 4;
            bytes_[at] = static_cast<std::uint8_t>(pair);
            bytes_[at + 1] = static_cast<std::uint8_t>(pair >> 8);
        }
    }
    // The clusters of the root folder's file with this 11-byte name, such as "LOGO    SYS".
    std::vector<std::uint32_t> Chain(const std::string& paddedName) const {
        constexpr std::size_t kRootAt = (1 + 2 * 9) * 512;
        for (std::size_t at = kRootAt; at < kRootAt + 224 * 32; at += 32) {
            if (std::equal(paddedName.begin(), paddedName.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at))) {
                std::vector<std::uint32_t> chain{bytes_[at + 26] | std::uint32_t{bytes_[at + 27]} << 8};
                while (Get(chain.back()) < 0xFF8) {
                    chain.push_back(Get(chain.back()));
                }
                return chain;
            }
        }
        ADD_FAILURE() << paddedName << " is not in the root folder";
        return {};
    }

    // Gives the root folder's file with this short name one long-name piece spelling `name`,
    // in the slot of the long name it had.
    void GiveLongName(const std::string& paddedName, const std::string& name) {
        constexpr std::size_t kRootAt = (1 + 2 * 9) * 512;
        for (std::size_t at = kRootAt + 32; at < kRootAt + 224 * 32; at += 32) {
            if (!std::equal(paddedName.begin(), paddedName.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at))) {
                continue;
            }
            std::uint8_t sum = 0;
            for (const char c : paddedName) {
                sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<std::uint8_t>(c));
            }
            for (std::size_t before = at - 32; before >= kRootAt && bytes_[before + 11] == 0x0F; before -= 32) {
                bytes_[before] = 0xE5;
            }
            test::Bytes piece(32, 0);
            piece[0] = 0x41;  // the first and last piece
            piece[11] = 0x0F;
            piece[13] = sum;
            const std::array<std::size_t, 13> unitsAt{1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            for (std::size_t i = 0; i < unitsAt.size(); ++i) {
                const unsigned unit = i < name.size() ? static_cast<unsigned char>(name[i]) : i == name.size() ? 0 : 0xFFFF;
                piece[unitsAt[i]] = static_cast<std::uint8_t>(unit);
                piece[unitsAt[i] + 1] = static_cast<std::uint8_t>(unit >> 8);
            }
            std::copy(piece.begin(), piece.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at - 32));
            return;
        }
        ADD_FAILURE() << paddedName << " is not in the root folder";
    }

private:
    static std::size_t FatAt() { return 512; }
    std::string image_;
    test::Bytes bytes_;
};

// An old screen and another file, their chains then damaged by the row.
void DamageChain(DiskFixture& disk, const std::function<void(FloppyFat&, const std::vector<std::uint32_t>&,
                                                             const std::vector<std::uint32_t>&)>& damage) {
    disk.Put(std::string(20000, 'o'), "/LOGO.SYS");  // 40 clusters
    disk.Put(std::string(5000, 't'), "/OTHER.TXT");  // 10 clusters
    FloppyFat fat(disk.image);
    damage(fat, fat.Chain("LOGO    SYS"), fat.Chain("OTHER   TXT"));
}

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

// The first backup is the disk's original screen: later installs never replace it.
TEST(Install, KeepsTheFirstScreenAsBackupAndNeverReplacesIt) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    disk.Put("the old screen", "/LOGO.SYS");
    ASSERT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img"}).code, 0);
    const std::string old = "the old screen";
    EXPECT_EQ(disk.Read("/LOGO.BAK"), test::Bytes(old.begin(), old.end()));
    const auto second = disk.Cli({"install", "@logo.sys", "@disk.img"});
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_NE(second.out.find("no new backup was made"), std::string::npos) << second.out;
    EXPECT_EQ(disk.Read("/LOGO.BAK"), test::Bytes(old.begin(), old.end()));
    ASSERT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img", "--no-backup"}).code, 0);
    EXPECT_EQ(disk.Read("/LOGO.BAK").size(), 14u) << "the backup is left alone";
    EXPECT_FALSE(disk.Has("/LOGO.$$$"));
    EXPECT_TRUE(disk.Consistent());
}

// A disk where the screen belongs, or the reverse, is told as swapped; neither file changes.
TEST(Install, SwappedArgumentsLeaveBothFilesAsTheyWere) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    const auto image = test::ReadBytes(disk.image);
    const auto screen = test::ReadBytes(disk.dir / "logo.sys");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"install", "@disk.img", "@logo.sys"},
          std::vector<std::string>{"extract", "@logo.sys", "@disk.img"}}) {
        const auto run = disk.Cli(arguments);
        EXPECT_EQ(run.code, 2) << arguments[0];
        EXPECT_NE(run.err.find("look swapped. The order is rotopal-cli " + arguments[0]),
                  std::string::npos)
            << run.err;
    }
    EXPECT_TRUE(test::SameBytes(image, test::ReadBytes(disk.image)));
    EXPECT_TRUE(test::SameBytes(screen, test::ReadBytes(disk.dir / "logo.sys")));
}

TEST(Install, SaysWhenNoPartitionIsMarkedActive) {
    DiskFixture disk(DiskFixture::Layout::Fat16NotActive);
    const auto run = disk.Cli({"install", "@logo.sys", "@disk.img"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("no FAT partition is marked active"), std::string::npos) << run.out;
    EXPECT_TRUE(test::SameBytes(test::ReadBytes(disk.dir / "logo.sys"), disk.Read("/LOGO.SYS")));
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
    DiskFixture::Layout layout = DiskFixture::Layout::Fat16Partition;
    bool noBackup = false;
};

class RefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(RefusalTest, LeavesTheDiskByteForByte) {
    DiskFixture disk(GetParam().layout);
    GetParam().spoil(disk);
    const auto before = test::ReadBytes(disk.image);
    std::vector<std::string> arguments{"install", GetParam().screen, "@disk.img"};
    if (GetParam().noBackup) {
        arguments.push_back("--no-backup");
    }
    const auto run = disk.Cli(arguments);
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
                   "no boot signature"},
        // mtools would write clusters past the partition, into whatever follows it.
        RefusalRow{"BootSectorClaimsMoreThanThePartition", "@logo.sys",
                   [](DiskFixture& d) {
                       auto bytes = test::ReadBytes(d.image);
                       const std::size_t total = d.offset + 19;  // the 16-bit total of sectors
                       const unsigned sectors = bytes[total] + 256u * bytes[total + 1] + 1000u;
                       bytes[total] = static_cast<std::uint8_t>(sectors);
                       bytes[total + 1] = static_cast<std::uint8_t>(sectors >> 8);
                       test::WriteBytes(d.image, bytes);
                   },
                   "but only 38912 sectors"},
        RefusalRow{"FloppyCutShort", "@logo.sys",
                   [](DiskFixture& d) { EXPECT_EQ(Shell("truncate -s 1228800 " + d.image), 0); },
                   "only 2400 sectors", DiskFixture::Layout::Floppy},
        RefusalRow{"FolderInTheWay", "@logo.sys",
                   [](DiskFixture& d) { EXPECT_EQ(Shell("mmd " + d.On() + " '::/LOGO.$$$'"), 0); },
                   "\\LOGO.$$$ is a folder"},
        // mtools takes the long name for the file: the user's file would be replaced.
        RefusalRow{"LongNameTakenForTheScreen", "@logo.sys",
                   [](DiskFixture& d) {
                       d.Put("the user's own file", "/Long File Name.txt");
                       FloppyFat(d.image).GiveLongName("LONGFI~1TXT", "LOGO.SYS");
                   },
                   "has the long name LOGO.SYS", DiskFixture::Layout::Floppy},
        // mtools would count the root folder a sector shorter and write into the data area.
        RefusalRow{"RootFolderOfPartSectors", "@logo.sys",
                   [](DiskFixture& d) {
                       auto bytes = test::ReadBytes(d.image);
                       bytes[17] = 220;
                       test::WriteBytes(d.image, bytes);
                   },
                   "do not fill whole sectors", DiskFixture::Layout::Floppy},
        RefusalRow{"HiddenScreen", "@logo.sys",
                   [](DiskFixture& d) {
                       d.Put("the old screen", "/LOGO.SYS");
                       EXPECT_EQ(Shell("mattrib +h " + d.On() + " ::/LOGO.SYS"), 0);
                   },
                   "is hidden"},
        // Mirroring off with the second FAT in use: mtools would write the first.
        RefusalRow{"SecondFatAloneInUse", "@logo.sys",
                   [](DiskFixture& d) {
                       auto bytes = test::ReadBytes(d.image);
                       bytes[d.offset + 40] = 0x81;
                       test::WriteBytes(d.image, bytes);
                   },
                   "keeps FAT 1 alone up to date", DiskFixture::Layout::Fat32Partition}),
    test::CaseName{});

// A damaged chain of a file the install replaces or backs up is refused as it is, with or
// without a backup, before mtools frees clusters that another file uses.
std::vector<RefusalRow> DamagedChains() {
    const std::array damages{
        std::pair{"Looping",
                  +[](FloppyFat& fat, const std::vector<std::uint32_t>& logo,
                      const std::vector<std::uint32_t>&) { fat.Set(logo.back(), logo.front()); }},
        // Into the middle of OTHER.TXT, at the length the size asks for: only the FAT scan tells.
        std::pair{"CrossLinked",
                  +[](FloppyFat& fat, const std::vector<std::uint32_t>& logo,
                      const std::vector<std::uint32_t>& other) { fat.Set(logo[30], other[1]); }},
        std::pair{"RunningIntoAFreeCluster",
                  +[](FloppyFat& fat, const std::vector<std::uint32_t>& logo,
                      const std::vector<std::uint32_t>&) { fat.Set(logo[20], 2000); }},
    };
    const std::array mentioned{"loops back", "cross-link", "free cluster 2000"};
    const std::array noBackupNames{"LoopingNoBackup", "CrossLinkedNoBackup",
                                   "RunningIntoAFreeClusterNoBackup"};
    std::vector<RefusalRow> rows;
    for (std::size_t i = 0; i < damages.size(); ++i) {
        for (const bool noBackup : {false, true}) {
            const auto damage = damages[i].second;
            rows.push_back(RefusalRow{noBackup ? noBackupNames[i] : damages[i].first, "@logo.sys",
                                      [damage](DiskFixture& d) { DamageChain(d, damage); },
                                      mentioned[i], DiskFixture::Layout::Floppy, noBackup});
        }
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Chains, RefusalTest, ::testing::ValuesIn(DamagedChains()),
                         test::CaseName{});

// mtools reads "my.img@@0" as my.img at offset 0; the install must reach the file named.
TEST(Install, WritesOnlyTheImageNamedEvenWithAtAtInItsName) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    const std::string other = disk.dir / "my.img";
    const std::string named = other + "@@0";
    ASSERT_EQ(Shell("cp " + disk.image + " " + other + " && cp " + disk.image + " '" + named + "'"), 0);
    const auto before = test::ReadBytes(other);
    const auto run = disk.Cli({"install", "@logo.sys", named});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(test::SameBytes(before, test::ReadBytes(other)));
    ASSERT_EQ(disk.Cli({"extract", named, "@back.sys"}).code, 0);
    EXPECT_TRUE(test::SameBytes(test::ReadBytes(disk.dir / "logo.sys"), test::ReadBytes(disk.dir / "back.sys")));
}

struct InterruptedRow {
    const char* name;
    bool screenMoved;  // the kill came after the old screen was moved away
    const char* note;
    bool clustersRecorded = true;  // false: mcopy wrote the folder but not the FAT
};

class InterruptedInstallTest : public ::testing::TestWithParam<InterruptedRow> {};

// The states a kill between two steps leaves, written directly: the next run finds the old or
// the new screen whole as LOGO.SYS, says what it did, and leaves a clean volume.
TEST_P(InterruptedInstallTest, IsFinishedOrRolledBackByTheNextRun) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    const auto screen = test::ReadBytes(disk.dir / "logo.sys");
    const std::string old = "the old screen";
    if (GetParam().screenMoved) {
        disk.Put(screen, "/LOGO.$$$");
        disk.Put(old, "/LOGO.BAK");
    } else {
        disk.Put(test::Bytes(screen.begin(), screen.begin() + 5000), "/LOGO.$$$");
        disk.Put(old, "/LOGO.SYS");
    }
    if (!GetParam().clustersRecorded) {
        FloppyFat fat(disk.image);
        for (const std::uint32_t cluster : fat.Chain("LOGO    $$$")) {
            fat.Set(cluster, 0);
        }
    }
    const auto before = test::ReadBytes(disk.image);
    const auto run = disk.Cli({"extract", "@disk.img", "@back.sys"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find(GetParam().note), std::string::npos) << run.out;
    EXPECT_EQ(test::ReadBytes(disk.dir / "back.sys"),
              GetParam().screenMoved ? screen : test::Bytes(old.begin(), old.end()));
    if (!GetParam().clustersRecorded) {
        // mdel would free what is not the entry's own, cluster 0 among them: nothing is touched,
        // and an install is refused until the volume is repaired.
        EXPECT_TRUE(test::SameBytes(before, test::ReadBytes(disk.image)));
        EXPECT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img"}).code, 1);
        EXPECT_TRUE(test::SameBytes(before, test::ReadBytes(disk.image)));
        return;
    }
    EXPECT_FALSE(disk.Has("/LOGO.$$$"));
    EXPECT_TRUE(disk.Consistent());
}

INSTANTIATE_TEST_SUITE_P(
    States, InterruptedInstallTest,
    ::testing::Values(InterruptedRow{"CopyDoneOldScreenMoved", true, "finished an install"},
                      InterruptedRow{"CopyCutShort", false, "rolled back an install"},
                      InterruptedRow{"CopyCutBeforeItsClustersWereRecorded", false,
                                     "Repair the volume", false}),
    test::CaseName{});

// Writing the screen over the image's own name would lose the whole disk.
TEST(Extract, RefusesToWriteOverTheDiskImageItself) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    ASSERT_EQ(disk.Cli({"install", "@logo.sys", "@disk.img"}).code, 0);
    const auto before = test::ReadBytes(disk.image);
    ASSERT_EQ(Shell("ln -s disk.img " + (disk.dir / "alias.img")), 0);
    EXPECT_EQ(disk.Cli({"extract", "@disk.img", "@alias.img"}).code, 2) << "not a screen";
    EXPECT_EQ(disk.Cli({"extract", "@disk.img", "@alias.img", "--force"}).code, 3);
    EXPECT_TRUE(test::SameBytes(before, test::ReadBytes(disk.image)));
}

struct ScreenFileRow {
    const char* name;
    const char* fileName;
    std::size_t keep;  // bytes of the screen kept in the file, 0 for all
    const char* said;  // in the report
};

class ScreenFileTest : public ::testing::TestWithParam<ScreenFileRow> {};

// What goes on the disk is the screen the reader accepted, written as our writer writes it,
// whatever the file's name says to mtools and however the file was cut.
TEST_P(ScreenFileTest, InstallsTheDocumentTheReaderAccepted) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    disk.Put("a note", "/NOTE.TXT");
    auto bytes = test::ReadBytes(disk.dir / "logo.sys");
    if (GetParam().keep != 0) {
        bytes.resize(GetParam().keep);
    }
    test::WriteBytes(disk.dir / GetParam().fileName, bytes);
    const auto run = disk.Cli({"install", disk.dir / GetParam().fileName, "@disk.img"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find(GetParam().said), std::string::npos) << run.out;
    const auto installed = disk.Read("/LOGO.SYS");
    ASSERT_EQ(installed.size(), 129078u);
    EXPECT_TRUE(test::SameBytes(bytes, std::span(installed).first(bytes.size())));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScreenFileTest,
    ::testing::Values(ScreenFileRow{"NamedDash", "-", 0, "read back equal"},
                      ScreenFileRow{"NamedLikeAVolumeFile", "::NOTE.TXT", 0, "read back equal"},
                      ScreenFileRow{"CutShort", "cut.sys", 5000, "Repaired: pixel block cut short"}),
    test::CaseName{});

// Two installs at once, again and again: the lock keeps each whole, so the volume stays clean
// and holds one of the two screens.
TEST(Install, TwoAtOnceLeaveACleanVolumeAndAWholeScreen) {
    DiskFixture disk(DiskFixture::Layout::Floppy);
    auto other = test::ReadBytes(disk.dir / "logo.sys");
    other[50] = 230;  // another biClrImportant
    test::WriteBytes(disk.dir / "other.sys", other);
    for (int round = 0; round < 5; ++round) {
        DiskFixture::Run first{}, second{};
        std::thread a([&] { first = disk.Cli({"install", "@logo.sys", "@disk.img"}); });
        std::thread b([&] { second = disk.Cli({"install", "@other.sys", "@disk.img"}); });
        a.join();
        b.join();
        ASSERT_EQ(first.code, 0) << first.err;
        ASSERT_EQ(second.code, 0) << second.err;
        const auto installed = disk.Read("/LOGO.SYS");
        EXPECT_TRUE(installed == other || installed == test::ReadBytes(disk.dir / "logo.sys"));
        EXPECT_FALSE(disk.Has("/LOGO.$$$"));
        EXPECT_TRUE(disk.Consistent());
    }
}

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
