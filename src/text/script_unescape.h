#pragma once

#include <string>
#include <string_view>

namespace lumo::text {

// Decodes the JSON-style escapes ("\u4e2d", "\/", "\"", "%41") of a whole
// service answer, keeping its CR LF line breaks and apostrophes. Input and
// output are UTF-8; characters GBK cannot hold come back as '?'.
std::string ScriptUnescape(std::string_view text);

}  // namespace lumo::text
