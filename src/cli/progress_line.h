#pragma once

#include <cstdint>
#include <string>

namespace lumo::cli {

// What the one-line progress display shows.
struct Progress {
    int64_t position = 0;  // milliseconds
    int64_t duration = 0;  // milliseconds; 0 while unknown
    int buffer = -1;       // percent of the last buffering report; -1 before any
    std::string cache;     // the cached share ("12.5%"), empty when not caching
    bool paused = false;
};

// "playing 01:05 / 03:20  buffer 100%  cache 12.5%", hours shown only when the
// film has them.
std::string ProgressLine(const Progress& progress);

}  // namespace lumo::cli
