#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "store/ini_file.h"
#include "temp_dir.h"

namespace lumo::store {
namespace {

using namespace std::string_literals;

class IniFileTest : public testing::TempDirTest {};

// GBK bytes of the Chinese names used below.
const std::string kPeiZhiGbk = "\xC5\xE4\xD6\xC3";   // 配置
const std::string kYinLiangGbk = "\xD2\xF4\xC1\xBF"; // 音量
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4"; // 中文

TEST_F(IniFileTest, MissingFileReadsEmpty) {
    IniFile ini(Path("none.ini"));
    EXPECT_EQ(ini.Read("a", "b"), "");
    EXPECT_EQ(ini.ReadText(), "");
}

TEST_F(IniFileTest, FirstWriteCreatesSectionInGbkWithCrLf) {
    IniFile ini(Path("config.ini"));
    ASSERT_TRUE(ini.Write("配置", "音量", "中文80"));
    EXPECT_EQ(ReadBytes(ini.Path()),
              "[" + kPeiZhiGbk + "]\r\n" + kYinLiangGbk + "=" + kZhongWenGbk + "80\r\n");
    EXPECT_EQ(ini.Read("配置", "音量"), "中文80");
    EXPECT_EQ(ini.ReadText(), "[配置]\r\n音量=中文80\r\n");
}

TEST_F(IniFileTest, ReplacesInPlaceAppendsToSectionAndCreatesSectionsAtTheEnd) {
    WriteBytes(Path("a.ini"),
               "; note\r\n[one]\r\nk1=v1\r\nk2 = v2\r\n\r\n[two]\r\nk3=v3\r\n");
    IniFile ini(Path("a.ini"));

    ASSERT_TRUE(ini.Write("one", "k1", "new"));
    EXPECT_EQ(ReadBytes(ini.Path()),
              "; note\r\n[one]\r\nk1=new\r\nk2 = v2\r\n\r\n[two]\r\nk3=v3\r\n");

    // A new key goes after the section's last entry, before the blank line.
    ASSERT_TRUE(ini.Write("one", "k9", "x"));
    EXPECT_EQ(ReadBytes(ini.Path()),
              "; note\r\n[one]\r\nk1=new\r\nk2 = v2\r\nk9=x\r\n\r\n[two]\r\nk3=v3\r\n");

    ASSERT_TRUE(ini.Write("two", "k4", "y"));
    ASSERT_TRUE(ini.Write("three", "k5", "z"));
    EXPECT_EQ(ReadBytes(ini.Path()),
              "; note\r\n[one]\r\nk1=new\r\nk2 = v2\r\nk9=x\r\n\r\n[two]\r\nk3=v3\r\nk4=y\r\n"
              "[three]\r\nk5=z\r\n");

    EXPECT_EQ(ini.Read("one", "k2"), "v2");
    EXPECT_EQ(ini.Read("two", "k1"), "");  // keys belong to their own section
    EXPECT_EQ(ini.Read("four", "k1"), "");
}

TEST_F(IniFileTest, NamesIgnoreAsciiCaseAndBlanks) {
    WriteBytes(Path("a.ini"), "  [ Settings ]  \nVolume=1\n\t Mixed Key \t=\t  spaced value \t\n");
    IniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.Read("settings", "VOLUME"), "1");
    EXPECT_EQ(ini.Read("SETTINGS", "mixed key"), "spaced value");
    EXPECT_EQ(ini.Read(" settings ", " Volume "), "1");

    // Writing with another case replaces the line rather than adding one;
    // LF-only files come back with CR LF everywhere.
    ASSERT_TRUE(ini.Write("SETTINGS", "volume", "2"));
    EXPECT_EQ(ReadBytes(ini.Path()),
              "  [ Settings ]  \r\nvolume=2\r\n\t Mixed Key \t=\t  spaced value \t\r\n");
}

TEST_F(IniFileTest, CaseFoldingNeverTouchesDoubleByteCharacters) {
    // 癆 is B0 41 and 癮 is B0 61 in GBK: they differ only in a trail byte
    // that looks like "A" and "a".
    WriteBytes(Path("a.ini"), "[\xB0\x41]\r\nk=first\r\n");
    IniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.Read("癆", "k"), "first");
    EXPECT_EQ(ini.Read("癮", "k"), "");
    ASSERT_TRUE(ini.Write("癮", "k", "second"));
    EXPECT_EQ(ini.Read("癆", "k"), "first");
    EXPECT_EQ(ini.Read("癮", "k"), "second");
}

TEST_F(IniFileTest, SectionNameEndingInATrailByteThatLooksLikeABracket) {
    // 癩 is B0 5D in GBK; its trail byte is "]".
    IniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Write("癩癩", "k", "v"));
    EXPECT_EQ(ReadBytes(ini.Path()), "[\xB0\x5D\xB0\x5D]\r\nk=v\r\n");
    EXPECT_EQ(ini.Read("癩癩", "k"), "v");
    EXPECT_EQ(ini.Read("癩", "k"), "");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWin) {
    WriteBytes(Path("a.ini"), "k=outside\r\n[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n");
    IniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.Read("s", "k"), "1");
    EXPECT_EQ(ini.Read("s", "j"), "");
    ASSERT_TRUE(ini.Write("s", "k", "9"));
    EXPECT_EQ(ReadBytes(ini.Path()), "k=outside\r\n[s]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n");
}

TEST_F(IniFileTest, KeysAreWholeNames) {
    WriteBytes(Path("a.ini"), "[s]\r\nkey2=b\r\nkey=a\r\n");
    IniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.Read("s", "key"), "a");
    EXPECT_EQ(ini.Read("s", "ke"), "");
}

