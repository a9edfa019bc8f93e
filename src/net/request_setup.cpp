#include "net/request_setup.h"

#include <vector>

#include "net/ascii_text.h"
#include "net/curl_transfer.h"

namespace lumo::net {

std::string EscapeForRequestLine(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

bool MakeHeaderList(std::string_view block, bool lastWins, HeaderList& out) {
    std::vector<std::string> lines;
    bool hasExpect = false;
    for (std::string_view line : ascii::Split(block, "\r\n")) {
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        const std::string_view name = colon == std::string_view::npos ? line : line.substr(0, colon);
        if (ascii::EqualsI(name, "Expect")) hasExpect = true;
        bool merged = false;
        if (lastWins && colon != std::string_view::npos) {
            for (std::string& kept : lines) {
                const size_t c = kept.find(':');
                if (c != std::string::npos && ascii::EqualsI(std::string_view(kept).substr(0, c), name)) {
                    kept = std::string(line);
                    merged = true;
                    break;
                }
            }
        }
        if (!merged) lines.emplace_back(line);
    }
    // libcurl would otherwise hold back larger bodies waiting for a
    // "100 Continue" that plain servers never send.
    if (!hasExpect) lines.emplace_back("Expect:");

    curl_slist* list = nullptr;
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown) {
            curl_slist_free_all(list);
            return false;
        }
        list = grown;
    }
    out.reset(list);
    return true;
}

std::string ProxyFor(std::string_view proxy) {
    if (proxy.empty()) return {};
    if (proxy.find("://") != std::string_view::npos) return std::string(proxy);
    return "http://" + std::string(proxy);
}

const char* MethodVerb(HttpMethod method, bool allowPut) {
    switch (method) {
        case HttpMethod::Post: return "POST";
        case HttpMethod::Head: return "HEAD";
        case HttpMethod::Put: return allowPut ? "PUT" : "GET";
        default: return "GET";
    }
}

bool ApplyMethod(CurlTransfer& transfer, HttpMethod method, const std::string& body) {
    CURL* h = transfer.Handle();
    const std::string verb = MethodVerb(method);
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(h, option, value) == CURLE_OK;
    };
    if (verb == "HEAD" && body.empty()) {
        set(CURLOPT_NOBODY, 1L);
        return ok;
    }
    if (verb == "GET" && body.empty()) {
        set(CURLOPT_HTTPGET, 1L);
        return ok;
    }
    set(CURLOPT_POST, 1L);
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    set(CURLOPT_POSTFIELDS, body.c_str());
    if (verb != "POST") set(CURLOPT_CUSTOMREQUEST, verb.c_str());
    // A HEAD answer announces a body it never sends.
    if (verb == "HEAD") transfer.StopAfterHeaders(true);
    return ok;
}

}  // namespace lumo::net
