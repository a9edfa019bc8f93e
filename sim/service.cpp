#include "sim/service.h"

#include <array>
#include <charconv>

namespace lumo::sim {
namespace {

constexpr std::array<const char*, ServiceIndex(Service::Download1)> kNames = {
    "control", "website", "forum", "filelist", "offline", "search",
    "api",     "films",   "words", "subtitles", "codecs",
};

std::optional<int> HostNumber(std::string_view digits) {
    int n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n < 1 || n > kDownloadHostCount) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::string ServiceName(Service s) {
    const int index = ServiceIndex(s);
    if (index >= 0 && index < ServiceIndex(Service::Download1)) return kNames[index];
    if (IsDownloadHost(s)) return "download" + std::to_string(DownloadHostNumber(s));
    if (s == Service::Extra) return "extra";
    return "unknown";
}

std::optional<Service> ParseServiceName(std::string_view name) {
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (name == kNames[i]) return ServiceAt(static_cast<int>(i));
    }
    if (name == "extra") return Service::Extra;
    for (std::string_view prefix : {std::string_view("download"), std::string_view("dl")}) {
        if (name.substr(0, prefix.size()) == prefix) {
            if (const auto n = HostNumber(name.substr(prefix.size()))) return DownloadHost(*n);
        }
    }
    return std::nullopt;
}

}  // namespace lumo::sim
