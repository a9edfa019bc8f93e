#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo::text {

// Base64 (RFC 4648 alphabet) to raw bytes; blanks (ASCII and full-width) and
// CR LF pairs are skipped. A group of four stops at its first character
// outside the alphabet and fills the rest from the previous group; a short
// last group yields only its real bytes. stripTrailingZeros drops zero bytes
// at the end.
std::string Base64Decode(std::string_view text, bool stripTrailingZeros = false);

// Percent-encodes every byte ("%" + two upper-case hex digits). keepSafe
// leaves - . 0-9 A-Z a-z as they are. The bytes are the GBK form of the
// UTF-8 text, or the UTF-8 bytes themselves when asUtf8.
std::string UrlEncode(std::string_view text, bool keepSafe = false, bool asUtf8 = false);

// Reverses %XX escapes ('+' stays '+'; a '%' without two hex digits stays).
// The decoded bytes are read as UTF-8 when fromUtf8 (characters GBK cannot
// hold become '?'), otherwise as GBK; the result is UTF-8.
std::string UrlDecode(std::string_view text, bool fromUtf8 = false);

// %uXXXX and %XX escapes to characters, like the script function unescape:
// plain characters and any other '%' are kept. Characters GBK cannot hold
// (lone surrogates included) become '?'. The fallback of ScriptUnescape.
std::string PercentDecode(std::string_view text);

// Hexadecimal digits to a number; case is ignored. A character that is not
// a hex digit counts as -1; values past 64 bits wrap.
int64_t HexToInt(std::string_view text);

}  // namespace lumo::text
