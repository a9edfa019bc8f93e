#include "torrent/magnet_input.h"

#include "text/charset.h"
#include "text/utf8.h"

namespace lumo::torrent {

std::string InfoHashFromInput(std::string_view input) {
    std::string rest;
    rest.reserve(input.size());
    while (!input.empty()) {
        const size_t at = input.find(kMagnetPrefix);
        if (at == std::string_view::npos) {
            rest.append(input);
            break;
        }
        rest.append(input.substr(0, at));
        input.remove_prefix(at + kMagnetPrefix.size());
    }

    // Counted in GBK bytes, the unit the services see.
    std::string hash;
    size_t bytes = 0;
    size_t pos = 0;
    while (pos < rest.size()) {
        const size_t length = text::Utf8CharLength(rest, pos);
        const std::string_view character(rest.data() + pos, length);
        const size_t gbk = text::GbkLength(character);
        if (bytes + gbk > kInfoHashBytes) break;
        hash.append(character);
        bytes += gbk;
        pos += length;
    }
    return hash;
}

std::string MagnetLink(std::string_view infoHash) {
    std::string link(kMagnetPrefix);
    link.append(infoHash);
    return link;
}

std::optional<HintChange> MagnetHintOnFocusLost(std::string_view boxText) {
    if (!boxText.empty()) return std::nullopt;
    return HintChange{std::string(kMagnetHint), kHintColour};
}

std::optional<HintChange> MagnetHintOnFocusGained(std::string_view boxText) {
    if (boxText != kMagnetHint) return std::nullopt;
    return HintChange{std::string(), kTypingColour};
}

std::optional<std::string> MagnetTextToCopy(int tab, std::string_view value) {
    switch (tab) {
        case 1:
        case 3: return MagnetLink(value);
        case 4: return std::string(value);
        default: return std::nullopt;
    }
}

}  // namespace lumo::torrent
