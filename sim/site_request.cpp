#include "sim/site_request.h"

#include <strings.h>

#include <string_view>

namespace lumo::sim {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string SiteRequest::Param(const std::string& name) const {
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool SiteRequest::HasParam(const std::string& name) const { return params.count(name) > 0; }

std::string SiteRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

std::string SiteRequest::Cookie(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), "Cookie") != 0) continue;
        std::string_view rest = value;
        while (!rest.empty()) {
            const size_t semi = rest.find(';');
            const std::string_view item = Trim(rest.substr(0, semi));
            rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
            const size_t eq = item.find('=');
            if (eq != std::string_view::npos && Trim(item.substr(0, eq)) == name) {
                return std::string(Trim(item.substr(eq + 1)));
            }
        }
    }
    return {};
}

std::string FormDecode(std::string_view text, bool plusAsSpace) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusAsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string SiteRequest::RawParam(const std::string& name) const {
    std::string_view rest = query;
    while (!rest.empty()) {
        const size_t amp = rest.find('&');
        const std::string_view item = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=') {
            return std::string(item.substr(name.size() + 1));
        }
        if (item == name) return {};
    }
    return {};
}

}  // namespace lumo::sim
