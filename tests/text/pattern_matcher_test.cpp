#include "text/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace lumo::text {
namespace {

// Every match's groups 1..groups, in order.
std::vector<std::vector<std::string>> AllGroups(const PatternMatcher& m, int groups) {
    std::vector<std::vector<std::string>> out;
    for (int i = 1; i <= m.MatchCount(); ++i) {
        std::vector<std::string> row;
        for (int g = 1; g <= groups; ++g) row.push_back(m.SubMatchText(i, g));
        out.push_back(row);
    }
    return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(PatternMatcherState, EmptyBeforeAnySearch) {
    PatternMatcher m;
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_EQ(m.SubMatchText(1, 1), "");
}

TEST(PatternMatcherState, NoMatchAndEmptyTextAreSuccessfulSearches) {
    PatternMatcher m;
    EXPECT_TRUE(m.Search("<b>(.*?)</b>", "nothing bold here"));
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_TRUE(m.Search("<b>(.*?)</b>", ""));
    EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcherState, BadPatternFailsAndForgetsTheEarlierSearch) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("(a)", "aaa"));
    ASSERT_EQ(m.MatchCount(), 3);
    EXPECT_FALSE(m.Search("(a", "aaa"));
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_EQ(m.SubMatchText(1, 1), "");
    EXPECT_FALSE(m.Search("abc\\", "abc\\"));  // a lone backslash at the end
    EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcherState, OutOfRangeIndicesAndSkippedGroupsAreEmpty) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("(x)|(y)", "xy"));
    ASSERT_EQ(m.MatchCount(), 2);
    EXPECT_EQ(m.SubMatchText(1, 1), "x");
    EXPECT_EQ(m.SubMatchText(1, 2), "");  // took no part
    EXPECT_EQ(m.SubMatchText(2, 1), "");
    EXPECT_EQ(m.SubMatchText(2, 2), "y");
    EXPECT_EQ(m.SubMatchText(3, 1), "");   // one above the count
    EXPECT_EQ(m.SubMatchText(1, 0), "");   // group 0 is not offered
    EXPECT_EQ(m.SubMatchText(0, 1), "");
    EXPECT_EQ(m.SubMatchText(1, 3), "");
    EXPECT_EQ(m.SubMatchText(-1, -1), "");
}

TEST(PatternMatcherState, ResultsOutliveTheCallersText) {
    PatternMatcher m;
    {
        std::string page = "<i>kept</i>";
        ASSERT_TRUE(m.Search("<i>(.*?)</i>", page));
        page.assign(page.size(), 'z');
    }
    EXPECT_EQ(m.SubMatchText(1, 1), "kept");
}

TEST(PatternMatcherFlags, CaseIgnoredUnlessAsked) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("<em>", "a <EM>b</EM>"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("<em>", "a <EM>b</EM>", /*caseSensitive=*/true));
    EXPECT_EQ(m.MatchCount(), 0);
    // Folding is not limited to ASCII letters.
    ASSERT_TRUE(m.Search("(ä)", "Ä"));
    EXPECT_EQ(m.MatchCount(), 1);
}

TEST(PatternMatcherFlags, QuotePlaceholder) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("a#引号b", "xa\"by", false, true, true, /*quotePlaceholder=*/true));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("a#引号b", "xa\"by", false, true, true, false));
    EXPECT_EQ(m.MatchCount(), 0);
    ASSERT_TRUE(m.Search("a#引号b", "xa#引号by", false, true, true, false));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("href=#引号(.*?)#引号", "<a href=\"/x\">", false, true, true, true));
    EXPECT_EQ(m.SubMatchText(1, 1), "/x");
}

TEST(PatternMatcherFlags, MultilineAnchors) {
    PatternMatcher m;
    const std::string text = "one\r\ntwo\nthree\rfour";
    ASSERT_TRUE(m.Search("^(\\w+)$", text));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"one"}, {"two"}, {"three"}, {"four"}}));
    ASSERT_TRUE(m.Search("^(\\w+)$", text, false, /*multiline=*/false));
    EXPECT_EQ(m.MatchCount(), 0);
    ASSERT_TRUE(m.Search("^(\\w+)", text, false, false));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"one"}}));
    // '^' also matches behind a final line break.
    ASSERT_TRUE(m.Search("^", "a\n"));
    EXPECT_EQ(m.MatchCount(), 2);
    // Without multiline '$' is the very end only, not before a final LF.
    ASSERT_TRUE(m.Search("(\\w+)$", "end\n", false, false));
    EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcherFlags, GlobalOffKeepsTheFirstMatch) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("(\\d+)", "1 22 333", false, true, /*global=*/false));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"1"}}));
}

