#include "text/text_between.h"

#include <gtest/gtest.h>

namespace lumo::text {
namespace {

TEST(TextBetween, FirstPairOfMarkers) {
    EXPECT_EQ(TextBetween("a=1; b=2", "a=", ";"), "1");
    EXPECT_EQ(TextBetween("a=1; b=2; a=3;", "a=", ";"), "1");
    EXPECT_EQ(TextBetween("[x][y]", "[", "]"), "x");
    EXPECT_EQ(TextBetween("<b></b>", "<b>", "</b>"), "");  // empty between is fine
}

TEST(TextBetween, MissingMarkerGivesEmpty) {
    EXPECT_EQ(TextBetween("a=1; b=2", "c=", ";"), "");
    EXPECT_EQ(TextBetween("a=1; b=2", "a=", "#"), "");
    // The right marker must follow the left one.
    EXPECT_EQ(TextBetween(";a=1", "a=", ";"), "");
    EXPECT_EQ(TextBetween("", "a", "b"), "");
}

TEST(TextBetween, RightMarkerIsSearchedBehindTheLeftOne) {
    // Overlap is not allowed: "aXa" between "a" and "a" after the first a.
    EXPECT_EQ(TextBetween("aXa", "a", "a"), "X");
    EXPECT_EQ(TextBetween("aa", "a", "a"), "");
    EXPECT_EQ(TextBetween("a", "a", "a"), "");
}

TEST(TextBetween, QuotePlaceholderInBothMarkers) {
    const std::string tag = "<a class=\"x\" href=\"/detail/42.html\">film</a>";
    EXPECT_EQ(TextBetween(tag, "href=#引号", "#引号"), "/detail/42.html");
    EXPECT_EQ(TextBetween("com_cookie\":\"abc\",\"x\":1", "com_cookie#引号:#引号", "#引号,"), "abc");
}

TEST(TextBetween, StartPositionIsOneBasedBytes) {
    const std::string text = "a=1;a=2;";
    EXPECT_EQ(TextBetween(text, "a=", ";", 1), "1");
    EXPECT_EQ(TextBetween(text, "a=", ";", 2), "2");
    EXPECT_EQ(TextBetween(text, "a=", ";", 5), "2");
    EXPECT_EQ(TextBetween(text, "a=", ";", 6), "");
    EXPECT_EQ(TextBetween(text, "a=", ";", 0), "1");  // treated as the start
    EXPECT_EQ(TextBetween(text, "a=", ";", 1000), "");
    // Positions count UTF-8 bytes: "中" takes three.
    EXPECT_EQ(TextBetween("中[x]中[y]", "[", "]", 4), "x");
    EXPECT_EQ(TextBetween("中[x]中[y]", "[", "]", 5), "y");
}

TEST(TextBetween, IgnoreCaseFoldsAsciiLetters) {
    EXPECT_EQ(TextBetween("Set-Cookie: A=1; path=/", "set-cookie:", ";"), "");
    EXPECT_EQ(TextBetween("Set-Cookie: A=1; path=/", "set-cookie:", ";", 1, true), " A=1");
    EXPECT_EQ(TextBetween("<TITLE>片名</TITLE>", "<title>", "</title>", 1, true), "片名");
    EXPECT_EQ(TextBetween("ÄxÄ", "ä", "ä", 1, true), "");  // only ASCII letters fold
}

TEST(TextBetween, MultiByteMarkersAndText) {
    EXPECT_EQ(TextBetween("用户组: 会员</a>", "用户组: ", "</a>"), "会员");
    EXPECT_EQ(TextBetween("[lumo1.6]http://h/x[lumo1.6]", "[lumo1.6]", "[lumo1.6]"), "http://h/x");
}

}  // namespace
}  // namespace lumo::text
