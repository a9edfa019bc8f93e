#include "engine/file_remover.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "engine/test_support.h"

namespace lumo::engine {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Waits up to 5 s for `done`.
bool Eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// A replaced copy frees its path at once and is gone once the remover has
// finished, whichever way it was handed over; what is not a copy of the film
// is never touched.
TEST(FileRemoverTest, AnOldCopyIsMovedOutOfTheWayAndDeletedAndNothingElseIsTouched) {
    TempDir dir;
    const fs::path copy = dir / "Film.mp4";
    const fs::path target = dir / "elsewhere.mp4";
    const fs::path link = dir / "Linked.mp4";
    Write(copy, std::string(300000, 'x'));
    Write(target, "kept");
    fs::create_symlink(target, link);
    Write(dir / "Empty.mp4", "");
    // A sanitizer's run-time starts a thread of its own with the first
    // thread of the program; it is there before the count is taken.
    std::thread([] {}).join();
    const size_t threads = EntryCount("/proc/self/task");
    {
        FileRemover remover;
        ASSERT_TRUE(remover.RemoveLater(copy.string()));
        EXPECT_FALSE(fs::exists(copy));
        // The path takes the new copy while the old one is still going.
        Write(copy, "new");
        // Film.mp4, elsewhere.mp4, Linked.mp4, Empty.mp4: no hidden leftover,
        // and no thread stays behind for a next deletion.
        EXPECT_TRUE(Eventually([&] { return EntryCount(dir.path()) == 4; }));
        EXPECT_TRUE(Eventually([&] { return EntryCount("/proc/self/task") == threads; }));
        // A second copy gets a worker again.
        Write(copy, std::string(1000, 'y'));
        ASSERT_TRUE(remover.RemoveLater(copy.string()));
        Write(copy, "new");
        // Moved aside but never handed to a worker: the remover deletes it as it goes.
        Write(dir / "Other.mp4", std::string(1000, 'z'));
        ASSERT_TRUE(remover.MoveAside((dir / "Other.mp4").string()));
        EXPECT_FALSE(fs::exists(dir / "Other.mp4"));

        EXPECT_FALSE(remover.RemoveLater(link.string()));
        EXPECT_FALSE(remover.RemoveLater((dir / "Empty.mp4").string()));
        EXPECT_FALSE(remover.RemoveLater((dir / "missing.mp4").string()));
    }
    EXPECT_EQ(ReadBytes(copy), "new");
    EXPECT_EQ(ReadBytes(link), "kept");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(EntryCount(dir.path()), 4u);
}

}  // namespace
}  // namespace lumo::engine
