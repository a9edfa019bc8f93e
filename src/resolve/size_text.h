#pragma once

#include <string>
#include <string_view>

namespace lumo::resolve {

// The number a text begins with, read the forgiving way the lists need:
// blanks first, an optional sign, digits and an optional fraction; whatever
// follows is ignored, and a text that does not begin with a number reads 0.
double LeadingNumber(std::string_view text);

// A size in bytes shown in binary gigabytes: the leading number of
// `sizeText` divided by 1073741824, rounded half up to `decimals` decimals
// (0 to 6), in the shortest form (no trailing zeros, no point for whole
// numbers), followed by "G". 1610612736 gives "1.5G", 734003200 gives
// "0.68G" with 2 decimals and "0.7G" with 1.
std::string GigabyteText(std::string_view sizeText, int decimals);

}  // namespace lumo::resolve
