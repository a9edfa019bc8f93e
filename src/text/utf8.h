#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Copies the ASCII bytes at the start of the next eight input bytes to `out`
// and returns how many there were (8 when all are ASCII). Both sides must
// have eight bytes available; bytes past the returned count are written but
// not counted, so the caller overwrites them.
inline size_t CopyAsciiRun8(const unsigned char* in, char* out) {
    uint64_t word;
    std::memcpy(&word, in, 8);
    std::memcpy(out, &word, 8);
    const uint64_t high = word & 0x8080808080808080ULL;
    const int bits = std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
    return static_cast<size_t>(bits) / 8;
}

}  // namespace lumo::text
