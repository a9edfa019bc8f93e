#include "store/resume_positions.h"

#include <charconv>
#include <cstdio>

namespace lumo::store {

namespace {

constexpr int64_t kMargin = 10000;

// FNV-1a, 64 bits: stable across runs and builds, and keeps characters an
// INI key cannot hold ("=", "[", line ends) out of the key.
std::string Digest(std::string_view text) {
    uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

}  // namespace

std::string ResumeKeyForSha1(std::string_view sha1) {
    const bool plain = sha1.size() == 40 && sha1.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
    return "sha1-" + (plain ? std::string(sha1) : Digest(sha1));
}

std::string ResumeKeyForPath(std::string_view path) { return "path-" + Digest(path); }

std::optional<int64_t> ReadResumePosition(const IniFile& history, std::string_view key) {
    const std::string text = history.Read(kResumeSection, key);
    int64_t position = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), position);
    if (error != std::errc() || end != text.data() + text.size() || position <= 0) return std::nullopt;
    return position;
}

bool KeepResumePosition(const IniFile& history, std::string_view key, int64_t position, int64_t duration) {
    if (position < kMargin || duration <= 0 || position > duration - kMargin) {
        if (!ReadResumePosition(history, key)) return true;
        return history.RemoveKey(kResumeSection, key);
    }
    return history.Write(kResumeSection, key, std::to_string(position));
}

}  // namespace lumo::store
