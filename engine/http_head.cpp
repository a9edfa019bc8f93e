#include "engine/http_head.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace lumo::engine {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// Digits only: no sign, no spaces, and no overflow.
std::optional<uint64_t> ParseNumber(std::string_view s) {
    if (s.empty() || s.size() > 19) return std::nullopt;
    uint64_t value = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

bool IsToken(std::string_view s) {
    if (s.empty()) return false;
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return c > 32 && c < 127 && c != ':'; });
}

}  // namespace

std::string RequestHead::header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
}

std::optional<RequestHead> ParseRequestHead(std::string_view text) {
    RequestHead head;
    bool first = true;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        if (eol == std::string_view::npos) return std::nullopt;  // the head must end with an empty line
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) {
            if (first) return std::nullopt;
            return head;
        }
        if (first) {
            first = false;
            size_t a = line.find(' ');
            size_t b = a == std::string_view::npos ? a : line.find(' ', a + 1);
            if (b == std::string_view::npos || line.find(' ', b + 1) != std::string_view::npos) return std::nullopt;
            std::string_view method = line.substr(0, a);
            std::string_view target = line.substr(a + 1, b - a - 1);
            std::string_view version = line.substr(b + 1);
            if (!IsToken(method) || target.empty() || target.front() != '/' || version.substr(0, 5) != "HTTP/")
                return std::nullopt;
            head.method = std::string(method);
            head.target = std::string(target);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return std::nullopt;
        std::string name = Lower(line.substr(0, colon));
        std::string value(Trim(line.substr(colon + 1)));
        auto [it, inserted] = head.headers.emplace(name, value);
        if (!inserted) it->second += ", " + value;
    }
    return std::nullopt;
}

RangeRequest ParseRangeHeader(std::string_view value, uint64_t total) {
    RangeRequest whole;
    whole.kind = RangeKind::Whole;
    if (total > 0) whole.range = {0, total - 1};
    value = Trim(value);
    if (value.empty()) return whole;
    std::string lower = Lower(value);
    std::string_view v(lower);
    if (v.substr(0, 6) != "bytes=") return whole;
    v.remove_prefix(6);
    v = Trim(v);
    if (v.find(',') != std::string_view::npos) return whole;
    size_t dash = v.find('-');
    if (dash == std::string_view::npos) return whole;
    std::string_view a = Trim(v.substr(0, dash));
    std::string_view b = Trim(v.substr(dash + 1));
    RangeRequest out;
    out.kind = RangeKind::Partial;
    if (a.empty()) {
        // Suffix range: the last n bytes.
        auto n = ParseNumber(b);
        if (!n) return whole;
        if (*n == 0 || total == 0) {
            out.kind = RangeKind::Unsatisfiable;
            return out;
        }
        uint64_t count = std::min(*n, total);
        out.range = {total - count, total - 1};
        return out;
    }
    auto first = ParseNumber(a);
    if (!first) return whole;
    uint64_t last = total == 0 ? 0 : total - 1;
    if (!b.empty()) {
        auto parsed = ParseNumber(b);
        if (!parsed || *parsed < *first) return whole;
        last = std::min(*parsed, last);
    }
    if (*first >= total) {
        out.kind = RangeKind::Unsatisfiable;
        return out;
    }
    out.range = {*first, last};
    return out;
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    value = Trim(value);
    std::string lower = Lower(value);
    std::string_view v(lower);
    if (v.substr(0, 6) != "bytes ") return std::nullopt;
    v = Trim(v.substr(6));
    size_t slash = v.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view span = Trim(v.substr(0, slash));
    std::string_view totalText = Trim(v.substr(slash + 1));
    ContentRange out;
    if (totalText != "*") {
        out.total = ParseNumber(totalText);
        if (!out.total) return std::nullopt;
    }
    if (span != "*") {
        size_t dash = span.find('-');
        if (dash == std::string_view::npos) return std::nullopt;
        auto a = ParseNumber(span.substr(0, dash));
        auto b = ParseNumber(span.substr(dash + 1));
        if (!a || !b || *b < *a) return std::nullopt;
        uint64_t last = *b;
        if (out.total) {
            if (*a >= *out.total) return std::nullopt;
            // Some servers repeat the range as asked when it runs past the
            // end; the body ends at the total all the same.
            last = std::min(last, *out.total - 1);
        }
        out.range = ByteRange{*a, last};
    }
    if (!out.range && !out.total) return std::nullopt;
    return out;
}

}  // namespace lumo::engine
