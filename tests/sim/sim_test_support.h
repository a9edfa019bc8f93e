#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/catalogue.h"
#include "sim/simulator.h"
#include "text/charset.h"
#include "text/pattern_matcher.h"

namespace lumo::sim::testing {

// The catalogue is the same for every simulator of a test program; building
// it once keeps the many starts and stops quick.
inline std::shared_ptr<const Catalogue> SharedCatalogue() {
    static const std::shared_ptr<const Catalogue> catalogue = [] {
        Catalogue::Options options;
        options.mediaDir = Simulator::DefaultMediaDir();
        std::string error;
        auto built = Catalogue::Build(options, &error);
        if (!built) throw std::runtime_error("catalogue: " + error);
        return built;
    }();
    return catalogue;
}

inline SimOptions TestOptions() {
    SimOptions options;
    options.catalogue = SharedCatalogue();
    options.servicesFile = std::filesystem::path();  // none unless a test asks
    options.threadsPerService = 2;
    return options;
}

struct Fetched {
    bool ok = false;  // a response arrived
    int status = 0;
    std::string body;
    httplib::Headers headers;
    httplib::Error error = httplib::Error::Success;

    std::string Header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

inline httplib::Client ClientFor(const Simulator& sim, Service service, int timeoutSeconds = 5) {
    httplib::Client client("127.0.0.1", sim.Port(service));
    client.set_connection_timeout(timeoutSeconds, 0);
    client.set_read_timeout(timeoutSeconds, 0);
    client.set_keep_alive(false);
    return client;
}

inline Fetched FromResult(const httplib::Result& result) {
    Fetched fetched;
    fetched.error = result.error();
    if (result) {
        fetched.ok = true;
        fetched.status = result->status;
        fetched.body = result->body;
        fetched.headers = result->headers;
    }
    return fetched;
}

inline Fetched Get(const Simulator& sim, Service service, const std::string& target,
                   const httplib::Headers& headers = {}, int timeoutSeconds = 5) {
    auto client = ClientFor(sim, service, timeoutSeconds);
    return FromResult(client.Get(target, headers));
}

inline Fetched Post(const Simulator& sim, Service service, const std::string& target, const std::string& body,
                    const std::string& contentType = "application/x-www-form-urlencoded",
                    const httplib::Headers& headers = {}) {
    auto client = ClientFor(sim, service);
    return FromResult(client.Post(target, headers, body, contentType));
}

// What Lumo's length probe does: a GET that reads the response headers and
// closes without the body. Returns the Content-Length, 0 when there is none.
inline long long ProbeLength(const Simulator& sim, int host, const std::string& target, const std::string& cookie) {
    auto client = ClientFor(sim, DownloadHost(host));
    long long length = 0;
    httplib::Headers headers;
    if (!cookie.empty()) headers.emplace("Cookie", cookie);
    client.Get(
        target, headers,
        [&](const httplib::Response& response) {
            const std::string value = response.get_header_value("Content-Length");
            if (!value.empty()) length = std::stoll(value);
            return false;  // stop after the headers
        },
        [](const char*, size_t) { return false; });
    return length;
}

// A page as Lumo's plain GET reads it: GBK, unless a meta tag in its first
// 1024 characters declares another charset.
inline std::string DecodePage(const std::string& body) {
    const std::string asGbk = text::GbkToUtf8(text::UntilZero(body));
    text::PatternMatcher meta;
    meta.Search(R"re(<meta.+?charset=[^\w]?([-\w]+))re", asGbk.substr(0, 1024), false, true, false);
    const std::string charset = meta.SubMatchText(1, 1);
    if (charset.empty()) return asGbk;
    const auto converted = text::ConvertToUtf8(body, charset);
    return converted ? *converted : asGbk;
}

inline int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

inline int OpenFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace lumo::sim::testing
