#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo::playback {

// "H:M:S" without leading zeros: 3723000 ms is "1:2:3".
std::string FormatClock(int64_t milliseconds);

// The share of stored blocks in a block map of "0" and "1" characters,
// against `blockTotal`, rounded to one decimal and written without a
// trailing ".0" ("12.5", "100"); "0" when the total is not known.
std::string CachePercentText(std::string_view blockMap, int blockTotal);

}  // namespace lumo::playback
