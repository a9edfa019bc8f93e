#include "cli/progress_line.h"

#include <cstdio>

namespace lumo::cli {
namespace {

std::string Clock(int64_t milliseconds, bool withHours) {
    const int64_t seconds = milliseconds < 0 ? 0 : milliseconds / 1000;
    char text[32];
    if (withHours)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace

std::string ProgressLine(const Progress& progress) {
    const bool hours = progress.duration >= 3600000 || progress.position >= 3600000;
    std::string line = progress.paused ? "paused " : "playing ";
    line += Clock(progress.position, hours) + " / " + (progress.duration > 0 ? Clock(progress.duration, hours) : "--:--");
    line += "  buffer " + (progress.buffer < 0 ? std::string("-") : std::to_string(progress.buffer) + "%");
    line += "  cache " + (progress.cache.empty() ? std::string("off") : progress.cache);
    return line;
}

}  // namespace lumo::cli
