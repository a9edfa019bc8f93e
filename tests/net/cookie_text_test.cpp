#include <gtest/gtest.h>

#include "net/cookie_date.h"
#include "net/cookie_text.h"
#include "net/split_url.h"

namespace lumo::net {
namespace {

TEST(MergeCookies, ResponseCookiesComeFirstAndReplaceOlderOnes) {
    std::string s = "a=1; b=2";
    std::string r = "b=3; c=4";
    EXPECT_EQ(MergeCookies(s, r), "b=3; c=4; a=1");
    EXPECT_EQ(s, "b=3; c=4; a=1");
    EXPECT_EQ(r, "b=3;c=4");
}

TEST(MergeCookies, DeletedValueRemovesTheCookie) {
    std::string s = "a=1";
    std::string r = "a=deleted";
    EXPECT_EQ(MergeCookies(s, r), "");
    std::string s2 = "a=1; keep=2";
    std::string r2 = "a=deleted; x=notdeleted";
    EXPECT_EQ(MergeCookies(s2, r2), "x=notdeleted; keep=2");
}

TEST(MergeCookies, BlanksOfBothKindsDisappear) {
    std::string s = "v=a b\xE3\x80\x80" "c";
    std::string r = " n = x ";
    EXPECT_EQ(MergeCookies(s, r), "n=x; v=abc");
    EXPECT_EQ(r, "n=x");
}

TEST(MergeCookies, NamesCompareWithCaseAndRepeatsCollapse) {
    std::string s = "SID=old; x=1; x=1";
    std::string r = "sid=new";
    EXPECT_EQ(MergeCookies(s, r), "sid=new; SID=old; x=1");
}

TEST(MergeCookies, EmptyItemsAndEmptyTextsLeaveNothingBehind) {
    std::string s = "a=1;;b=2;";
    std::string r;
    EXPECT_EQ(MergeCookies(s, r), "a=1; b=2");
    std::string e1, e2;
    EXPECT_EQ(MergeCookies(e1, e2), "");
}

TEST(MergeCookies, SameVariableKeepsOnlyWhatTheResponseSet) {
    // What a caller gets when the cookie text and the response cookies are
    // one variable: both sides hold the response's cookies.
    std::string v = "a=1; a=1; gone=deleted";
    std::string r = v;
    EXPECT_EQ(MergeCookies(v, r), "a=1");
}

TEST(DedupeList, KeepsFirstOccurrences) {
    EXPECT_EQ(DedupeList("x; y; x", "; "), "x; y");
    EXPECT_EQ(DedupeList("x;y;x", "; "), "x;y;x");  // another separator: one item
    EXPECT_EQ(DedupeList("", "; "), "");
    EXPECT_EQ(DedupeList("a|b|a|c|b", "|"), "a|b|c");
}

TEST(CookieName, PartBeforeFirstEqualsTrimmed) {
    EXPECT_EQ(CookieName(" sid =abc=="), "sid");
    EXPECT_EQ(CookieName("\xE3\x80\x80" "flag\xE3\x80\x80"), "flag");
    EXPECT_EQ(CookieName("=v"), "");
}

TEST(FindCookie, NameMatchesWithoutCaseAndTheAskedSpellingIsReturned) {
    EXPECT_EQ(FindCookie("a=1;sid=abc", "SID"), "SID=abc");
    EXPECT_EQ(FindCookie("a=1; sid=abc", "nope"), "");
    EXPECT_EQ(FindCookie("a=; b=2", "a"), "");
    EXPECT_EQ(FindCookie("", "a"), "");
}

TEST(FindCookie, ValuesWithEqualsSignsAndColonsComeBackWhole) {
    EXPECT_EQ(FindCookie("tok=YWJj==; x=1", "tok"), "tok=YWJj==");
    EXPECT_EQ(FindCookie("t=12:30:00", "t"), "t=12:30:00");
}

TEST(CookieDate, WrittenWithoutLeadingZerosAndWithTheRightWeekday) {
    EXPECT_EQ(FormatCookieDate({1999, 1, 1, 1, 1, 1}), "Fri, 1-Jan-1999 1:1:1 GMT");
    EXPECT_EQ(FormatCookieDate({2024, 2, 29, 23, 59, 59}), "Thu, 29-Feb-2024 23:59:59 GMT");
    EXPECT_EQ(FormatCookieDate({1970, 1, 1, 0, 0, 0}), "Thu, 1-Jan-1970 0:0:0 GMT");
    EXPECT_EQ(FormatCookieDate({1899, 12, 31, 0, 0, 0}), "Sun, 31-Dec-1899 0:0:0 GMT");
}

TEST(CookieDate, OutOfRangeDatesAreClampedAndCarried) {
    EXPECT_EQ(FormatCookieDate({12000, 6, 1, 0, 0, 0}), "Fri, 31-Dec-9999 23:59:59 GMT");
    EXPECT_EQ(FormatCookieDate({5, 1, 1, 0, 0, 0}), "Fri, 1-Jan-100 0:0:0 GMT");
    EXPECT_EQ(FormatCookieDate({2023, 13, 1, 0, 0, 0}), "Mon, 1-Jan-2024 0:0:0 GMT");
    EXPECT_TRUE(CookieDate{}.IsZero());
    EXPECT_FALSE((CookieDate{1899, 12, 30, 0, 0, 1}.IsZero()));
    EXPECT_EQ((CookieDate{1970, 1, 2, 0, 0, 0}.ToUnixSeconds()), 86400);
    EXPECT_EQ((CookieDate{1969, 12, 31, 23, 59, 59}.ToUnixSeconds()), -1);
}

TEST(SplitUrl, SchemePortAndPathOfFullAddresses) {
    EXPECT_EQ(SplitUrlHost("HTTP://Srv.Local:8080/A?b=C"), "srv.local");
    EXPECT_EQ(SplitUrlHost("HTTP://Srv.Local:8080/A?b=C", false, true), "srv.local:8080");
    EXPECT_EQ(SplitUrlPort("HTTP://Srv.Local:8080/A?b=C"), 8080);
    EXPECT_EQ(SplitUrlPath("HTTP://Srv.Local:8080/A?b=C"), "/A?b=C");
    EXPECT_EQ(SplitUrlPort("https://x.org/p"), 443);
    EXPECT_EQ(SplitUrlPort("HTTPS://x.org"), 443);
    EXPECT_EQ(SplitUrlPort("http://x.org/p"), 80);
}

TEST(SplitUrl, BareHosts) {
    EXPECT_EQ(SplitUrlHost("srv.local"), "srv.local");
    EXPECT_EQ(SplitUrlPort("srv.local"), 80);
    EXPECT_EQ(SplitUrlPath("srv.local"), "/");
    EXPECT_EQ(SplitUrlPath("srv.local/p"), "/p");
    EXPECT_EQ(SplitUrlPath("Srv.Local:81/Q/R"), "/Q/R");
    EXPECT_EQ(SplitUrlPort("Srv.Local:81/Q/R"), 81);
}

TEST(SplitUrl, ParentDomain) {
    EXPECT_EQ(SplitUrlHost("a.b.c.d", true), "c.d");
    EXPECT_EQ(SplitUrlHost("http://a.b.c:99/x", true), "b.c");
    EXPECT_EQ(SplitUrlHost("localhost", true), "localhost");
}

TEST(SplitUrl, AddressesThatWouldBeMisread) {
    // A scheme inside the query does not name the host.
    EXPECT_EQ(SplitUrlHost("srv.local/go?u=http://evil.example/"), "srv.local");
    // A one-letter host is not found inside "http".
    EXPECT_EQ(SplitUrlPath("http://t/x"), "/x");
    // A query straight after the host.
    EXPECT_EQ(SplitUrlHost("srv.local?a=1"), "srv.local");
    EXPECT_EQ(SplitUrlPath("srv.local?a=1"), "/?a=1");
    // Ports that are not ports.
    EXPECT_EQ(SplitUrlPort("http://x:abc/"), 0);
    EXPECT_EQ(SplitUrlPort("http://x:70000/"), 0);
    EXPECT_EQ(SplitUrlPort("http://x:/"), 0);
    // Bracketed addresses keep their colons.
    EXPECT_EQ(SplitUrlHost("http://[::1]:8080/p"), "[::1]");
    EXPECT_EQ(SplitUrlPort("http://[::1]:8080/p"), 8080);
    EXPECT_EQ(SplitUrlPort("http://[::1]/p"), 80);
    EXPECT_EQ(SplitUrlHost(""), "");
}

}  // namespace
}  // namespace lumo::net
