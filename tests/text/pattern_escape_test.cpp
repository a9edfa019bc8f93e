#include "text/pattern_escape.h"

#include <gtest/gtest.h>

#include "text/pattern_matcher.h"

namespace lumo::text {
namespace {

using Pieces = std::vector<std::string>;

TEST(EscapePatternText, EscapesOnlyTheListedMetacharacters) {
    EXPECT_EQ(EscapePatternText("a+b(c)"), "a\\+b\\(c\\)");
    EXPECT_EQ(EscapePatternText("?*+[](){}"), "\\?\\*\\+\\[\\]\\(\\)\\{\\}");
    EXPECT_EQ(EscapePatternText(".^$|-\\"), ".^$|-\\");
    EXPECT_EQ(EscapePatternText("#引号x#引号"), "\"x\"");
    EXPECT_EQ(EscapePatternText("a\r\nb"), "a\\nb");
    EXPECT_EQ(EscapePatternText("a\rb\n"), "a\rb\n");  // only CR LF pairs
    EXPECT_EQ(EscapePatternText("#引"), "#引");
}

TEST(EscapePatternText, EscapedTextMatchesItself) {
    PatternMatcher m;
    const std::string delimiter = "[收藏(1)]{a+b}?*";
    ASSERT_TRUE(m.Search(EscapePatternText(delimiter), "xx" + delimiter + "yy"));
    EXPECT_EQ(m.MatchCount(), 1);
    // A CR LF in a delimiter matches a lone LF in the text.
    ASSERT_TRUE(m.Search(EscapePatternText("end\r\n"), "end\nnext"));
    EXPECT_EQ(m.MatchCount(), 1);
}

TEST(ExtractAllBetween, NonOverlappingPieces) {
    Pieces pieces{"stale"};
    EXPECT_EQ(ExtractAllBetween("名-甲-名名-乙-名", "名-", "-名", pieces), 2);
    EXPECT_EQ(pieces, (Pieces{"甲", "乙"}));
}

TEST(ExtractAllBetween, DelimitersIgnoreCase) {
    Pieces pieces;
    EXPECT_EQ(ExtractAllBetween("<fav>a</fav><FAV>b</FAV>", "<FAV>", "</FAV>", pieces), 2);
    EXPECT_EQ(pieces, (Pieces{"a", "b"}));
}

TEST(ExtractAllBetween, PiecesSpanLines) {
    Pieces pieces;
    EXPECT_EQ(ExtractAllBetween("[s]line1\r\nline2[e]", "[s]", "[e]", pieces), 1);
    EXPECT_EQ(pieces, (Pieces{"line1\r\nline2"}));
}

TEST(ExtractAllBetween, MaxLengthCountsGbkBytes) {
    Pieces pieces;
    // Three Chinese characters are six GBK bytes (nine in UTF-8).
    EXPECT_EQ(ExtractAllBetween("<三个字><ab><四>", "<", ">", pieces, 4), 2);
    EXPECT_EQ(pieces, (Pieces{"ab", "四"}));
    EXPECT_EQ(ExtractAllBetween("<三个字>", "<", ">", pieces, 6), 1);
    EXPECT_EQ(ExtractAllBetween("<三个字>", "<", ">", pieces, 5), 0);
    EXPECT_TRUE(pieces.empty());
}

TEST(ExtractAllBetween, Decoration) {
    Pieces pieces;
    EXPECT_EQ(ExtractAllBetween("(1)(2)", "(", ")", pieces, 0, "<", ">"), 2);
    EXPECT_EQ(pieces, (Pieces{"<1>", "<2>"}));
    EXPECT_EQ(ExtractAllBetween("(1)(2)", "(", ")", pieces, 0, "<", ">", true, true), 2);
    EXPECT_EQ(pieces, (Pieces{"(<1>)", "(<2>)"}));
    EXPECT_EQ(ExtractAllBetween("(1)", "(", ")", pieces, 0, "", "", false, true), 1);
    EXPECT_EQ(pieces, (Pieces{"1)"}));
}

TEST(ExtractAllBetween, NothingFound) {
    Pieces pieces{"stale"};
    EXPECT_EQ(ExtractAllBetween("", "a", "b", pieces), 0);
    EXPECT_TRUE(pieces.empty());
    pieces = {"stale"};
    EXPECT_EQ(ExtractAllBetween("abc", "x", "y", pieces), 0);
    EXPECT_TRUE(pieces.empty());
    // A delimiter that leaves an unusable pattern finds nothing.
    pieces = {"stale"};
    EXPECT_EQ(ExtractAllBetween("a\\b", "a", "\\", pieces), 0);
    EXPECT_TRUE(pieces.empty());
}

TEST(ExtractAllBetween, DotInADelimiterIsAWildcard) {
    Pieces pieces;
    EXPECT_EQ(ExtractAllBetween("a.1;aX2;", "a.", ";", pieces), 2);
    EXPECT_EQ(pieces, (Pieces{"1", "2"}));
}

}  // namespace
}  // namespace lumo::text
