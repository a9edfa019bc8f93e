#include "text/codecs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "text/charset.h"

namespace lumo::text {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(Base64Decode, WellFormedGroups) {
    EXPECT_EQ(Base64Decode("5Lit5paH"), "中文");
    EXPECT_EQ(Base64Decode("QQ=="), "A");
    EXPECT_EQ(Base64Decode("QUI="), "AB");
    EXPECT_EQ(Base64Decode("QUJD"), "ABC");
    EXPECT_EQ(Base64Decode("+/+/"), Bytes({0xFB, 0xFF, 0xBF}));
    EXPECT_EQ(Base64Decode(""), "");
}

TEST(Base64Decode, UnpaddedEndsAreTrimmed) {
    EXPECT_EQ(Base64Decode("QQ"), "A");
    EXPECT_EQ(Base64Decode("QUI"), "AB");
    EXPECT_EQ(Base64Decode("Q"), "");
    EXPECT_EQ(Base64Decode("QUJDQQ"), "ABCA");
}

TEST(Base64Decode, BlanksAndCrLfAreSkipped) {
    EXPECT_EQ(Base64Decode("QU \r\nJD"), "ABC");
    EXPECT_EQ(Base64Decode(" Q U J D "), "ABC");
    EXPECT_EQ(Base64Decode("QU\xE3\x80\x80JD"), "ABC");  // full-width space
    EXPECT_EQ(Base64Decode("QU\r \nJD"), "ABC");          // a CR LF once the blank is gone
}

TEST(Base64Decode, GbkNamesOfResourceLists) {
    EXPECT_EQ(Base64Decode("1tDOxA=="), Bytes({0xD6, 0xD0, 0xCE, 0xC4}));
    EXPECT_EQ(GbkToUtf8(Base64Decode("1tDOxA==")), "中文");
    EXPECT_EQ(GbkToUtf8(Base64Decode("wffAy7XYx/I=")), "流浪地球");
    EXPECT_EQ(GbkToUtf8(Base64Decode("sNTN9bHwvKcubWt2")), "霸王别姬.mkv");
}

TEST(Base64Decode, CharactersOutsideTheAlphabet) {
    // A lone LF takes part in the groups; the group it cuts short reuses
    // the values the previous group left.
    EXPECT_EQ(Base64Decode("QUJD\nQUJD"), "ABCABC");
    // A tail that stops at its first character adds nothing: no stale bytes.
    EXPECT_EQ(Base64Decode("QUJD\n"), "ABC");
    EXPECT_EQ(Base64Decode("QUJD===="), "ABC");
    EXPECT_EQ(Base64Decode("!!!!"), "");
    EXPECT_EQ(Base64Decode("\t"), "");
}

TEST(Base64Decode, TrailingZeroOption) {
    EXPECT_EQ(Base64Decode("QQAA"), Bytes({0x41, 0, 0}));
    EXPECT_EQ(Base64Decode("QQAA", true), "A");
    EXPECT_EQ(Base64Decode("AAAA", true), "");
    EXPECT_EQ(Base64Decode("AEEA", true), Bytes({0, 0x41}));  // leading zeros stay
}

TEST(UrlEncode, Options) {
    EXPECT_EQ(UrlEncode("中文", true, true), "%E4%B8%AD%E6%96%87");
    EXPECT_EQ(UrlEncode("中文", true, false), "%D6%D0%CE%C4");
    EXPECT_EQ(UrlEncode("a-b.c"), "%61%2D%62%2E%63");
    EXPECT_EQ(UrlEncode("a-b.c_~* Z9", true), "a-b.c%5F%7E%2A%20Z9");
    EXPECT_EQ(UrlEncode(""), "");
    EXPECT_EQ(UrlEncode("", true, true), "");
}

TEST(UrlDecode, Escapes) {
    EXPECT_EQ(UrlDecode("%e4%b8%ad", true), "中");
    EXPECT_EQ(UrlDecode("%E4%B8%AD", true), "中");
    EXPECT_EQ(UrlDecode("%D6%D0%ce%c4"), "中文");
    EXPECT_EQ(UrlDecode("a+b%20c"), "a+b c");
    EXPECT_EQ(UrlDecode("中%41", true), "中A");
    EXPECT_EQ(UrlDecode("中%41"), "中A");
}

TEST(UrlDecode, BrokenEscapesStayAsTheyAre) {
    EXPECT_EQ(UrlDecode("50%"), "50%");
    EXPECT_EQ(UrlDecode("%4"), "%4");
    EXPECT_EQ(UrlDecode("%zz%41"), "%zzA");
    EXPECT_EQ(UrlDecode("%%41"), "%A");
    // Bytes that are not UTF-8, or not GBK, become one mark each.
    EXPECT_EQ(UrlDecode("%FFok", true), "?ok");
    EXPECT_EQ(UrlDecode("%FFok"), "\xEF\xBF\xBDok");
}

TEST(UrlCodec, RoundTrip) {
    const std::string name = "用户 name_1~€";
    EXPECT_EQ(UrlDecode(UrlEncode(name, true, true), true), name);
    EXPECT_EQ(UrlDecode(UrlEncode(name, false, false), false), name);
}

TEST(PercentDecode, DecodesLikeUnescape) {
    EXPECT_EQ(PercentDecode("%u4E2D%u6587"), "中文");
    EXPECT_EQ(PercentDecode("%41"), "A");
    EXPECT_EQ(PercentDecode("a%u4e2db c"), "a中b c");  // plain characters are kept
    EXPECT_EQ(PercentDecode("%uFF0C%u00e9"), "，é");
    EXPECT_EQ(PercentDecode("%E4"), "?");  // ä has no GBK form
    EXPECT_EQ(PercentDecode("%u12 %"), "%u12 %");
    EXPECT_EQ(PercentDecode("%%41%"), "%A%");
    EXPECT_EQ(PercentDecode("%uD83D%uDE00"), "?");
    EXPECT_EQ(PercentDecode(""), "");
}

TEST(HexToInt, Digits) {
    EXPECT_EQ(HexToInt("1f"), 31);
    EXPECT_EQ(HexToInt("1F"), 31);
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("FFFFFFFF"), 4294967295LL);
    EXPECT_EQ(HexToInt("7FFFFFFFFFFFFFFF"), std::numeric_limits<int64_t>::max());
}

TEST(HexToInt, NonDigitsCountMinusOneAndLongTextsWrap) {
    EXPECT_EQ(HexToInt("G"), -1);
    EXPECT_EQ(HexToInt("1G"), 15);
    EXPECT_EQ(HexToInt("10000000000000000"), 0);  // 2^64 wraps, no overflow fault
    EXPECT_EQ(HexToInt("FFFFFFFFFFFFFFFF"), -1);
}

}  // namespace
}  // namespace lumo::text
