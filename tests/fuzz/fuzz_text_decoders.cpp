// Feeds arbitrary bytes to every decoder of the text area and to the matcher
// with the patterns Lumo's parsers use. Nothing may crash, hang or read out
// of bounds, and a few properties must hold whatever the input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/charset.h"
#include "text/codecs.h"
#include "text/pattern_escape.h"
#include "text/pattern_matcher.h"
#include "text/script_unescape.h"
#include "text/text_between.h"
#include "text/utf8.h"
#include "sim/base64_encode.h"

namespace {

using namespace lumo::text;

constexpr const char* kParserPatterns[] = {
    "<meta.+?charset=[^\\w]?([-\\w]+)",
    "#引号index#引号:(.*?),#引号name#引号:#引号(.*?)#引号,#引号size#引号:#引号(.*?)#引号,"
    "#引号sha1#引号:#引号(.*?)#引号",
    "名(.*?)名=size(.*?)size----sha(.*?)sha----hash(.*?)hash",
    "href=#引号/torrent/(.*?).html#引号 target=#引号_blank#引号>(.*?)</a>",
    "文件大小：<b .*?>(.*?)</b>",
    "href=#引号(.*?)#引号><em>(.*?)</a></h5></li>",
    "<strong>(.*?)</strong>\n<div>\n(.*?) </div>",
    "{#引号hash#引号:#引号(.*?)#引号,#引号title#引号:#引号(.*?)#引号,#引号size#引号:#引号(.*?)"
    "#引号,#引号day#引号.*?}",
    "名(.*?)名---分割啊---磁(.*?)磁",
    "-bottom:10px;#引号>(.*?)</a>",
    "\\[s\\]([\\s\\S]*?)\\[e\\]",
};

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (DecodeUtf8(text, pos) == kInvalidUtf8) return false;
    }
    return true;
}

// Every group is a piece of the searched text.
void CheckMatches(const PatternMatcher& matcher, std::string_view text, int groups) {
    Require(matcher.MatchCount() >= 0 &&
            static_cast<size_t>(matcher.MatchCount()) <= text.size() + 1);
    for (int i = 1; i <= matcher.MatchCount(); ++i) {
        for (int g = 1; g <= groups; ++g) {
            const std::string piece = matcher.SubMatchText(i, g);
            Require(piece.empty() || text.find(piece) != std::string_view::npos);
        }
        Require(matcher.SubMatchText(i, groups + 1).empty());
    }
    Require(matcher.SubMatchText(matcher.MatchCount() + 1, 1).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string unescaped = ScriptUnescape(input);
    Require(IsValidUtf8(unescaped));
    Require(PercentDecode(input).size() <= input.size() * 3 + 3);
    Require(IsValidUtf8(PercentDecode(input)));

    const size_t base64Limit = (input.size() + 3) / 4 * 3;
    Require(Base64Decode(input).size() <= base64Limit);
    const std::string stripped = Base64Decode(input, true);
    Require(stripped.size() <= base64Limit);
    Require(stripped.empty() || stripped.back() != '\0');

    // Decoding undoes the encoders Lumo and the simulator write with.
    Require(Base64Decode(lumo::sim::Base64Encode(input)) == input);

    Require(IsValidUtf8(UrlDecode(input, false)));
    Require(IsValidUtf8(UrlDecode(input, true)));
    const std::string encoded = UrlEncode(input, true, true);
    Require(encoded.size() <= input.size() * 3);
    (void)HexToInt(input.substr(0, 40));

    const std::string fromGbk = GbkToUtf8(input);
    Require(IsValidUtf8(fromGbk));
    const std::string kept = KeepGbkRepresentable(input);
    Require(IsValidUtf8(kept));
    Require(KeepGbkRepresentable(kept) == kept);
    Require(UrlDecode(UrlEncode(kept, false, true), true) == kept);
    if (kept.find('\0') == std::string::npos) Require(UrlDecode(UrlEncode(kept, true, false), false) == kept);
    Require(GbkLength(kept) == Utf8ToGbk(kept).size());
    if (const auto big5 = ConvertToUtf8(input, "big5")) Require(IsValidUtf8(*big5));
    if (const auto utf8 = ConvertToUtf8(input, "utf-8")) Require(IsValidUtf8(*utf8));

    PatternMatcher matcher;
    for (const char* pattern : kParserPatterns) {
        const bool ran = matcher.Search(pattern, input, false, true, true, true);
        if (!ran) Require(matcher.MatchCount() == 0);
        CheckMatches(matcher, input, 4);
    }

    // The first line, up to 64 bytes, as a pattern of its own over the rest:
    // this drives the dialect rewriting with arbitrary patterns.
    const size_t lineEnd = input.find('\n');
    if (lineEnd != std::string_view::npos && lineEnd <= 64) {
        const std::string_view pattern = input.substr(0, lineEnd);
        const std::string_view text = input.substr(lineEnd + 1, 2048);
        for (const bool caseSensitive : {false, true}) {
            if (matcher.Search(pattern, text, caseSensitive, !caseSensitive, true, true)) {
                CheckMatches(matcher, text, 9);
            } else {
                Require(matcher.MatchCount() == 0);
            }
        }
        std::vector<std::string> pieces;
        const size_t half = pattern.size() / 2;
        ExtractAllBetween(text, pattern.substr(0, half), pattern.substr(half), pieces, 8);
        for (const auto& piece : pieces) Require(GbkLength(piece) <= 8);
        (void)TextBetween(text, pattern.substr(0, half), pattern.substr(half),
                          static_cast<size_t>(size % 7), size % 2 == 0);
        // An escaped delimiter finds itself, as long as it holds none of
        // the metacharacters that are left alone on purpose.
        const std::string escaped = EscapePatternText(pattern);
        if (IsValidUtf8(pattern) && pattern.find_first_of("\\^$|.\r\0") == std::string_view::npos &&
            pattern.find("#引号") == std::string_view::npos && !pattern.empty()) {
            Require(matcher.Search(escaped, pattern, true, false, true, true));
            Require(matcher.MatchCount() >= 1);
        }
    }
    return 0;
}
