#include "torrent/magnet_input.h"

#include "text/charset.h"
#include "text/utf8.h"

namespace lumo::torrent {

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool IsHexHash(std::string_view text) {
    if (text.size() != 40) return false;
    for (char c : text) {
        if (!IsHexDigit(c)) return false;
    }
    return true;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    if (text.size() < start.size()) return false;
    for (size_t i = 0; i < start.size(); ++i) {
        if (Lower(text[i]) != Lower(start[i])) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return Lower(c) - 'a' + 10;
}

// "%41" becomes "A"; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) &&
            IsHexDigit(text[i + 2])) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// 32 base32 characters (RFC 4648, either case) are the 20 bytes of a hash.
std::optional<std::string> Base32ToHex(std::string_view text) {
    if (text.size() != 32) return std::nullopt;
    std::string hex;
    hex.reserve(40);
    uint32_t buffer = 0;
    int bits = 0;
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (char c : text) {
        int value = -1;
        if (c >= 'A' && c <= 'Z') value = c - 'A';
        if (c >= 'a' && c <= 'z') value = c - 'a';
        if (c >= '2' && c <= '7') value = c - '2' + 26;
        if (value < 0) return std::nullopt;
        buffer = (buffer << 5) | static_cast<uint32_t>(value);
        bits += 5;
        while (bits >= 4) {
            bits -= 4;
            hex.push_back(kDigits[(buffer >> bits) & 0xF]);
        }
    }
    return hex;
}

std::optional<std::string> HashText(std::string_view text) {
    if (IsHexHash(text)) return std::string(text);
    return Base32ToHex(text);
}

bool IsExactTopicName(std::string_view name) {
    if (name == "xt") return true;
    if (name.size() < 4 || name.substr(0, 3) != "xt.") return false;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::optional<std::string> HashOfMagnetLink(std::string_view link) {
    constexpr std::string_view kScheme = "magnet:?";
    constexpr std::string_view kBtih = "urn:btih:";
    if (!StartsWithNoCase(link, kScheme)) return std::nullopt;
    std::string_view query = link.substr(kScheme.size());
    // A fragment is never part of a parameter.
    query = query.substr(0, query.find('#'));
    while (!query.empty()) {
        const size_t end = query.find('&');
        const std::string_view parameter = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        const size_t equals = parameter.find('=');
        if (equals == std::string_view::npos) continue;
        if (!IsExactTopicName(PercentDecoded(parameter.substr(0, equals)))) continue;
        const std::string value = PercentDecoded(parameter.substr(equals + 1));
        const std::string_view topic = TrimBlanks(value);
        // Other topics (a v2 "urn:btmh:" hash) may stand beside the one Lumo reads.
        if (!StartsWithNoCase(topic, kBtih)) continue;
        if (std::optional<std::string> hash = HashText(topic.substr(kBtih.size()))) return hash;
    }
    return std::nullopt;
}

std::string PlainReading(std::string_view input) {
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

}  // namespace

std::optional<std::string> UsableInfoHash(std::string_view input) {
    const std::string plain = PlainReading(input);
    if (IsHexHash(plain)) return plain;
    const std::string_view trimmed = TrimBlanks(input);
    if (std::optional<std::string> hash = HashOfMagnetLink(trimmed)) return hash;
    return HashText(trimmed);
}

std::string InfoHashFromInput(std::string_view input) {
    if (std::optional<std::string> hash = UsableInfoHash(input)) return *hash;
    return PlainReading(input);
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
