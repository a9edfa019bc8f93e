#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::text {

// Lumo keeps every text as UTF-8; GBK (code page 936) exists only at the
// edges: INI files, pages without a declared charset, Base64-decoded names.

// GBK bytes to UTF-8. Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK bytes; a character GBK cannot represent becomes '?'.
std::string Utf8ToGbk(std::string_view utf8);

// Length in bytes of the GBK form of a UTF-8 text.
size_t GbkLength(std::string_view utf8);

// Replaces every character GBK cannot represent by '?', keeping UTF-8.
std::string KeepGbkRepresentable(std::string_view utf8);

// Converts bytes from a named charset (as a page declares it, e.g. "utf-8",
// "gb2312", "big5") to UTF-8. nullopt when the charset is unknown to iconv.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, std::string_view charset);

// Cuts a text at its first zero byte.
std::string_view UntilZero(std::string_view text);

}  // namespace lumo::text
