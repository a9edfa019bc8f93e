#include "playback/progress_text.h"

#include <algorithm>
#include <cmath>

namespace lumo::playback {

std::string FormatClock(int64_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    const int64_t hours = milliseconds / 3600000;
    const int64_t minutes = milliseconds % 3600000 / 60000;
    const int64_t seconds = milliseconds % 60000 / 1000;
    return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds);
}

std::string CachePercentText(std::string_view blockMap, int blockTotal) {
    if (blockTotal <= 0) return "0";
    const auto stored = std::count(blockMap.begin(), blockMap.end(), '1');
    // Tenths, rounded half up, in integers so 12.25 cannot come out as 12.2.
    const int64_t tenths = (static_cast<int64_t>(stored) * 2000 + blockTotal) / (2 * static_cast<int64_t>(blockTotal));
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

}  // namespace lumo::playback