TEST(PatternMatcherDialect, DotStopsAtCrAndLf) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("<a>(.*?)</a>", "<a>one\n</a><a>two\r</a><a>three</a>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"three"}}));
    ASSERT_TRUE(m.Search("<a>([\\s\\S]*?)</a>", "<a>one\r\n</a>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"one\r\n"}}));
    // A link whose closing tag is on the next line is not matched.
    const std::string page =
        "href=\"/torrent/K1.html\" target=\"_blank\">split\n</a>\n"
        "href=\"/torrent/K2.html\" target=\"_blank\">whole</a>";
    ASSERT_TRUE(m.Search("href=\"/torrent/(.*?).html\" target=\"_blank\">(.*?)</a>", page));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"K2", "whole"}}));
}

TEST(PatternMatcherDialect, WordClassIsAsciiOnly) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("(\\w+)", "abc中文_9"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"abc"}, {"_9"}}));
    ASSERT_TRUE(m.Search("([^\\w]+)", "ab中文cd"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"中文"}}));
    ASSERT_TRUE(m.Search("\\b(\\w)", "中a"));  // '中' is not a word character
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"a"}}));
}

TEST(PatternMatcherDialect, ChineseCharacterIsOneCharacter) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("名(.)名", "名片名"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"片"}}));
    ASSERT_TRUE(m.Search("[：]", "大小：1G"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("^(.{2})$", "中文"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"中文"}}));
}

TEST(PatternMatcherDialect, BracesThatAreNotQuantifiersAreLiteral) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("a{2}", "aaa"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("(a{1,})", "aaa b"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"aaa"}}));
    for (const char* literal : {"x{", "x{}", "x{,3}", "x{a}", "}x", "x{1", "x{1,2"}) {
        ASSERT_TRUE(m.Search(literal, std::string("..") + literal + "..")) << literal;
        EXPECT_EQ(m.MatchCount(), 1) << literal;
    }
}

TEST(PatternMatcherDialect, LazyQuantifiersTakeTheShortestRun) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("<b>(.*?)</b>", "<b>1</b><b>2</b>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"1"}, {"2"}}));
    ASSERT_TRUE(m.Search("<b>(.*)</b>", "<b>1</b><b>2</b>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"1</b><b>2"}}));
    ASSERT_TRUE(m.Search("<b>(.+?)</b>", "<b></b><b>x</b>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"</b><b>x"}}));
}

TEST(PatternMatcherDialect, EmptyMatchesAdvanceOneCharacter) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("(x*)", "中x文"));
    // Empty before 中, "x", empty before 文 and at the end: never two
    // matches at one position, never a byte inside a character.
    EXPECT_EQ(AllGroups(m, 1), (Rows{{""}, {"x"}, {""}, {""}}));
    ASSERT_TRUE(m.Search("()", "ab"));
    EXPECT_EQ(m.MatchCount(), 3);
}

TEST(PatternMatcherDialect, EscapesOfTheScriptDialect) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("\\[\\]\\(\\)\\{\\}\\+\\*\\?", "[](){}+*?"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("a\\nb", "a\nb"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("a\nb", "a\nb"));  // a raw LF in the pattern
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("\\u4e2d\\x41", "中A"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("\\v", "\v"));  // vertical tab, not a class
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("\\v", "\n"));
    EXPECT_EQ(m.MatchCount(), 0);
    // A backslash before a letter without a meaning stands for the letter.
    ASSERT_TRUE(m.Search("\\h\\K\\Q", "hKQ", true));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("\\xZ", "xZ"));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("([-\\w]+)", "utf-8;"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"utf-8"}}));
    // '[' inside a class is plain: no POSIX classes, the first ']' ends it.
    ASSERT_TRUE(m.Search("([[:alpha:]]+)", "x:]]"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{":]]"}}));
}

