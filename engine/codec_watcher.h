#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumo::engine {

// Finds, in the player's log, the moment a stream of the open media has no
// decoder, and the number that names the missing codec:
// - the stream's codec tag (the container's FourCC, as a little-endian
//   32-bit number) when the demuxer reports an unknown codec with its tag;
// - otherwise the first four characters of the codec's name packed the same
//   way ("hevc" gives 0x63766568);
// - 0 when neither is known.
class CodecWatcher {
public:
    void Reset();
    // Returns the number once per media, at the first log line that shows a
    // video or audio stream failing for want of a decoder.
    std::optional<int32_t> OnLog(std::string_view prefix, std::string_view text);

    static int32_t PackFourCc(std::string_view text);

private:
    uint32_t unknownTag_ = 0;
    bool reported_ = false;
};

}  // namespace lumo::engine
