// The parsers and addresses of the searches, the film site and the
// operators' lists, on pages written here.

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "sources/film_pages.h"
#include "sources/json_search_answer.h"
#include "sources/resource_pages.h"
#include "sources/source_names.h"
#include "sources/torrent_site_page.h"
#include "text/charset.h"
#include "text/script_unescape.h"

namespace lumo::sources {
namespace {

std::string SiteItem(const std::string& key, const std::string& title) {
    return "<h3><a href=\"/torrent/" + key + ".html\" target=\"_blank\">" + title + "</a></h3>\n";
}
std::string SiteSize(const std::string& size) {
    return "<span>文件大小：<b class=\"cpill yellow-pill\">" + size + "</b></span>\n";
}
std::string Hash(int n) {
    std::string hash = std::to_string(n);
    return std::string(40 - hash.size(), 'A') + hash;
}

TEST(TorrentSitePage, PairsTitlesWithSizesInOrderAndStripsEmTags) {
    std::string page = "<html><body>\n";
    for (int i = 1; i <= 20; ++i) {
        page += SiteItem(Hash(i), "Movie <em>Birds</em> part <em>" + std::to_string(i) + "</em> <EM>x</EM>");
        if (i <= 18) page += SiteSize(std::to_string(i) + ".5 GB");
    }
    const SearchOutcome outcome = ParseTorrentSitePage(page);
    ASSERT_TRUE(outcome.matched);
    ASSERT_EQ(outcome.rows.size(), 20u);
    // Only the exact lower-case tags go; everything else stays as it was.
    EXPECT_EQ(outcome.rows[0].title, "Movie Birds part 1 <EM>x</EM>");
    EXPECT_EQ(outcome.rows[0].key, Hash(1));
    EXPECT_EQ(outcome.rows[0].size, "1.5 GB");
    EXPECT_EQ(outcome.rows[17].size, "18.5 GB");
    EXPECT_EQ(outcome.rows[18].size, "");
    EXPECT_EQ(outcome.rows[19].size, "");
    EXPECT_EQ(outcome.rows[19].key, Hash(20));
}

TEST(TorrentSitePage, PageWithoutTitleLinksMatchesNothing) {
    const SearchOutcome outcome = ParseTorrentSitePage("<div>没有找到相关的结果</div>" + SiteSize("1 GB"));
    EXPECT_FALSE(outcome.matched);
    EXPECT_TRUE(outcome.rows.empty());
    EXPECT_FALSE(ParseTorrentSitePage("").matched);
}

TEST(SearchAddresses, KeywordGoesInAsTypedSaveForAddressStructure) {
    EXPECT_EQ(TorrentSiteAddress("h:1", "abc", 2), "http://h:1/q/abc_rel_2.html");
    EXPECT_EQ(TorrentSiteAddress("h:1", "", 1), "http://h:1/q/_rel_1.html");
    EXPECT_EQ(TorrentSiteAddress("h", "逆光 飞鸟", 1), "http://h/q/逆光 飞鸟_rel_1.html");
    EXPECT_EQ(TorrentSiteAddress("h", "C#/1?%", 1), "http://h/q/C%23%2F1%3F%25_rel_1.html");
    EXPECT_EQ(JsonApiAddress("1.2.3.4", "a&page=9+b", 3, "1401580800"),
              "http://1.2.3.4/plugin.php?id=hc_115&mod=api&ac=acquisition&w=a%26page=9%2Bb&page=3&_=1401580800");
    EXPECT_EQ(FilmSearchAddress("f:2", "Tom & Jerry"), "http://f:2/search?q=Tom %26 Jerry");
}

std::tm Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(SearchTimestamp, CountsFromEightOClockOnNewYear1970) {
    EXPECT_EQ(SearchTimestamp(Local(2014, 6, 1, 8, 0, 0)), "1401580800");
    EXPECT_EQ(SearchTimestamp(Local(1970, 1, 1, 8, 0, 0)), "0");
    EXPECT_EQ(SearchTimestamp(Local(2000, 3, 1, 8, 0, 1)), "951868801");  // past a leap day
    // Before the epoch the count is written without its sign; past 2286 it
    // has eleven digits and keeps the first ten.
    EXPECT_EQ(SearchTimestamp(Local(1970, 1, 1, 7, 59, 0)), "60");
    EXPECT_EQ(SearchTimestamp(Local(2300, 1, 1, 8, 0, 0)), "1041379200");
    // The current time: ten digits, every one of them a digit.
    const std::string now = SearchTimestamp();
    EXPECT_EQ(now.size(), 10u);
    EXPECT_EQ(now.find_first_not_of("0123456789"), std::string::npos);
}

std::string JsonItem(const std::string& hash, const std::string& title, const std::string& size) {
    return "{\"hash\":\"" + hash + "\",\"title\":\"" + title + "\",\"size\":\"" + size +
           "\",\"day\":\"2016-01-02\",\"hot\":\"5\"}";
}

TEST(JsonSearchAnswer, ListsTheFirstThirtyItemsOnly) {
    std::string answer = "{\"status\":1,\"data\":[";
    for (int i = 1; i <= 45; ++i) answer += (i > 1 ? "," : "") + JsonItem(Hash(i), "T" + std::to_string(i), "1 GB");
    answer += "]}";
    const SearchOutcome outcome = ParseJsonSearchAnswer(answer);
    ASSERT_TRUE(outcome.matched);
    ASSERT_EQ(outcome.rows.size(), 30u);
    EXPECT_EQ(outcome.rows.front(), (SearchResult{"T1", "1 GB", Hash(1)}));
    EXPECT_EQ(outcome.rows.back().title, "T30");
}

TEST(JsonSearchAnswer, SkipsEmptyTitlesWithinTheThirtyPasses) {
    std::string answer = "[";
    for (int i = 1; i <= 31; ++i) answer += JsonItem(Hash(i), i == 2 ? "" : "T" + std::to_string(i), "") + ",";
    answer += "]";
    const SearchOutcome outcome = ParseJsonSearchAnswer(answer);
    // Item 2 is skipped and item 31 is past the passes: 29 rows.
    ASSERT_EQ(outcome.rows.size(), 29u);
    EXPECT_EQ(outcome.rows[1].title, "T3");
    EXPECT_EQ(outcome.rows.back().title, "T30");
}

TEST(JsonSearchAnswer, OnlyTheFixedMemberOrderIsRead) {
    const std::string reordered = "{\"title\":\"X\",\"hash\":\"" + Hash(1) + "\",\"size\":\"1\",\"day\":\"d\"}";
    EXPECT_FALSE(ParseJsonSearchAnswer(reordered).matched);
    EXPECT_FALSE(ParseJsonSearchAnswer("").matched);
    EXPECT_FALSE(ParseJsonSearchAnswer("<html>502 Bad Gateway</html>").matched);
    // The item must also close.
    EXPECT_FALSE(ParseJsonSearchAnswer("{\"hash\":\"a\",\"title\":\"b\",\"size\":\"c\",\"day\":\"d\"").matched);
}

TEST(JsonSearchAnswer, EscapedTitlesReadAsTheirCharacters) {
    const std::string raw = JsonItem(Hash(7), "\\u9006\\u5149\\u98de\\u9e1f Backlit\\/Birds", "1.4 GB");
    const SearchOutcome outcome = ParseJsonSearchAnswer(text::ScriptUnescape(raw));
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_EQ(outcome.rows[0].title, "逆光飞鸟 Backlit/Birds");
    EXPECT_EQ(outcome.rows[0].key, Hash(7));
}

TEST(FilmSearchPage, ListsFilmsWithAbsoluteAddressesAndNoEmTags) {
    const std::string page =
        "<ul>\n<li><h5><a href=\"/subject/3.html\"><em>黄金火焰</em> <em>Golden</em> Fl<em>a</em>me (2015)</a></h5></li>\n"
        "<li><h5><a href=\"/subject/9.html\"><em>雪山</em></a></h5></li>\n"
        "<li><h5><a href=\"/subject/4.html\">no em here</a></h5></li>\n</ul>";
    const auto films = ParseFilmSearchPage(page, "films:7");
    ASSERT_EQ(films.size(), 2u);
    EXPECT_EQ(films[0], (FilmListing{"黄金火焰 Golden Flame (2015)", "http://films:7/subject/3.html"}));
    EXPECT_EQ(films[1], (FilmListing{"雪山", "http://films:7/subject/9.html"}));
    EXPECT_TRUE(ParseFilmSearchPage("", "films:7").empty());
}

std::string Field(const std::string& label, const std::string& value, const std::string& lineBreak = "\n") {
    return "<strong>" + label + "</strong>" + lineBreak + "<div>" + lineBreak + value + " </div>\n";
}
std::string Person(const std::string& name) { return "<a href=\"/celebrity/1.html\">" + name + "</a>"; }

std::string DetailPage(const std::string& fields, int torrents, int sizes) {
    std::string page = "<div class=\"poster\"><img src=\"//films:7/poster/5.png\" alt=\"\"></div>\n"
                       "<h1>雪山飞鸟 Snow Peak Birds<small>(2016)</small></h1>\n"
                       "<p><a class=\"imdb\" href=\"/imdb/tt0012345\" title=\"imdb:tt0012345\">IMDb</a></p>\n" +
                       fields + "<table>\n";
    for (int i = 1; i <= torrents; ++i) {
        page += "<tr><td class=\"nobr\"><a href=\"/bt/" + Hash(i) + ".html\" class=\"ico ico_bt\">Source " +
                std::to_string(i) + "</a></td>\n";
        if (i <= sizes) page += "<td class=\"nobr center\">" + std::to_string(i) + ".4 GB</td>\n";
        page += "</tr>\n";
    }
    return page + "</table>\n";
}

TEST(FilmDetails, ReadsEveryLabelPosterTitleAndImdb) {
    const std::string fields = Field("导演:", Person("胡俊杰") + " / " + Person("Other")) +
                               Field("编剧:", Person("李雪")) +
                               Field("主演:", Person("徐建军") + " / " + Person("张欣怡")) +
                               Field("类型:", "惊悚 / 动画") + Field("地区:", "法国") + Field("上映:", "2016");
    const FilmDetails details = ParseFilmDetails(DetailPage(fields, 2, 2), "films:7");
    EXPECT_EQ(details.posterAddress, "http://films:7/poster/5.png");
    EXPECT_EQ(details.titleText, "片名: 雪山飞鸟 Snow Peak Birds");
    EXPECT_EQ(details.imdb, "tt0012345");
    const std::vector<std::pair<std::string, std::string>> labels = {
        {kFilmDirectorLabel, "导演: 胡俊杰"},
        {kFilmWriterLabel, "编剧: 李雪"},
        {kFilmCastLabel, "主演: 徐建军 张欣怡 "},
        {kFilmGenreLabel, "类型: 惊悚 / 动画"},
        {kFilmRegionLabel, "地区: 法国"},
    };
    EXPECT_EQ(details.labels, labels);
    ASSERT_EQ(details.torrents.size(), 2u);
    EXPECT_EQ(details.torrents[1], (FilmTorrent{"Source 2", "2.4 GB", "http://films:7/bt/" + Hash(2) + ".html"}));
}

TEST(FilmDetails, CrLfBlocksAndFullWidthColonsAreNotFields) {
    const std::string fields = Field("地区:", "法国", "\r\n") + Field("类型：", "惊悚") + Field("导演:", Person("X"));
    const FilmDetails details = ParseFilmDetails(DetailPage(fields, 0, 0), "films:7");
    ASSERT_EQ(details.labels.size(), 1u);
    EXPECT_EQ(details.labels[0].first, kFilmDirectorLabel);
    EXPECT_TRUE(details.torrents.empty());
}

TEST(FilmDetails, CastOfEveryCastBlockIsCollected) {
    const std::string fields = Field("主演:", Person("A") + Person("B")) + Field("主演:", Person("C"));
    const FilmDetails details = ParseFilmDetails(DetailPage(fields, 0, 0), "films:7");
    ASSERT_EQ(details.labels.size(), 2u);
    EXPECT_EQ(details.labels.back(), (std::pair<std::string, std::string>{kFilmCastLabel, "主演: A B C "}));
}

TEST(FilmDetails, MoreTorrentsThanSizesLeavesJustTheB) {
    const FilmDetails details = ParseFilmDetails(DetailPage("", 12, 11), "films:7");
    ASSERT_EQ(details.torrents.size(), 12u);
    EXPECT_EQ(details.torrents[10].size, "11.4 GB");
    EXPECT_EQ(details.torrents[11].size, "B");
}

TEST(FilmDetails, EmptyPageGivesOnlyTheBareTitle) {
    const FilmDetails details = ParseFilmDetails("", "films:7");
    EXPECT_EQ(details.titleText, "片名: ");
    EXPECT_EQ(details.posterAddress, "");
    EXPECT_EQ(details.imdb, "");
    EXPECT_TRUE(details.labels.empty());
    EXPECT_TRUE(details.torrents.empty());
}

TEST(ResourcePages, SharedListNamesAreBase64OfGbk) {
    // "逆光飞鸟 1080p" in GBK, Base64-encoded.
    const std::string gbk = text::Utf8ToGbk("逆光飞鸟 1080p");
    ASSERT_EQ(gbk, "\xC4\xE6\xB9\xE2\xB7\xC9\xC4\xF1 1080p");
    const std::string page = "<div>名xOa54rfJxPEgMTA4MHA=名---分割啊---磁" + Hash(1) + "磁<br />\r\n"
                             "名QUJD名---分割啊---磁" + Hash(2) + "磁<br />\r\n"
                             "名名---分割啊---磁磁</div>";
    const auto entries = ParseSharedResourcePage(page);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (ResourceEntry{"逆光飞鸟 1080p", Hash(1)}));
    EXPECT_EQ(entries[1], (ResourceEntry{"ABC", Hash(2)}));
    EXPECT_EQ(entries[2], (ResourceEntry{"", ""}));
    EXPECT_EQ(SharedResourceAddress("site:9", "3"), "http://site:9/archiver/i/fg/hy/3.htm");
}

TEST(ResourcePages, UndecodableNameStillMakesAnEntry) {
    const auto entries = ParseSharedResourcePage("名!!!!名---分割啊---磁" + Hash(3) + "磁");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].link, Hash(3));
}

