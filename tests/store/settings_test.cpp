#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <thread>
#include <vector>

#include "store/default_config.h"
#include "store/favourites.h"
#include "store/ini_file.h"
#include "temp_dir.h"

namespace lumo::store {
namespace {

class SettingsTest : public testing::TempDirTest {};

// GBK through iconv directly, independent of Lumo's own conversions.
std::string IconvToGbk(const std::string& utf8) {
    iconv_t cd = ::iconv_open("GBK", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in = utf8;
    std::string out(in.size() * 2 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    EXPECT_NE(::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1));
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

const std::vector<std::string> kDefaultLines = {
    "[配置]",
    "音量=80",
    "[收藏]",
    "链-magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF-链=名-叶问3-名",
    "链-70CEB4531C5A72390DECC2C3A9A084C204689B36-链=名-恶棍天使-名",
    "链-magnet:?xt=urn:btih:C9C2A37448BD376CFDBE1C7DF5A9AC7385C9960A-链=名-卧虎藏龙：青冥宝剑-名",
    "链-magnet:?xt=urn:btih:1B66445126CD6C5F8085C8B39FC315F28208C079-链=名-寻龙诀-名",
    "链-magnet:?xt=urn:btih:7911B8A682C862F2A322296C4B860DA36CB720C9-链=名-万万没想到-名",
    "链-magnet:?xt=urn:btih:2af0bf166752d4ef9be127be2441104d813050c2-链=名-潮流教主-名",
};

TEST_F(SettingsTest, DefaultConfigIsExactly510GbkBytes) {
    std::string expected;
    for (const std::string& line : kDefaultLines) expected += IconvToGbk(line) + "\r\n";
    ASSERT_EQ(expected.size(), 510u);
    EXPECT_EQ(DefaultConfigBytes(), expected);

    ASSERT_TRUE(EnsureDefaultConfig(Path("config.ini")));
    EXPECT_EQ(ReadBytes(Path("config.ini")), expected);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SettingsTest, DefaultConfigNeverReplacesAnExistingFile) {
    WriteBytes(Path("config.ini"), "");
    EXPECT_TRUE(EnsureDefaultConfig(Path("config.ini")));
    EXPECT_EQ(ReadBytes(Path("config.ini")), "");

    // Several first starts racing: one file, the default content, no leftovers.
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] { EXPECT_TRUE(EnsureDefaultConfig(Path("race.ini"))); });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(ReadBytes(Path("race.ini")), DefaultConfigBytes());
    EXPECT_EQ(EntryCount(), 2u);

    EXPECT_FALSE(EnsureDefaultConfig(Path("no-such-dir") / "config.ini"));
}

TEST_F(SettingsTest, FirstStartShowsVolumeAndSixFavourites) {
    ASSERT_TRUE(EnsureDefaultConfig(Path("config.ini")));
    IniFile config(Path("config.ini"));
    EXPECT_EQ(ReadVolume(config), 80);
    std::vector<FavouriteRow> rows = LoadFavourites(config);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].name, "叶问3");
    EXPECT_EQ(rows[0].link, "magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF");
    EXPECT_EQ(rows[1].name, "恶棍天使");
    EXPECT_EQ(rows[1].link, "70CEB4531C5A72390DECC2C3A9A084C204689B36");
    EXPECT_EQ(rows[2].name, "卧虎藏龙：青冥宝剑");
    EXPECT_EQ(rows[5].link, "magnet:?xt=urn:btih:2af0bf166752d4ef9be127be2441104d813050c2");
}

TEST_F(SettingsTest, VolumeThatIsNotANumberIsZero) {
    IniFile config(Path("config.ini"));
    EXPECT_EQ(ReadVolume(config), 0);  // no file
    ASSERT_TRUE(config.Write("配置", "音量", ""));
    EXPECT_EQ(ReadVolume(config), 0);
    ASSERT_TRUE(config.Write("配置", "音量", "loud"));
    EXPECT_EQ(ReadVolume(config), 0);
    ASSERT_TRUE(config.Write("配置", "音量", "35"));
    EXPECT_EQ(ReadVolume(config), 35);
    ASSERT_TRUE(config.Write("配置", "音量", "99999999999999"));
    EXPECT_EQ(ReadVolume(config), 2147483647);
}

TEST_F(SettingsTest, MoreLinksThanNamesNeverReadsPastTheNames) {
    IniFile config(Path("config.ini"));
    WriteBytes(config.Path(), IconvToGbk("[收藏]\r\n链-A-链=名-甲-名\r\n链-B-链=nothing\r\n链-C-链=\r\n"));
    std::vector<FavouriteRow> rows = LoadFavourites(config);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "甲");
    EXPECT_EQ(rows[0].link, "A");
    EXPECT_EQ(rows[1].name, "");
    EXPECT_EQ(rows[1].link, "B");
    EXPECT_EQ(rows[2].name, "");
    EXPECT_EQ(rows[2].link, "C");

    // Names without links make no rows.
    EXPECT_TRUE(FavouritesFromText("名-甲-名名-乙-名").empty());
    // Markers are found anywhere, whatever the line structure.
    rows = FavouritesFromText("x链-L1-链y名-N\r\n1-名 链-l2-链");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "N\r\n1");
    EXPECT_EQ(rows[1].link, "l2");
}

TEST_F(SettingsTest, AddedFavouriteReadsBackAsMagnetLink) {
    ASSERT_TRUE(EnsureDefaultConfig(Path("config.ini")));
    IniFile config(Path("config.ini"));
    const std::string hash = "0123456789ABCDEF0123456789ABCDEF01234567";
    ASSERT_TRUE(WriteFavourite(config, hash, "新片"));
    std::vector<FavouriteRow> rows = LoadFavourites(config);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[6].name, "新片");
    EXPECT_EQ(rows[6].link, "magnet:?xt=urn:btih:" + hash);
    EXPECT_EQ(ReadBytes(config.Path()).substr(510),
              IconvToGbk("链-magnet:?xt=urn:btih:" + hash + "-链=名-新片-名\r\n"));

    // The same hash again keeps one line with the later name.
    ASSERT_TRUE(WriteFavourite(config, hash, "改名"));
    rows = LoadFavourites(config);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[6].name, "改名");

    // A title with a line break stays on its line; the next entry is intact.
    ASSERT_TRUE(WriteFavourite(config, "FFFF", "上\r\n[配置]\r\n音量=5"));
    ASSERT_TRUE(WriteFavourite(config, "EEEE", "下"));
    rows = LoadFavourites(config);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[7].name, "上  [配置]  音量=5");
    EXPECT_EQ(rows[8].name, "下");
    EXPECT_EQ(ReadVolume(config), 80);
}

TEST_F(SettingsTest, DuplicateCheckIsAPlainSubstringSearch) {
    ASSERT_TRUE(EnsureDefaultConfig(Path("config.ini")));
    IniFile config(Path("config.ini"));
    EXPECT_TRUE(FileTextContains(config, "寻龙诀"));
    EXPECT_TRUE(FileTextContains(config, "寻龙"));  // part of another name
    EXPECT_TRUE(FileTextContains(config, "收藏"));  // a section name
    EXPECT_TRUE(FileTextContains(config, "C658B772345BADF59296A16CE4AA930459F253CF"));
    EXPECT_FALSE(FileTextContains(config, "c658b772345badf59296a16ce4aa930459f253cf"));
    EXPECT_FALSE(FileTextContains(config, "功夫"));
    EXPECT_FALSE(FileTextContains(IniFile(Path("missing.ini")), "x"));
}

}  // namespace
}  // namespace lumo::store
