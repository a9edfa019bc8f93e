#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "store/data_directory.h"
#include "temp_dir.h"

namespace lumo::store {
namespace {

// Sets or clears an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) saved_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

class DataDirectoryTest : public testing::TempDirTest {};

TEST_F(DataDirectoryTest, LumoHomeComesFirst) {
    ScopedEnv home("LUMO_HOME", Path("mine").c_str());
    ScopedEnv xdg("XDG_DATA_HOME", Path("xdg").c_str());
    EXPECT_EQ(DataDirectory(), Path("mine"));
    EXPECT_TRUE(std::filesystem::is_directory(Path("mine")));
    EXPECT_EQ(ConfigIniPath(), Path("mine") / "config.ini");
    EXPECT_EQ(HistoryIniPath(), Path("mine") / "lumojl.ini");
    EXPECT_EQ(CacheDirectory(), Path("mine") / "lumohc");
    EXPECT_EQ(CodecDirectory(), Path("mine") / "codecs");
}

TEST_F(DataDirectoryTest, ThenXdgDataHomeThenHome) {
    ScopedEnv lumo("LUMO_HOME", nullptr);
    {
        ScopedEnv xdg("XDG_DATA_HOME", Path("xdg").c_str());
        EXPECT_EQ(DataDirectory(), Path("xdg") / "lumo");
        EXPECT_TRUE(std::filesystem::is_directory(Path("xdg") / "lumo"));
    }
    ScopedEnv home("HOME", Path("home").c_str());
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(DataDirectory(), Path("home") / ".local/share/lumo");
    }
    ScopedEnv xdg("XDG_DATA_HOME", "");
    EXPECT_EQ(DataDirectory(), Path("home") / ".local/share/lumo");
    EXPECT_TRUE(std::filesystem::is_directory(Path("home") / ".local/share/lumo"));
}

}  // namespace
}  // namespace lumo::store
