#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::engine {

// The head of an HTTP request as the cache proxy reads it from its client.
struct RequestHead {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case

    std::string header(const std::string& lowerName) const;
};

// Parses "METHOD target HTTP/1.x" and the header lines up to the empty line.
// Returns nothing for anything malformed.
std::optional<RequestHead> ParseRequestHead(std::string_view text);

// An inclusive byte range inside a body of known length.
struct ByteRange {
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t length() const { return last - first + 1; }
};

enum class RangeKind { Whole, Partial, Unsatisfiable };

struct RangeRequest {
    RangeKind kind = RangeKind::Whole;
    ByteRange range;
};

// Interprets a Range header against a body of `total` bytes. A single
// "bytes=a-b", "bytes=a-" or "bytes=-n" is honoured; anything the proxy does
// not serve as a range (several ranges, other units, garbage) yields the whole
// body, which every HTTP client accepts.
RangeRequest ParseRangeHeader(std::string_view value, uint64_t total);

// "bytes a-b/total" or "bytes */total" of a response; an end past the total
// is cut to the total.
struct ContentRange {
    std::optional<ByteRange> range;
    std::optional<uint64_t> total;
};
std::optional<ContentRange> ParseContentRange(std::string_view value);

}  // namespace lumo::engine