TEST(ResourcePages, SecondListKeepsNameAndLinkAsWritten) {
    const auto entries =
        ParseExtraResourceList("名称星河往事名称------磁力magnet:?xt=urn:btih:" + Hash(4) + "磁力<br />");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (ResourceEntry{"星河往事", "magnet:?xt=urn:btih:" + Hash(4)}));
    EXPECT_EQ(ExtraResourceAddress("1.2.3.4:1166"), "http://1.2.3.4:1166/vip.htm");
}

TEST(ResourcePages, LibrariesTakeLinkTextsAfterTheirStyle) {
    const std::string page = "<a style=\"margin-bottom:10px;\">逆光</a>\r\n"
                             "<a style=\"bottom:10px;\">ABP-123</a>\r\n"
                             "<a style=\"MARGIN-BOTTOM:10PX;\">Case</a>\r\n"
                             "<a style=\"top:10px;\">no</a>\r\n";
    EXPECT_EQ(ParseCodeLibrary(page), (std::vector<std::string>{"逆光", "ABP-123", "Case"}));
    EXPECT_EQ(ParseKeywordLibrary(page), (std::vector<std::string>{"逆光", "Case"}));
    EXPECT_TRUE(ParseCodeLibrary("").empty());
}

TEST(ResourcePages, PageNumbersReadTheLeadingInteger) {
    EXPECT_EQ(PageNumber("7"), 7);
    EXPECT_EQ(PageNumber("  12页"), 12);
    EXPECT_EQ(PageNumber("-3"), -3);
    EXPECT_EQ(PageNumber("abc"), 0);
    EXPECT_EQ(PageNumber(""), 0);
    EXPECT_EQ(PageNumber("99999999999999999999"), 1000000000);
}

}  // namespace
}  // namespace lumo::sources
