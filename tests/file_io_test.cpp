#include "document/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "document/logo_writer.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::Bytes;
using test::SameBytes;
using test::TempDir;

constexpr uid_t kNobody = 65534;

// The old file every failure must leave alone.
const Bytes& OldContent() {
    static const Bytes bytes = EncodeLogoFile(test::MakeDocument(256, 200));
    return bytes;
}

Result<void, WriteError> SaveNew(const std::string& path) {
    static const LogoDocument document = test::MakeDocument(16, 10);
    return WriteLogoFile(path, document);
}

// Runs a save in a child process that lacks root's powers, so that permissions apply. Exit
// status 0: the save failed at `step` with `error`; anything else describes what went wrong.
int SaveAsOrdinaryUser(const std::string& path, WriteStep step, int error) {
    return test::RunInChild([&] {
        if (test::RunningAsRoot() && ::setuid(kNobody) != 0) {
            return 10;
        }
        const auto result = SaveNew(path);
        if (result) {
            return 11;
        }
        if (result.error().step != step) {
            return 12;
        }
        return result.error().systemError == error ? 0 : 13;
    });
}

TEST(AtomicWrite, MissingFolderFailsAndCreatesNothing) {
    TempDir dir;
    const auto result = SaveNew(dir / "absent/logo.sys");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().step, WriteStep::CreateTemporary);
    EXPECT_EQ(result.error().systemError, ENOENT);
    EXPECT_EQ(result.error().path, dir / "absent/logo.sys");
    EXPECT_TRUE(dir.List().empty());
}

TEST(AtomicWrite, TargetThatIsAFolderIsLeftAlone) {
    TempDir dir;
    std::filesystem::create_directory(dir / "logo.sys");
    test::WriteBytes(dir / "logo.sys/inside", OldContent());
    const auto result = SaveNew(dir / "logo.sys");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().systemError, EISDIR);
    EXPECT_TRUE(SameBytes(OldContent(), test::ReadBytes(dir / "logo.sys/inside")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.sys"});
}

TEST(AtomicWrite, UnwritableFolderKeepsTheOldFile) {
    TempDir dir;
    test::WriteBytes(dir / "logo.sys", OldContent());
    // The file itself may be written; only the folder refuses new entries.
    ::chmod((dir / "logo.sys").c_str(), 0666);
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_EQ(SaveAsOrdinaryUser(dir / "logo.sys", WriteStep::CreateTemporary, EACCES), 0);
    EXPECT_TRUE(SameBytes(OldContent(), test::ReadBytes(dir / "logo.sys")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.sys"});
}

TEST(AtomicWrite, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    test::WriteBytes(dir / "logo.sys", OldContent());
    ::chmod((dir / "logo.sys").c_str(), 0444);
    ::chmod(dir.path().c_str(), 0777);
    EXPECT_EQ(SaveAsOrdinaryUser(dir / "logo.sys", WriteStep::Check, EACCES), 0);
    EXPECT_TRUE(SameBytes(OldContent(), test::ReadBytes(dir / "logo.sys")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.sys"});
}

TEST(AtomicWrite, FullDiskKeepsTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    test::WriteBytes(dir / "logo.sys", OldContent());
    // A file-size limit makes writes fail the way a full disk does, without filling one.
    const int status = test::RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 10;
        }
        const auto result = SaveNew(dir / "logo.sys");
        if (result) {
            return 11;
        }
        return result.error().step == WriteStep::Write && result.error().systemError == EFBIG ? 0
                                                                                              : 12;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(SameBytes(OldContent(), test::ReadBytes(dir / "logo.sys")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"logo.sys"});
}

TEST(AtomicWrite, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    test::WriteBytes(dir / "logo.sys", OldContent());
    ::chmod((dir / "logo.sys").c_str(), 0640);
    ASSERT_TRUE(SaveNew(dir / "logo.sys"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "logo.sys").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(AtomicWrite, SymbolicLinkIsFollowedAndKept) {
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    test::WriteBytes(dir / "real/logo.sys", OldContent());
    std::filesystem::create_symlink(dir / "real/logo.sys", dir / "link.sys");
    ASSERT_TRUE(SaveNew(dir / "link.sys"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.sys"));
    EXPECT_EQ(test::ReadBytes(dir / "real/logo.sys").size(), 128118u);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"link.sys", "real"}));
}

// A device or a FIFO is written through: renaming over one would leave a regular file where
// /dev/null or a pipe's reader was.
TEST(AtomicWrite, DeviceAndFifoTargetsAreWrittenThroughNotReplaced) {
    TempDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] { received = test::ReadBytes(fifo); });
    EXPECT_TRUE(SaveNew(fifo));
    reader.join();
    EXPECT_EQ(received.size(), 128118u) << "the whole screen went through the pipe";
    EXPECT_TRUE(SaveNew("/dev/null"));
    for (const auto& [path, isKind] : {std::pair{fifo, +[](mode_t m) { return S_ISFIFO(m); }},
                                       std::pair{std::string("/dev/null"),
                                                 +[](mode_t m) { return S_ISCHR(m); }}}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_TRUE(isKind(st.st_mode)) << path << " was replaced";
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"pipe"});
}

TEST(AtomicWrite, DescribesThePathTheFailingStepAndTheReason) {
    EXPECT_EQ(
        DescribeWriteError({WriteStep::CreateTemporary, "/x/logo.sys", ENOSPC}),
        "cannot write /x/logo.sys (creating a temporary file next to it): " + SystemReason(ENOSPC));
    std::set<std::string> texts;
    for (const auto step : {WriteStep::Check, WriteStep::CreateTemporary, WriteStep::Write,
                            WriteStep::Flush, WriteStep::Replace}) {
        texts.insert(DescribeWriteError({step, "/x/logo.sys", EIO}));
    }
    EXPECT_EQ(texts.size(), kWriteSteps) << "every step is told apart";
}

}  // namespace
}  // namespace rotopal