TEST(PatternMatcherDialect, EmptyClasses) {
    PatternMatcher m;
    // [^] is any character, line breaks included.
    ASSERT_TRUE(m.Search("a[^]b", "a\nb a\rb a中b ab"));
    EXPECT_EQ(m.MatchCount(), 3);
    ASSERT_TRUE(m.Search("a[]b", "ab a b"));
    EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcherText, BrokenUtf8NeitherFailsNorMatchesAsCharacters) {
    PatternMatcher m;
    const std::string text = "<b>\xFF\xFEok</b><b>\xE4\xB8</b><b>中</b>\xC3";
    ASSERT_TRUE(m.Search("<b>(.*?)</b>", text));
    // Broken bytes are not characters, so '.' does not step over them.
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"中"}}));
    ASSERT_TRUE(m.Search("(ok)", text));
    EXPECT_EQ(m.MatchCount(), 1);
    ASSERT_TRUE(m.Search("()", "\xFF\xFF"));
    EXPECT_EQ(m.MatchCount(), 3);
}

TEST(PatternMatcherText, SeparateMatchersOnSeveralThreads) {
    std::string page;
    for (int i = 0; i < 500; ++i) page += "<li>" + std::to_string(i) + "</li>\n";
    std::vector<int> counts(4, -1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            int total = 0;
            for (int round = 0; round < 20; ++round) {
                PatternMatcher m;
                if (m.Search("<li>(\\d+)</li>", page)) total += m.MatchCount();
            }
            counts[t] = total;
        });
    }
    for (auto& th : threads) th.join();
    for (const int c : counts) EXPECT_EQ(c, 500 * 20);
}

// The patterns Lumo's parsers use, each over a sample of the text it reads.
TEST(PatternMatcherParsers, CharsetDeclaration) {
    PatternMatcher m;
    const char* pattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
    ASSERT_TRUE(m.Search(pattern,
                         "<html><head><META http-equiv=\"Content-Type\" "
                         "content=\"text/html; charset=gb2312\" /></head>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"gb2312"}}));
    ASSERT_TRUE(m.Search(pattern, "<head>\r\n<meta charset=\"utf-8\">\r\n"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"utf-8"}}));
}

TEST(PatternMatcherParsers, FileListAnswer) {
    PatternMatcher m;
    const std::string answer =
        "{\"ret\":0,\"data\":[{\"index\":0,\"name\":\"影片.mkv\",\"size\":\"1288490188\","
        "\"sha1\":\"1f2e3d4c5b6a79880011223344556677889900aa\"},{\"index\":1,\"name\":"
        "\"说明.txt\",\"size\":\"120\",\"sha1\":\"00000000000000000000000000000000000000ff\"}]}";
    ASSERT_TRUE(m.Search("#引号index#引号:(.*?),#引号name#引号:#引号(.*?)#引号,#引号size#引号:"
                         "#引号(.*?)#引号,#引号sha1#引号:#引号(.*?)#引号",
                         answer, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 4),
              (Rows{{"0", "影片.mkv", "1288490188", "1f2e3d4c5b6a79880011223344556677889900aa"},
                    {"1", "说明.txt", "120", "00000000000000000000000000000000000000ff"}}));
}

TEST(PatternMatcherParsers, HistoryFile) {
    PatternMatcher m;
    const std::string ini =
        "[jl]\r\n1=名影片A.mp4名=size123size----shaAAAsha----hashHHH1hash\r\n"
        "2=名影片B.mkv名=size456size----shaBBBsha----hashHHH2hash\r\n";
    ASSERT_TRUE(m.Search("名(.*?)名=size(.*?)size----sha(.*?)sha----hash(.*?)hash", ini));
    EXPECT_EQ(AllGroups(m, 4), (Rows{{"影片A.mp4", "123", "AAA", "HHH1"},
                                     {"影片B.mkv", "456", "BBB", "HHH2"}}));
}

TEST(PatternMatcherParsers, TorrentSearchPage) {
    PatternMatcher m;
    const std::string page =
        "<div class=\"item\"><h3><a href=\"/torrent/3A9F.html\" target=\"_blank\">"
        "<em>流浪</em>地球 1080p</a></h3>\r\n"
        "<span>文件大小：<b class=\"cpill yellow-pill\">2.3 GB</b></span></div>\r\n";
    ASSERT_TRUE(m.Search("href=#引号/torrent/(.*?).html#引号 target=#引号_blank#引号>(.*?)</a>",
                         page, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"3A9F", "<em>流浪</em>地球 1080p"}}));
    ASSERT_TRUE(m.Search("文件大小：<b .*?>(.*?)</b>", page, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"2.3 GB"}}));
    // The unescaped '.' before "html" is a wildcard.
    ASSERT_TRUE(m.Search("href=\"/torrent/(.*?).html\"", "href=\"/torrent/K_html\""));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"K"}}));
}