TEST_F(IniFileTest, ValuesAreCutAt10239GbkBytesOnWholeCharacters) {
    IniFile ini(Path("a.ini"));
    std::string ascii(20000, 'x');
    ASSERT_TRUE(ini.Write("s", "long", ascii));
    EXPECT_EQ(ini.Read("s", "long"), std::string(10239, 'x'));

    // 10238 ASCII bytes then a two-byte character: it does not fit whole.
    ASSERT_TRUE(ini.Write("s", "wide", std::string(10238, 'y') + "中文"));
    EXPECT_EQ(ini.Read("s", "wide"), std::string(10238, 'y'));
    ASSERT_TRUE(ini.Write("s", "fits", std::string(10237, 'y') + "中文"));
    EXPECT_EQ(ini.Read("s", "fits"), std::string(10237, 'y') + "中");
}

TEST_F(IniFileTest, LineBreaksCannotSplitAnEntry) {
    IniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Write("s", "a", "1"));
    ASSERT_TRUE(ini.Write("s", "k\r\ney", "x\r\n[evil]\nb=2\rc"));
    ASSERT_TRUE(ini.Write("s", "z", "3"));
    EXPECT_EQ(ReadBytes(ini.Path()), "[s]\r\na=1\r\nk  ey=x  [evil] b=2 c\r\nz=3\r\n");
    EXPECT_EQ(ini.Read("s", "k\r\ney"), "x  [evil] b=2 c");
    EXPECT_EQ(ini.Read("evil", "b"), "");
    EXPECT_EQ(ini.Read("s", "z"), "3");
}

TEST_F(IniFileTest, TextEndsAtItsFirstZeroByte) {
    IniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Write("s", "k", "ab\0cd"s));
    EXPECT_EQ(ini.Read("s", "k"), "ab");
    EXPECT_EQ(ReadBytes(ini.Path()), "[s]\r\nk=ab\r\n");

    WriteBytes(Path("b.ini"), "[s]\r\nk=1\r\n\0[t]\r\nj=2\r\n"s);
    EXPECT_EQ(IniFile(Path("b.ini")).ReadText(), "[s]\r\nk=1\r\n");
}

TEST_F(IniFileTest, KeysWithEqualsSignAreReplacedNotDuplicated) {
    IniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Write("s", "a=b", "1"));
    ASSERT_TRUE(ini.Write("s", "a=b", "2"));
    EXPECT_EQ(ReadBytes(ini.Path()), "[s]\r\na=b=2\r\n");
    EXPECT_EQ(ini.Read("s", "a=b"), "2");
}

TEST_F(IniFileTest, NamesThatWouldReadBackAsSectionsAreRefused) {
    IniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Write("s", "k", "v"));
    const std::string before = ReadBytes(ini.Path());
    EXPECT_FALSE(ini.Write("s", "[x]", "v"));
    EXPECT_FALSE(ini.Write("s", "  [x", "v"));
    EXPECT_FALSE(ini.Write("a]b", "k", "v"));
    EXPECT_FALSE(ini.WriteKeys("s", {{"ok", "1"}, {"[bad", "2"}}));
    EXPECT_EQ(ReadBytes(ini.Path()), before);
    // A bracket inside a key or value is harmless.
    ASSERT_TRUE(ini.Write("s", "a[1]", "[v]"));
    EXPECT_EQ(ini.Read("s", "a[1]"), "[v]");
}

TEST_F(IniFileTest, BatchWriteEqualsKeyByKeyWrites) {
    const std::string start = "[s]\r\nold=1\r\nkeep=2\r\n\r\n[t]\r\nx=y\r\n";
    WriteBytes(Path("one.ini"), start);
    WriteBytes(Path("batch.ini"), start);
    std::vector<std::pair<std::string, std::string>> entries = {
        {"new", "a"}, {"OLD", "b"}, {"new", "c"}, {"名=甲", "乙"}, {"名=甲", "丙"}, {"more", ""}};
    for (const auto& [key, value] : entries) ASSERT_TRUE(IniFile(Path("one.ini")).Write("S", key, value));
    ASSERT_TRUE(IniFile(Path("batch.ini")).WriteKeys("S", entries));
    EXPECT_EQ(ReadBytes(Path("batch.ini")), ReadBytes(Path("one.ini")));

    // And into a section that does not exist yet.
    for (const auto& [key, value] : entries) ASSERT_TRUE(IniFile(Path("one.ini")).Write("u", key, value));
    ASSERT_TRUE(IniFile(Path("batch.ini")).WriteKeys("u", entries));
    EXPECT_EQ(ReadBytes(Path("batch.ini")), ReadBytes(Path("one.ini")));
    EXPECT_EQ(IniFile(Path("batch.ini")).Read("u", "名=甲"), "丙");
}

TEST_F(IniFileTest, ConcurrentWritersLoseNothing) {
    IniFile ini(Path("shared.ini"));
    constexpr int kThreads = 4;
    constexpr int kKeys = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
                // Separate objects for the same file share the lock.
                IniFile own(Path("shared.ini"));
                if (k % 2 == 0) {
                    own.Write("section" + std::to_string(k % 3), key, std::to_string(k));
                } else {
                    own.WriteKeys("batch", {{key, "a"}, {key + "b", "b"}});
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
            if (k % 2 == 0) {
                EXPECT_EQ(ini.Read("section" + std::to_string(k % 3), key), std::to_string(k)) << key;
            } else {
                EXPECT_EQ(ini.Read("batch", key), "a") << key;
                EXPECT_EQ(ini.Read("batch", key + "b"), "b") << key;
            }
        }
    }
    EXPECT_EQ(EntryCount(), 1u);  // no temporary files left
}

}  // namespace
}  // namespace lumo::store
