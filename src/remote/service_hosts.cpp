#include "remote/service_hosts.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "remote/service_defaults.h"

namespace lumo::remote {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool IsAddressKey(std::string_view lowerKey) { return lowerKey != ServiceHosts::kQq; }

// "http://host:port/" and "host:port" both become "host:port".
std::string HostOf(std::string_view value) {
    if (StartsWithNoCase(value, "http://")) value.remove_prefix(7);
    while (!value.empty() && value.back() == '/') value.remove_suffix(1);
    return std::string(value);
}

}  // namespace

std::string ServiceHosts::DownloadKey(int n) { return "download" + std::to_string(n); }

ServiceHosts ServiceHosts::Defaults() {
    ServiceHosts hosts;
    hosts.Set(kWebsite, defaults::kWebsite);
    hosts.Set(kForum, defaults::kForum);
    hosts.Set(kOffline, defaults::kOffline);
    hosts.Set(kSearch, defaults::kSearch);
    hosts.Set(kApi, defaults::kApi);
    hosts.Set(kFilms, defaults::kFilms);
    hosts.Set(kSubtitles, defaults::kSubtitles);
    hosts.Set(kCodecs, defaults::kCodecs);
    hosts.Set(kExtra, defaults::kExtra);
    hosts.Set(kQq, defaults::kOperatorQq);
    for (int n = 1; n <= kDownloadHostCount; ++n) hosts.Set(DownloadKey(n), defaults::kDownloadHosts[n - 1]);
    return hosts;
}

ServiceHosts ServiceHosts::FromEnvironment(std::string* error) {
    ServiceHosts hosts = Defaults();
    const char* path = std::getenv(kEnvironmentVariable);
    if (path != nullptr && *path != '\0') hosts.ApplyFile(path, error);
    return hosts;
}

bool ServiceHosts::ApplyFile(const std::filesystem::path& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read the services file " + path.string();
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    ApplyText(text.str());
    return true;
}

int ServiceHosts::ApplyText(std::string_view iniText) {
    int applied = 0;
    bool inSection = false;
    size_t pos = 0;
    while (pos < iniText.size()) {
        size_t end = iniText.find('\n', pos);
        if (end == std::string_view::npos) end = iniText.size();
        const std::string_view line = Trim(iniText.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string_view::npos && Lower(Trim(line.substr(1, close - 1))) == "services";
            continue;
        }
        const size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty()) continue;
        Set(key, Trim(line.substr(eq + 1)));
        ++applied;
    }
    return applied;
}

void ServiceHosts::Set(std::string_view key, std::string_view value) {
    const std::string lowerKey = Lower(key);
    values_[lowerKey] = IsAddressKey(lowerKey) ? HostOf(value) : std::string(value);
}

std::string ServiceHosts::Value(std::string_view key) const {
    const auto it = values_.find(Lower(key));
    return it == values_.end() ? std::string() : it->second;
}

std::string ServiceHosts::BaseAddress(std::string_view key) const {
    const std::string host = Value(key);
    return host.empty() ? std::string() : "http://" + host;
}

std::string ServiceHosts::WebsiteAddress() const {
    const std::string base = BaseAddress(kWebsite);
    return base.empty() ? base : base + "/";
}

std::string ServiceHosts::ForumHomeAddress() const {
    const std::string base = BaseAddress(kForum);
    return base.empty() ? base : base + "/forum.php";
}

std::string ServiceHosts::CodecPackAddress() const {
    const std::string base = BaseAddress(kCodecs);
    return base.empty() ? base : base + "/codecs.zip";
}

std::string ServiceHosts::DownloadHosts() const {
    std::string text;
    for (int n = 1; n <= kDownloadHostCount; ++n) {
        if (n > 1) text += "\r\n";
        text += BaseAddress(DownloadKey(n));
    }
    return text;
}

std::string ServiceHosts::HostLine(int n) const {
    if (n < 1 || n > kDownloadHostCount) return {};
    return BaseAddress(DownloadKey(n));
}

}  // namespace lumo::remote
