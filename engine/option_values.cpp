#include "engine/option_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace lumo::engine {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts;
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<bool> ParseSwitch(std::string_view text) {
    text = Trim(text);
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> ParseChannel(std::string_view text) {
    auto value = ParseInteger(text);
    if (!value || *value < 0 || *value > 3) return std::nullopt;
    return static_cast<int>(*value);
}

std::string ChannelFilter(int channel) {
    // The source is brought to two channels first, so a mono or surround
    // track maps the same way.
    switch (channel) {
        case 1:
            return "@lumo-channel:lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=c0|c1=c0]";
        case 2:
            return "@lumo-channel:lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=c1|c1=c1]";
        case 3:
            return "@lumo-channel:lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=0.5*c0+0.5*c1|c1=0.5*c0+0.5*c1]";
        default:
            return std::string();
    }
}

std::string VideoFilters(bool enhance, bool stereo3d) {
    std::string chain;
    // Side-by-side input (left eye first) seen as a red/cyan anaglyph.
    if (stereo3d) chain = "@lumo-3d:lavfi=[stereo3d=sbsl:arcd]";
    if (enhance) {
        if (!chain.empty()) chain += ",";
        chain += "@lumo-enhance:lavfi=[unsharp=5:5:0.8:3:3:0.4,eq=contrast=1.05:saturation=1.15]";
    }
    return chain;
}

std::optional<int> ParseSubtitlePosition(std::string_view text) {
    auto parts = Split(Trim(text), ';');
    if (parts.size() < 3) return std::nullopt;
    auto value = ParseInteger(parts[2]);
    if (!value) return std::nullopt;
    return static_cast<int>(std::clamp<long long>(*value, 0, 100));
}

std::string FormatSubtitlePosition(int position) { return "1;50;" + std::to_string(position); }

std::optional<double> ParseSubtitleDelayMs(std::string_view text) {
    auto parts = Split(Trim(text), ';');
    auto value = ParseNumber(parts[0]);
    // A day either way is far beyond any film; larger values are garbage.
    if (!value || std::fabs(*value) > 86400000.0) return std::nullopt;
    return *value;
}

std::string FormatSubtitleDelay(double seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f;1000;1000", seconds * 1000.0);
    std::string text(buffer);
    return text == "-0;1000;1000" ? "0;1000;1000" : text;
}

std::optional<std::string> ParseCookie(std::string_view text) {
    text = Trim(text);
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return std::nullopt;
    return std::string(text);
}

std::string OverlayMessage(std::string_view text) {
    if (text.empty()) return std::string();
    // "$>" turns off property expansion for the rest of the message.
    std::string message = "$>";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n' || u >= 0x20) message += c;
        else if (c == '\t' || c == '\r') message += ' ';
    }
    return message;
}

double ScaleToPlayer(double pixels) { return pixels * 720.0 / 512.0; }

bool IsHttpAddress(std::string_view address) {
    std::string head(address.substr(0, 8));
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

}  // namespace lumo::engine
