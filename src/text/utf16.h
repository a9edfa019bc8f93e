#pragma once

#include <string>
#include <string_view>

namespace lumo::text {

// The escape decoders work on UTF-16 code units, as the script functions
// they follow do: "%uD83D%uDE00" is one character there, a lone "%uD800" a
// broken one.

// UTF-8 to code units; invalid bytes become U+FFFD.
std::u16string Utf8ToCodeUnits(std::string_view utf8);

// Annex-B unescape: "%uXXXX" and "%XX" become the code unit they name;
// any other '%' stays as it is.
std::u16string UnescapeCodeUnits(std::u16string_view units);

// Code units to UTF-8 holding only what a GBK text can hold: a lone
// surrogate, and any character GBK lacks, becomes '?'.
std::string CodeUnitsToGbkSafeUtf8(std::u16string_view units);

// Value of an ASCII hexadecimal digit, -1 for anything else.
int HexDigitValue(char32_t c);

}  // namespace lumo::text
