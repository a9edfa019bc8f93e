#include "net/split_url.h"

#include "net/ascii_text.h"

namespace lumo::net {
namespace {

// Host with port, lower-case.
std::string HostWithPort(std::string_view address) {
    std::string a = ascii::Lower(address);
    if (a.empty() || a.back() != '/') a.push_back('/');
    size_t start;
    if (a.rfind("https://", 0) == 0) {
        start = 8;
    } else if (a.rfind("http://", 0) == 0) {
        start = 7;
    } else {
        // Only a leading scheme counts: "host/?u=http://other/" is still host.
        start = 0;
    }
    // The host ends at the path, or at a query or fragment without a path.
    const size_t end = a.find_first_of("/?#", start);
    return a.substr(start, end - start);
}

// Position of the ":" before the port, npos when none ("[::1]:80" aware).
size_t PortColon(std::string_view host) {
    if (!host.empty() && host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return std::string_view::npos;
        return host.find(':', close);
    }
    return host.find(':');
}

}  // namespace

bool IsHttpsAddress(std::string_view address) {
    return ascii::StartsWithI(address, "https");
}

std::string SplitUrlHost(std::string_view address, bool parentDomain, bool keepPort) {
    std::string host = HostWithPort(address);
    if (parentDomain) {
        const auto labels = ascii::Split(host, ".");
        if (labels.size() >= 2)
            host = std::string(labels[labels.size() - 2]) + "." + std::string(labels.back());
    }
    if (!keepPort) {
        const size_t colon = PortColon(host);
        if (colon != std::string::npos) host.resize(colon);
    }
    return host;
}

int SplitUrlPort(std::string_view address) {
    const std::string host = HostWithPort(address);
    const size_t colon = PortColon(host);
    if (colon == std::string::npos) return IsHttpsAddress(address) ? 443 : 80;
    const std::string_view digits = std::string_view(host).substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return 0;
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535 ? port : 0;
}

std::string SplitUrlPath(std::string_view address) {
    const std::string host = SplitUrlHost(address);
    // The host is looked for after the scheme, so that a host such as "t"
    // is not found inside "http".
    size_t scheme = 0;
    if (ascii::StartsWithI(address, "https://")) scheme = 8;
    else if (ascii::StartsWithI(address, "http://")) scheme = 7;
    size_t at = host.empty() ? std::string_view::npos : ascii::FindI(address, host, scheme);
    if (at == std::string_view::npos) at = scheme;
    const size_t slash = address.find('/', at + host.size());
    if (slash == std::string_view::npos) {
        // A query straight after the host still belongs to the request.
        const size_t query = address.find('?', at + host.size());
        if (query != std::string_view::npos) return "/" + std::string(address.substr(query));
        return "/";
    }
    return std::string(address.substr(slash));
}

}  // namespace lumo::net
