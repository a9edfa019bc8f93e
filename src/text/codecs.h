#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo::text {

// Base64 (RFC 4648 alphabet) to raw bytes; blanks and CR LF are skipped.
std::string Base64Decode(std::string_view text, bool stripTrailingZeros = false);

// Percent-encodes every byte ("%" + two upper-case hex digits). keepSafe
// leaves - . 0-9 A-Z a-z as they are. The bytes are the GBK form of the
// UTF-8 text, or the UTF-8 bytes themselves when asUtf8.
std::string UrlEncode(std::string_view text, bool keepSafe = false, bool asUtf8 = false);

// Reverses %XX escapes ('+' stays '+'). The decoded bytes are read as UTF-8
// when fromUtf8, otherwise as GBK; the result is UTF-8.
std::string UrlDecode(std::string_view text, bool fromUtf8 = false);

// %uXXXX and %XX escapes to characters (the fallback of ScriptUnescape).
std::string PercentDecode(std::string_view text);

// Hexadecimal digits to a number; case is ignored.
int64_t HexToInt(std::string_view text);

}  // namespace lumo::text
