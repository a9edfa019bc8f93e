#include "engine/codec_watcher.h"

#include <cctype>

namespace lumo::engine {
namespace {

// "... (LUMO / 0x4F4D554C) ..." -> 0x4F4D554C
std::optional<uint32_t> TagIn(std::string_view text) {
    size_t at = text.find(" / 0x");
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view digits = text.substr(at + 5);
    uint32_t value = 0;
    size_t n = 0;
    for (; n < digits.size() && n < 8 && std::isxdigit(static_cast<unsigned char>(digits[n])); ++n) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[n])));
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (n == 0 || value == 0) return std::nullopt;
    return value;
}

}  // namespace

void CodecWatcher::Reset() {
    unknownTag_ = 0;
    reported_ = false;
}

int32_t CodecWatcher::PackFourCc(std::string_view text) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
        value |= static_cast<uint32_t>(c) << (8 * i);
    }
    return static_cast<int32_t>(value);
}

std::optional<int32_t> CodecWatcher::OnLog(std::string_view prefix, std::string_view text) {
    if (prefix.substr(0, 7) == "ffmpeg/" && text.find("unknown codec") != std::string_view::npos) {
        if (auto tag = TagIn(text); tag && unknownTag_ == 0) unknownTag_ = *tag;
        return std::nullopt;
    }
    if (prefix != "vd" && prefix != "ad") return std::nullopt;
    constexpr std::string_view kFailed = "Failed to initialize a decoder for codec '";
    if (text.substr(0, kFailed.size()) != kFailed) return std::nullopt;
    if (reported_) return std::nullopt;
    reported_ = true;
    if (unknownTag_ != 0) return static_cast<int32_t>(unknownTag_);
    std::string_view name = text.substr(kFailed.size());
    name = name.substr(0, name.find('\''));
    if (name.empty()) return 0;
    return PackFourCc(name);
}

}  // namespace lumo::engine
