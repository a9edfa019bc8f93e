#include "text/charset.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace lumo::text {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(GbkUtf8, RoundTrip) {
    EXPECT_EQ(Utf8ToGbk("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(GbkToUtf8("\xD6\xD0\xCE\xC4"), "中文");
    EXPECT_EQ(Utf8ToGbk("€"), "\x80");  // code page 936, not plain GBK
    EXPECT_EQ(GbkToUtf8("\x80"), "€");
    EXPECT_EQ(Utf8ToGbk("’，　"), "\xA1\xAF\xA3\xAC\xA1\xA1");
    const std::string mixed = "abc 流浪地球 1080p ￥€·";
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(mixed)), mixed);
    EXPECT_EQ(Utf8ToGbk(""), "");
    EXPECT_EQ(GbkToUtf8(""), "");
    EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(GbkUtf8, UnrepresentableCharactersBecomeOneMarkEach) {
    EXPECT_EQ(Utf8ToGbk("ä"), "?");
    EXPECT_EQ(Utf8ToGbk("a😀b한c"), "a?b?c");
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk("中😀文")), "中?文");
}

TEST(GbkUtf8, BrokenInputDoesNotStopTheConversion) {
    EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");
    EXPECT_EQ(Utf8ToGbk("\xE4\xB8" "x"), "?x");  // a cut character is one mark
    EXPECT_EQ(Utf8ToGbk("中\xE4\xB8"), "\xD6\xD0?");
    EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80"), "???");   // an encoded surrogate
    EXPECT_EQ(GbkToUtf8("\xD6\xD0\xFF\xCE\xC4"), "中" + kReplacement + "文");
    EXPECT_EQ(GbkToUtf8("\xD6"), kReplacement);  // lead byte at the end
    EXPECT_EQ(GbkToUtf8("\x81\x20" "a"), kReplacement + " a");
}

TEST(GbkUtf8, LengthAndRepresentableForm) {
    EXPECT_EQ(GbkLength("中文a"), 5u);
    EXPECT_EQ(GbkLength("€"), 1u);
    EXPECT_EQ(GbkLength("😀"), 1u);
    EXPECT_EQ(GbkLength(""), 0u);
    EXPECT_EQ(KeepGbkRepresentable("中ä😀€x"), "中??€x");
    EXPECT_EQ(KeepGbkRepresentable("plain"), "plain");
}

TEST(ConvertToUtf8, GbkFamilyDecodesLikeCodePage936) {
    const std::string bytes = "\xD6\xD0\x80\xCE\xC4";
    for (const char* name : {"gbk", "GBK", "gb2312", "GB2312", " gb2312 ", "x-gbk", "cp936"}) {
        const auto converted = ConvertToUtf8(bytes, name);
        ASSERT_TRUE(converted.has_value()) << name;
        EXPECT_EQ(*converted, GbkToUtf8(bytes)) << name;
        EXPECT_EQ(*converted, "中€文") << name;
    }
}

TEST(ConvertToUtf8, OtherCharsets) {
    EXPECT_EQ(ConvertToUtf8("\xE4\xB8\xAD", "utf-8"), "中");
    EXPECT_EQ(ConvertToUtf8("\xEF\xBB\xBF" "a", "UTF-8"), "a");
    EXPECT_EQ(ConvertToUtf8("\xA4\xA4\xA4\xE5", "big5"), "中文");
    EXPECT_EQ(ConvertToUtf8("\x93\xFA\x96\x7B", "Shift_JIS"), "日本");
    EXPECT_EQ(ConvertToUtf8("\x81\x30\x8A\x31\x94\x39\xFC\x36", "gb18030"), "ä😀");
    EXPECT_EQ(ConvertToUtf8("caf\xE9", "iso-8859-1"), "café");
}

TEST(ConvertToUtf8, InvalidBytesAreReplacedAndConversionGoesOn) {
    EXPECT_EQ(ConvertToUtf8("ok\xFFok\xE4\xB8", "utf-8"), "ok" + kReplacement + "ok" + kReplacement);
    EXPECT_EQ(ConvertToUtf8("\xA4\xA4\xFF\xA4\xE5", "big5"), "中" + kReplacement + "文");
    EXPECT_EQ(ConvertToUtf8("abc\x80", "us-ascii"), "abc" + kReplacement);
}

TEST(ConvertToUtf8, UnknownOrUnsafeNames) {
    EXPECT_FALSE(ConvertToUtf8("abc", "x-no-such-charset").has_value());
    EXPECT_FALSE(ConvertToUtf8("abc", "").has_value());
    EXPECT_FALSE(ConvertToUtf8("abc", "utf-8//TRANSLIT").has_value());
    EXPECT_FALSE(ConvertToUtf8("abc", "latin1//IGNORE").has_value());
}

TEST(UntilZero, CutsAtTheFirstZeroByte) {
    EXPECT_EQ(UntilZero(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(UntilZero("abc"), "abc");
    EXPECT_EQ(UntilZero(std::string_view("\0", 1)), "");
}

TEST(GbkUtf8, ConcurrentConversions) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "流浪地球€abc😀";
    const std::string expectedGbk = Utf8ToGbk(text);
    const std::string expectedBack = GbkToUtf8(expectedGbk);
    std::vector<int> ok(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            int good = 0;
            for (int round = 0; round < 50; ++round) {
                const std::string gbk = Utf8ToGbk(text);
                if (gbk == expectedGbk && GbkToUtf8(gbk) == expectedBack) ++good;
            }
            ok[t] = good;
        });
    }
    for (auto& th : threads) th.join();
    for (const int good : ok) EXPECT_EQ(good, 50);
}

}  // namespace
}  // namespace lumo::text