TEST(PatternMatcherParsers, FilmSitePages) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("href=\"(.*?)\"><em>(.*?)</a></h5></li>",
                         "<li><h5><a href=\"/movie/12.html\"><em>霸王别姬</em> (1993)</a></h5></li>"));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"/movie/12.html", "霸王别姬</em> (1993)"}}));
    ASSERT_TRUE(m.Search("<a href=\"(.*?)\" class=\"ico ico_bt\">(.*?)</a>",
                         "<a href=\"/bt/7.html\" class=\"ico ico_bt\">霸王别姬.BluRay.torrent</a>"));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"/bt/7.html", "霸王别姬.BluRay.torrent"}}));
    ASSERT_TRUE(m.Search("<td class=\"nobr center\">(.*?)B</td>",
                         "<td class=\"nobr center\">4.37 GB</td>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"4.37 G"}}));
    const std::string details =
        "<p><strong>导演:</strong>\n<div>\n<a href=\"/p/1\">陈凯歌</a> </div></p>"
        "<p><strong>类型:</strong>\n<div>\n剧情 / 爱情 </div></p>";
    ASSERT_TRUE(m.Search("<strong>(.*?)</strong>\n<div>\n(.*?) </div>", details, true, true, true,
                         false));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"导演:", "<a href=\"/p/1\">陈凯歌</a>"},
                                     {"类型:", "剧情 / 爱情"}}));
    ASSERT_TRUE(m.Search("\">(.*?)</a>", "<a href=\"/p/1\">陈凯歌</a> / <a href=\"/p/2\">张国荣</a>"));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"陈凯歌"}, {"张国荣"}}));
}

TEST(PatternMatcherParsers, JsonSearchAnswerWithLiteralBraces) {
    PatternMatcher m;
    const std::string answer =
        "[{\"hash\":\"AB12\",\"title\":\"电影一\",\"size\":\"1.2G\",\"day\":\"2020-01-01\","
        "\"hot\":3},{\"hash\":\"CD34\",\"title\":\"电影二\",\"size\":\"700M\",\"day\":\"x\"}]";
    ASSERT_TRUE(m.Search("{#引号hash#引号:#引号(.*?)#引号,#引号title#引号:#引号(.*?)#引号,"
                         "#引号size#引号:#引号(.*?)#引号,#引号day#引号.*?}",
                         answer, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 3), (Rows{{"AB12", "电影一", "1.2G"}, {"CD34", "电影二", "700M"}}));
}

TEST(PatternMatcherParsers, ResourceListsAndKeywordPages) {
    PatternMatcher m;
    ASSERT_TRUE(m.Search("名(.*?)名---分割啊---磁(.*?)磁",
                         "名5Lit5paH名---分割啊---磁0123456789abcdef0123456789abcdef01234567磁<br>"));
    EXPECT_EQ(AllGroups(m, 2),
              (Rows{{"5Lit5paH", "0123456789abcdef0123456789abcdef01234567"}}));
    ASSERT_TRUE(m.Search("名称(.*?)名称------磁力(.*?)磁力", "名称片A名称------磁力H1磁力\n"
                                                           "名称片B名称------磁力H2磁力"));
    EXPECT_EQ(AllGroups(m, 2), (Rows{{"片A", "H1"}, {"片B", "H2"}}));
    const std::string keywords =
        "<a style=\"margin-bottom:10px;\">科幻</a><a style=\"padding-bottom:10px;\">动作</a>";
    ASSERT_TRUE(m.Search("bottom:10px;#引号>(.*?)</a>", keywords, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"科幻"}, {"动作"}}));
    ASSERT_TRUE(m.Search("-bottom:10px;#引号>(.*?)</a>", keywords, false, true, true, true));
    EXPECT_EQ(AllGroups(m, 1), (Rows{{"科幻"}, {"动作"}}));
}

}  // namespace
}  // namespace lumo::text
