#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "store/history.h"
#include "store/ini_file.h"
#include "store/resume_positions.h"
#include "temp_dir.h"

namespace lumo::store {
namespace {

class HistoryTest : public testing::TempDirTest {};

}  // namespace

void PrintTo(const HistoryRow& row, std::ostream* out) {
    *out << "{" << row.name << " | " << row.size << " | " << row.sha1 << " | " << row.infoHash << "}";
}

namespace {

const HistoryRow kFirst{"电影.mkv", "1.37G", "AB12CD34EF56AB12CD34EF56AB12CD34EF56AB12",
                        "C658B772345BADF59296A16CE4AA930459F253CF"};
const HistoryRow kSecond{"Episode 2.mp4", "0.4G", "sha-two", "ih-two"};

TEST_F(HistoryTest, RoundTripInOrderAndExactLineForm) {
    IniFile history(Path("lumojl.ini"));
    ASSERT_TRUE(SaveHistory(history, {kFirst, kSecond}));
    EXPECT_EQ(LoadHistory(history), (std::vector<HistoryRow>{kFirst, kSecond}));
    EXPECT_EQ(history.ReadText(),
              "[播放记录]\r\n"
              "名电影.mkv名=size1.37Gsize----shaAB12CD34EF56AB12CD34EF56AB12CD34EF56AB12sha----hash"
              "C658B772345BADF59296A16CE4AA930459F253CFhash\r\n"
              "名Episode 2.mp4名=size0.4Gsize----shasha-twosha----hashih-twohash\r\n");

    // Saving the grown list again rewrites the old lines in place.
    HistoryRow third{"第三", "2G", "s3", "h3"};
    ASSERT_TRUE(SaveHistory(history, {kFirst, kSecond, third}));
    EXPECT_EQ(LoadHistory(history), (std::vector<HistoryRow>{kFirst, kSecond, third}));

    // Rows deleted from the queue are not removed from the file.
    ASSERT_TRUE(SaveHistory(history, {third}));
    EXPECT_EQ(LoadHistory(history).size(), 3u);
}

TEST_F(HistoryTest, MissingOrEmptyFileGivesNoRows) {
    EXPECT_TRUE(LoadHistory(IniFile(Path("none.ini"))).empty());
    WriteBytes(Path("empty.ini"), "");
    EXPECT_TRUE(LoadHistory(IniFile(Path("empty.ini"))).empty());
    // Saving nothing does not create the file.
    ASSERT_TRUE(SaveHistory(IniFile(Path("none.ini")), {}));
    EXPECT_FALSE(std::filesystem::exists(Path("none.ini")));
}

TEST_F(HistoryTest, NameEndingInTheMarkerCharacter) {
    IniFile history(Path("lumojl.ini"));
    HistoryRow row{"无名", "1G", "s", "h"};
    HistoryRow row2{"名名", "2G", "s2", "h2"};
    ASSERT_TRUE(SaveHistory(history, {row, row2}));
    EXPECT_EQ(LoadHistory(history), (std::vector<HistoryRow>{row, row2}));
}

TEST_F(HistoryTest, SameNameKeepsOneLineWithTheLaterValues) {
    IniFile history(Path("lumojl.ini"));
    HistoryRow again{kFirst.name, "9G", "other-sha", "other-ih"};
    ASSERT_TRUE(SaveHistory(history, {kFirst, kSecond, again}));
    EXPECT_EQ(LoadHistory(history), (std::vector<HistoryRow>{again, kSecond}));
}

TEST_F(HistoryTest, LoaderSkipsForeignLinesAndIgnoresCase) {
    WriteBytes(Path("h.ini"),
               "[\xB2\xA5\xB7\xC5\xBC\xC7\xC2\xBC]\r\n"
               "; a comment\r\n"
               "\xC3\xFB" "A" "\xC3\xFB" "=SIZE1Size----SHAs1sha----HASHh1Hash\r\n"
               "\xC3\xFB" "broken" "\xC3\xFB" "=size1\r\n"
               "garbage\r\n"
               "\xC3\xFB" "B" "\xC3\xFB" "=size2size----shas2sha----hashh2hash\r\n");
    std::vector<HistoryRow> rows = LoadHistory(IniFile(Path("h.ini")));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (HistoryRow{"A", "1", "s1", "h1"}));
    EXPECT_EQ(rows[1], (HistoryRow{"B", "2", "s2", "h2"}));
}

TEST_F(HistoryTest, AwkwardNamesStayOnOneLineAndDoNotMultiply) {
    IniFile history(Path("lumojl.ini"));
    std::vector<HistoryRow> rows = {
        {"a=b", "1G", "s1", "h1"},
        {"line\r\nbreak", "2G", "s2", "h2"},
        {"[bracket", "3G", "s3", "h3"},
        {";semi", "4G", "s4", "h4"},
    };
    ASSERT_TRUE(SaveHistory(history, rows));
    ASSERT_TRUE(SaveHistory(history, rows));  // saved twice: still one line each
    std::vector<HistoryRow> loaded = LoadHistory(history);
    ASSERT_EQ(loaded.size(), 4u);
    EXPECT_EQ(loaded[0], rows[0]);
    EXPECT_EQ(loaded[1].name, "line  break");
    EXPECT_EQ(loaded[2], rows[2]);
    EXPECT_EQ(loaded[3], rows[3]);
}

TEST_F(HistoryTest, ManyRowsInOneWrite) {
    IniFile history(Path("lumojl.ini"));
    std::vector<HistoryRow> rows;
    for (int i = 0; i < 300; ++i) {
        rows.push_back({"片" + std::to_string(i), std::to_string(i) + "G", "s" + std::to_string(i),
                        "h" + std::to_string(i)});
    }
    ASSERT_TRUE(SaveHistory(history, rows));
    EXPECT_EQ(LoadHistory(history), rows);
    EXPECT_EQ(EntryCount(), 1u);
}

}  // namespace
}  // namespace lumo::store

namespace lumo::store {

TEST_F(HistoryTest, ResumePlacesLiveBesideTheHistoryAndOnlyAwayFromStartAndEnd) {
    IniFile history(Path("lumojl.ini"));
    ASSERT_TRUE(SaveHistory(history, {kFirst, kSecond}));
    const std::string film = ResumeKeyForSha1("AB12CD34EF56AB12CD34EF56AB12CD34EF56AB12");
    const std::string local = ResumeKeyForPath("/home/u/Films/a=b [1].mkv");
    EXPECT_FALSE(ReadResumePosition(history, film)) << "an older file has no places";

    ASSERT_TRUE(KeepResumePosition(history, film, 754000, 5400000));
    ASSERT_TRUE(KeepResumePosition(history, local, 20000, 40000));
    EXPECT_EQ(ReadResumePosition(history, film), 754000);
    EXPECT_EQ(ReadResumePosition(history, local), 20000);
    // The played list reads as before.
    EXPECT_EQ(LoadHistory(history), (std::vector<HistoryRow>{kFirst, kSecond}));

    // Near the start or the end there is nothing to continue: forgotten.
    ASSERT_TRUE(KeepResumePosition(history, film, 9000, 5400000));
    ASSERT_TRUE(KeepResumePosition(history, local, 31000, 40000));
    EXPECT_FALSE(ReadResumePosition(history, film));
    EXPECT_FALSE(ReadResumePosition(history, local));
    EXPECT_EQ(history.ReadText().find("path-"), std::string::npos);
}

}  // namespace lumo::store
