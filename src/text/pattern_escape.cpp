#include "text/pattern_escape.h"

#include "text/charset.h"
#include "text/pattern_matcher.h"

namespace lumo::text {

std::string EscapePatternText(std::string_view text) {
    static constexpr std::string_view kQuotePlaceholder = "#引号";
    // One pass does what the three rounds of replacement do, since no
    // replacement produces text that a later one would change.
    std::string out;
    out.reserve(text.size() + 8);
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        switch (c) {
        case '?': case '*': case '+': case '[': case ']':
        case '(': case ')': case '{': case '}':
            out.push_back('\\');
            out.push_back(c);
            ++pos;
            continue;
        case '\r':
            if (pos + 1 < text.size() && text[pos + 1] == '\n') {
                // A delimiter's line break matches a single LF in the text.
                out.append("\\n");
                pos += 2;
                continue;
            }
            break;
        case '#':
            if (text.substr(pos, kQuotePlaceholder.size()) == kQuotePlaceholder) {
                out.push_back('"');
                pos += kQuotePlaceholder.size();
                continue;
            }
            break;
        default:
            break;
        }
        out.push_back(c);
        ++pos;
    }
    return out;
}

int ExtractAllBetween(std::string_view source, std::string_view startText,
                      std::string_view endText, std::vector<std::string>& pieces,
                      int maxLength, std::string_view prefix, std::string_view suffix,
                      bool withStart, bool withEnd) {
    pieces.clear();
    if (source.empty()) return 0;
    const std::string pattern =
        EscapePatternText(startText) + "([\\s\\S]*?)" + EscapePatternText(endText);
    PatternMatcher matcher;
    if (!matcher.Search(pattern, source)) return 0;
    const int count = matcher.MatchCount();
    for (int i = 1; i <= count; ++i) {
        std::string piece = matcher.SubMatchText(i, 1);
        if (maxLength > 0 && GbkLength(piece) > static_cast<size_t>(maxLength)) continue;
        std::string entry;
        entry.reserve(startText.size() + prefix.size() + piece.size() + suffix.size() +
                      endText.size());
        if (withStart) entry.append(startText);
        entry.append(prefix).append(piece).append(suffix);
        if (withEnd) entry.append(endText);
        pieces.push_back(std::move(entry));
    }
    return static_cast<int>(pieces.size());
}

}  // namespace lumo::text
