#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumo::text {

// Returned by DecodeUtf8 for a byte sequence that is not valid UTF-8.
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Reads one character at `pos` and moves `pos` past it. An invalid sequence
// yields kInvalidUtf8 and skips its maximal valid prefix (at least one byte),
// so every invalid stretch costs one replacement per broken character, never
// a whole tail of the text. Surrogates and overlong forms are invalid.
char32_t DecodeUtf8(std::string_view text, size_t& pos);

// Appends the UTF-8 form of a code point (which must not be a surrogate).
void AppendUtf8(std::string& out, char32_t cp);

// Length of the character (or invalid stretch) that starts at `pos`.
size_t Utf8CharLength(std::string_view text, size_t pos);

}  // namespace lumo::text
