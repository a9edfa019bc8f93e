#include "text/script_unescape.h"

#include <gtest/gtest.h>

namespace lumo::text {
namespace {

TEST(ScriptUnescape, UnicodeEscapes) {
    EXPECT_EQ(ScriptUnescape("\\u4e2d\\u6587"), "中文");
    EXPECT_EQ(ScriptUnescape("\\u4E2D"), "中");
    EXPECT_EQ(ScriptUnescape("%u4e2d%41"), "中A");
}

TEST(ScriptUnescape, JsonEscapes) {
    EXPECT_EQ(ScriptUnescape("http:\\/\\/host\\/a"), "http://host/a");
    EXPECT_EQ(ScriptUnescape("say \\\"hi\\\""), "say \"hi\"");
    EXPECT_EQ(ScriptUnescape("a\\\\b"), "a\\b");
    EXPECT_EQ(ScriptUnescape("a\\tb\\x41\\101\\0"), std::string("a\tbAA\0", 6));
    EXPECT_EQ(ScriptUnescape("\\8\\q"), "8q");
    // Octal takes at most three digits and stays below 256.
    EXPECT_EQ(ScriptUnescape("\\1011"), "A1");
    EXPECT_EQ(ScriptUnescape("\\477"), "'7");
    // A capital U is no escape: only the backslash goes.
    EXPECT_EQ(ScriptUnescape("\\U4e2d"), "U4e2d");
    EXPECT_EQ(ScriptUnescape("\\xZZ"), "xZZ");
}

TEST(ScriptUnescape, KeepsCrLfAndApostrophes) {
    EXPECT_EQ(ScriptUnescape("line1\r\nline2\r\n"), "line1\r\nline2\r\n");
    EXPECT_EQ(ScriptUnescape("it's \\u4e2d's"), "it's 中's");
    EXPECT_EQ(ScriptUnescape("\\'q\\'"), "'q'");
    // A right quotation mark in the input comes back as an apostrophe.
    EXPECT_EQ(ScriptUnescape("a\xE2\x80\x99s"), "a's");
    // A leading lone CR is dropped.
    EXPECT_EQ(ScriptUnescape("\rabc"), "abc");
}

TEST(ScriptUnescape, PercentEscapes) {
    EXPECT_EQ(ScriptUnescape("%41%42"), "AB");
    EXPECT_EQ(ScriptUnescape("100% sure"), "100% sure");
    EXPECT_EQ(ScriptUnescape("%"), "%");
    EXPECT_EQ(ScriptUnescape("%4"), "%4");
    EXPECT_EQ(ScriptUnescape("%u12"), "%u12");
    EXPECT_EQ(ScriptUnescape("%uFF0C"), "，");
}

TEST(ScriptUnescape, CharactersGbkLacksBecomeQuestionMarks) {
    EXPECT_EQ(ScriptUnescape("\\u00e4"), "?");          // ä is not in GBK
    EXPECT_EQ(ScriptUnescape("\\ud83d\\ude00!"), "?!");  // one character, one mark
    EXPECT_EQ(ScriptUnescape("\\ud800x"), "?x");         // half a character
    EXPECT_EQ(ScriptUnescape("\\udc00"), "?");
    EXPECT_EQ(ScriptUnescape("\xF0\x9F\x98\x80"), "?");
    EXPECT_EQ(ScriptUnescape("\\u20ac"), "€");
    EXPECT_EQ(ScriptUnescape("a\xFF" "b"), "a?b");  // broken UTF-8 in the input
}

TEST(ScriptUnescape, UnixLineEndingsTakeThePercentDecoder) {
    // A raw LF breaks the literal: the percent decoder takes over and the
    // backslash escapes other than \u stay as they were.
    EXPECT_EQ(ScriptUnescape("a\\/b\n\\u4e2d%41\n"), "a\\/b\n中A\n");
    EXPECT_EQ(ScriptUnescape("it's\nx"), "it's\nx");
    EXPECT_EQ(ScriptUnescape("\r\n\rx\ny"), "\r\n\rx\ny");
}

TEST(ScriptUnescape, TrailingBackslashTakesThePercentDecoder) {
    EXPECT_EQ(ScriptUnescape("\\u4e2d\\/x\\"), "中\\/x\\");
    EXPECT_EQ(ScriptUnescape("\\\\"), "\\");  // an escaped backslash is fine
}

TEST(ScriptUnescape, EmptyInAndOut) {
    EXPECT_EQ(ScriptUnescape(""), "");
    // Decodes to nothing... and the percent decoder gives the same.
    EXPECT_EQ(ScriptUnescape("\r"), "");
}

TEST(ScriptUnescape, WholeServiceAnswer) {
    const std::string answer =
        "{\"ret\":0,\"msg\":\"\",\"data\":[\r\n"
        "{\"index\":0,\"name\":\"\\u6d41\\u6d6a\\u5730\\u7403 Director's Cut.mkv\","
        "\"size\":\"2147483648\",\"url\":\"http:\\/\\/h.example\\/d?a=1&b=50%\","
        "\"note\":\"\\\"\\u9ad8\\u6e05\\\"\"},\r\n"
        "{\"index\":1,\"name\":\"\\u5b57\\u5e55.srt\",\"size\":\"1024\",\"url\":\"\"}\r\n"
        "]}";
    const std::string expected =
        "{\"ret\":0,\"msg\":\"\",\"data\":[\r\n"
        "{\"index\":0,\"name\":\"流浪地球 Director's Cut.mkv\","
        "\"size\":\"2147483648\",\"url\":\"http://h.example/d?a=1&b=50%\","
        "\"note\":\"\"高清\"\"},\r\n"
        "{\"index\":1,\"name\":\"字幕.srt\",\"size\":\"1024\",\"url\":\"\"}\r\n"
        "]}";
    EXPECT_EQ(ScriptUnescape(answer), expected);

    // The same answer with LF line ends goes through the percent decoder:
    // \u escapes and plain text survive, other escapes keep their backslash.
    std::string unixAnswer;
    for (size_t i = 0; i < answer.size(); ++i) {
        if (answer[i] == '\r' && answer[i + 1] == '\n') continue;
        unixAnswer.push_back(answer[i]);
    }
    const std::string unixDecoded = ScriptUnescape(unixAnswer);
    EXPECT_NE(unixDecoded.find("\"name\":\"流浪地球 Director's Cut.mkv\""), std::string::npos);
    EXPECT_NE(unixDecoded.find("\"url\":\"http:\\/\\/h.example\\/d?a=1&b=50%\""),
              std::string::npos);
    EXPECT_NE(unixDecoded.find("字幕.srt\",\"size\":\"1024\",\"url\":\"\"}\n]}"), std::string::npos);
}

}  // namespace
}  // namespace lumo::text
