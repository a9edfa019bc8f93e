#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::text {

// The one regular-expression matcher every parser in Lumo uses: one search of
// one pattern over one whole text, then the capture groups of each match by
// number. Texts are UTF-8 and matching works on characters.
//
// Dialect: ECMAScript-like. `.` never matches CR or LF, `\w` is ASCII only,
// `{`/`}` that do not form a quantifier are literal, lazy quantifiers work.
class PatternMatcher {
public:
    PatternMatcher();
    ~PatternMatcher();
    PatternMatcher(const PatternMatcher&) = delete;
    PatternMatcher& operator=(const PatternMatcher&) = delete;

    // Returns true when the search ran (also when it found nothing), false
    // when the pattern cannot be compiled or the search cannot run. With
    // quotePlaceholder, every "#引号" in the pattern stands for one '"'.
    bool Search(std::string_view pattern, std::string_view text,
                bool caseSensitive = false, bool multiline = true,
                bool global = true, bool quotePlaceholder = false);

    // Number of matches of the last search; 0 when none ran or it failed.
    int MatchCount() const;

    // Text of group groupIndex (from 1) of match matchIndex (from 1); empty
    // for out-of-range indices and groups that took no part in the match.
    std::string SubMatchText(int matchIndex, int groupIndex) const;

private:
    void Clear();

    // The searched text and, for each match, groupCount_ byte ranges into it
    // (begin, end pairs, flat); a begin of npos marks a group that took no
    // part in the match.
    std::string text_;
    std::vector<size_t> spans_;
    int groupCount_ = 0;
    int matchCount_ = 0;
};

}  // namespace lumo::text
