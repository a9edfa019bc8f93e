#pragma once

#include <string>
#include <string_view>

namespace lumo::sources {

// A typed keyword put into a search address. It goes in as typed (blanks and
// non-ASCII characters are escaped by the transport), except for the few
// characters that would change what the address asks for: "%", "#" and "?"
// everywhere, "/" and "\" in a path, "&" and "+" in a query value. Those are
// percent-escaped, so "C#" is searched as "C#" and "a&page=9" cannot add a
// parameter of its own.
std::string KeywordInPath(std::string_view keyword);
std::string KeywordInQuery(std::string_view keyword);

}  // namespace lumo::sources
