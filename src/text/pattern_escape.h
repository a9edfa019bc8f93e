#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo::text {

// Turns a plain delimiter into a pattern fragment that matches it. Only
// ? * + [ ] ( ) { } are escaped, "#引号" becomes '"' and CR LF becomes \n;
// other metacharacters such as '.' keep their pattern meaning.
std::string EscapePatternText(std::string_view text);

// Collects every piece between startText and endText (shortest match, across
// line breaks, case ignored) into pieces, which is cleared first. maxLength
// > 0 keeps only pieces of at most that many GBK bytes. Returns the count.
int ExtractAllBetween(std::string_view source, std::string_view startText,
                      std::string_view endText, std::vector<std::string>& pieces,
                      int maxLength = 0, std::string_view prefix = {},
                      std::string_view suffix = {}, bool withStart = false,
                      bool withEnd = false);

}  // namespace lumo::text
