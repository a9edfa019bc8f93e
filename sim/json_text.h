#pragma once

#include <string>
#include <string_view>

namespace lumo::sim {

// A UTF-8 text as the contents of a JSON string the way the services write
// them: every character outside ASCII as "\u" escapes of its UTF-16 code
// units (lower-case hex, surrogate pairs beyond the BMP), '"', '\' and '/'
// escaped with a backslash, control characters as \n, \r, \t or \u00XX.
std::string JsonEscape(std::string_view utf8);

}  // namespace lumo::sim
