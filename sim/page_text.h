#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo::sim {

// A keyword as a browser or Lumo sent it: UTF-8 stays, anything that is not
// valid UTF-8 is read as GBK.
std::string KeywordText(std::string_view raw);

// Percent-encodes every byte except A-Z a-z 0-9 - . _ ~ (for links in pages).
std::string UrlComponent(std::string_view text);

// Wraps every occurrence of each blank-separated word of `keyword` in
// <em>...</em> (ASCII letters match ignoring case), the way search sites mark
// what was searched for.
std::string Highlight(std::string_view text, std::string_view keyword);

// The blank-separated words of a keyword.
std::vector<std::string> KeywordWords(std::string_view keyword);

}  // namespace lumo::sim
