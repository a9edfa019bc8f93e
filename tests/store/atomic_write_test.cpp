#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "store/atomic_file.h"
#include "store/ini_file.h"
#include "temp_dir.h"

namespace lumo::store {
namespace {

class AtomicWriteTest : public testing::TempDirTest {};

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

// Lowers the file-size limit for the scope, so writes beyond it fail even
// for root (who ignores read-only directories).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    sighandler_t previous_{};
};

TEST_F(AtomicWriteTest, FailedWriteLeavesOldContentAndNoTemporaryFile) {
    IniFile ini(Path("config.ini"));
    ASSERT_TRUE(ini.Write("s", "k", "old"));
    const std::string before = ReadBytes(ini.Path());
    {
        FileSizeLimit limit(64);
        EXPECT_FALSE(ini.Write("s", "k", std::string(1000, 'n')));
        EXPECT_FALSE(ReplaceFileAtomically(ini.Path(), std::string(1000, 'n')));
        EXPECT_FALSE(CreateFileAtomically(Path("other.ini"), std::string(1000, 'n')));
    }
    EXPECT_EQ(ReadBytes(ini.Path()), before);
    EXPECT_EQ(ini.Read("s", "k"), "old");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicWriteTest, WriteIntoReadOnlyDirectoryFailsCleanly) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions (see the file-size case)";
    IniFile ini(Path("config.ini"));
    ASSERT_TRUE(ini.Write("s", "k", "old"));
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
    EXPECT_FALSE(ini.Write("s", "k", "new"));
    EXPECT_EQ(ini.Read("s", "k"), "old");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicWriteTest, AnUnreadableTargetIsNeverOverwritten) {
    // Something exists at the path but cannot be read as a file: a write
    // must fail instead of replacing it with a file that lacks its content.
    std::filesystem::create_directory(Path("config.ini"));
    WriteBytes(Path("config.ini") / "inside", "x");
    IniFile ini(Path("config.ini"));
    EXPECT_FALSE(ini.Write("s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(Path("config.ini")));
    EXPECT_EQ(ini.Read("s", "k"), "");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicWriteTest, ModesAndLinks) {
    // New files are private (the settings hold a password in plain text).
    ASSERT_TRUE(ReplaceFileAtomically(Path("new.ini"), "a"));
    EXPECT_EQ(ModeOf(Path("new.ini")), 0600u);

    WriteBytes(Path("shared.ini"), "a");
    ::chmod(Path("shared.ini").c_str(), 0644);
    ASSERT_TRUE(ReplaceFileAtomically(Path("shared.ini"), "b"));
    EXPECT_EQ(ModeOf(Path("shared.ini")), 0644u);
    EXPECT_EQ(ReadBytes(Path("shared.ini")), "b");

    // A symbolic link keeps pointing at the file, which gets the content.
    std::filesystem::create_directory(Path("real"));
    WriteBytes(Path("real") / "config.ini", "[s]\r\nk=1\r\n");
    std::filesystem::create_symlink(Path("real") / "config.ini", Path("link.ini"));
    ASSERT_TRUE(IniFile(Path("link.ini")).Write("s", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.ini")));
    EXPECT_EQ(ReadBytes(Path("real") / "config.ini"), "[s]\r\nk=2\r\n");
}

TEST_F(AtomicWriteTest, CreateNeverReplaces) {
    EXPECT_TRUE(CreateFileAtomically(Path("a"), "first"));
    EXPECT_FALSE(CreateFileAtomically(Path("a"), "second"));
    EXPECT_EQ(ReadBytes(Path("a")), "first");
    EXPECT_EQ(EntryCount(), 1u);
}

// Leftovers of writers killed mid-write go once they are old; a temporary
// that may belong to a write in progress, or any other file, stays.
TEST_F(AtomicWriteTest, OldLeftoverTemporariesAreSweptAfterAWrite) {
    const auto path = Path("config.ini");
    ASSERT_TRUE(ReplaceFileAtomically(path, "old"));
    auto make = [&](const std::string& name, std::chrono::minutes age) {
        std::ofstream(Path(name)) << "x";
        std::filesystem::last_write_time(Path(name), std::filesystem::file_time_type::clock::now() - age);
    };
    make(".config.ini.tmp-Ab3xZ9", std::chrono::minutes(30));
    make(".config.ini.tmp-Q1w2E3", std::chrono::minutes(1));
    make(".config.ini.tmp-Ab3xZ9x", std::chrono::minutes(30));
    make(".lumojl.ini.tmp-Ab3xZ9", std::chrono::minutes(30));
    make("config.ini.tmp-Ab3xZ9", std::chrono::minutes(30));
    ASSERT_TRUE(ReplaceFileAtomically(path, "new"));
    EXPECT_FALSE(std::filesystem::exists(Path(".config.ini.tmp-Ab3xZ9")));
    EXPECT_TRUE(std::filesystem::exists(Path(".config.ini.tmp-Q1w2E3")));
    EXPECT_TRUE(std::filesystem::exists(Path(".config.ini.tmp-Ab3xZ9x")));
    EXPECT_TRUE(std::filesystem::exists(Path(".lumojl.ini.tmp-Ab3xZ9")));
    EXPECT_TRUE(std::filesystem::exists(Path("config.ini.tmp-Ab3xZ9")));
    EXPECT_EQ(ReadBytes(path), "new");
}

TEST_F(AtomicWriteTest, ReadFileBytes) {
    EXPECT_FALSE(ReadFileBytes(Path("missing")).has_value());
    WriteBytes(Path("b"), std::string("x\0y", 3));
    EXPECT_EQ(ReadFileBytes(Path("b")), std::string("x\0y", 3));
}

}  // namespace
}  // namespace lumo::store
