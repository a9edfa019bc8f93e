// The engine's cache proxy reading its clients' request heads and range
// headers, and the simulator's reading of requests (parameters, cookies,
// ranges). The first byte picks the parser.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/http_head.h"
#include "sim/byte_range.h"
#include "sim/site_request.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool In(std::string_view text, std::string_view piece) { return text.find(piece) != std::string_view::npos; }

void RequestHead(std::string_view input) {
    const auto head = lumo::engine::ParseRequestHead(input);
    if (!head) return;
    Require(!head->method.empty() && !head->target.empty() && head->target.front() == '/');
    Require(In(input, head->method) && In(input, head->target));
    std::string rebuilt = head->method + " " + head->target + " HTTP/1.1\r\n";
    for (const auto& [name, value] : head->headers) {
        Require(!name.empty() && name.find(':') == std::string::npos);
        for (char c : name) Require(!(c >= 'A' && c <= 'Z'));
        Require(head->header(name) == value);
        rebuilt += name + ": " + value + "\r\n";
    }
    rebuilt += "\r\n";
    // What was read writes back to a head that reads the same.
    const auto again = lumo::engine::ParseRequestHead(rebuilt);
    Require(again && again->method == head->method && again->target == head->target &&
            again->headers.size() == head->headers.size());
    // Repeated headers are joined with ", ", so an empty repeat leaves a
    // blank at the end that the second reading trims.
    for (const auto& [name, value] : head->headers) {
        std::string_view trimmed = value;
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
        Require(again->header(name) == trimmed);
    }
}

uint64_t TotalFrom(std::string_view& input) {
    uint64_t total = 0;
    const size_t n = input.size() < 8 ? input.size() : 8;
    std::memcpy(&total, input.data(), n);
    input.remove_prefix(n);
    // Small totals are where the edge cases are.
    return (total & 1) ? total >> 1 : (total >> 1) % 4096;
}

void Ranges(std::string_view input) {
    const uint64_t total = TotalFrom(input);
    const auto request = lumo::engine::ParseRangeHeader(input, total);
    if (request.kind == lumo::engine::RangeKind::Partial) {
        Require(request.range.first <= request.range.last && request.range.last < total);
        Require(request.range.length() <= total);
    } else if (request.kind == lumo::engine::RangeKind::Whole && total > 0) {
        Require(request.range.first == 0 && request.range.last == total - 1);
    }
    if (const auto content = lumo::engine::ParseContentRange(input)) {
        Require(content->range || content->total);
        if (content->range) Require(content->range->first <= content->range->last);
        if (content->range && content->total) Require(content->range->last < *content->total);
    }
    const lumo::sim::ByteRange range = lumo::sim::ParseByteRange(input, total);
    if (range.kind == lumo::sim::ByteRange::Kind::Part) {
        Require(range.first <= range.last && range.last < total);
    }
}

void SimRequest(std::string_view input) {
    lumo::sim::SiteRequest request;
    const size_t lineEnd = input.find('\n');
    request.target = std::string(input.substr(0, lineEnd));
    const size_t question = request.target.find('?');
    if (question != std::string::npos) request.query = request.target.substr(question + 1);
    std::string_view rest = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);
    std::string firstName;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(line.substr(colon + 1)));
    }
    // Names to look up: the first parameter name and cookie name the input holds.
    const std::string_view query = request.query;
    const std::string param(query.substr(0, query.find_first_of("=&")));
    const std::string raw = request.RawParam(param);
    Require(raw.find('&') == std::string::npos && In(query, raw));
    for (const auto& [name, value] : request.headers) {
        if (firstName.empty()) firstName = name;
        // The first cookie name the header holds, as a page would ask for it.
        const size_t nameStart = std::min(value.find_first_not_of(" \t"), value.size());
        const size_t nameEnd = std::min(value.find_first_of("= \t;", nameStart), value.size());
        const std::string cookie = request.Cookie(value.substr(nameStart, nameEnd - nameStart));
        Require(cookie.find(';') == std::string::npos && In(input, cookie));
        Require(cookie.empty() || (cookie.front() != ' ' && cookie.back() != ' '));
    }
    if (!firstName.empty()) Require(In(input, request.Header(firstName)));

    // Decoding undoes the escapes a form writes.
    const std::string decoded = lumo::sim::FormDecode(query);
    Require(decoded.size() <= query.size());
    std::string escaped;
    for (unsigned char c : input) {
        static const char kHex[] = "0123456789ABCDEF";
        escaped += '%';
        escaped += kHex[c >> 4];
        escaped += kHex[c & 15];
    }
    Require(lumo::sim::FormDecode(escaped) == input);
    Require(lumo::sim::FormDecode(input, false).size() <= input.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0: RequestHead(input); break;
        case 1: Ranges(input); break;
        case 2: SimRequest(input); break;
    }
    return 0;
}
