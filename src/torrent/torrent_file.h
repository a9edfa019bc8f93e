#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/bencode_type.h"

namespace lumo::torrent {

// Reads a .torrent file far enough to find the top-level dictionary's pairs
// and computes the info-hash: the SHA-1 of the "info" dictionary's bytes as
// they stand in the file, as 40 upper-case hexadecimal digits.
//
// Keys and values are raw bytes (no charset conversion). A stored value is:
// a string's bytes cut at their first zero byte; an integer's text between
// "i" and "e"; a list's or dictionary's bytes without the leading letter and
// the closing "e" (or without the last byte present when the data ends
// before that "e").
//
// Values are kept as offsets into the loaded data, so the large "pieces"
// string is never copied and the hash is fed straight from the data.
class TorrentFile {
public:
    // Deepest nesting the reader follows; the top-level dictionary is level
    // 1. A list or dictionary deeper than this fails the parse where it
    // starts, like any other damaged element.
    static constexpr int kMaxDepth = 64;

    // Outcome of one parsing step over the remaining data. Views point into
    // the data given to the step. For lists and dictionaries `consumed` also
    // tells, after a failure, how many bytes were read before it.
    struct Step {
        bool ok = false;
        size_t consumed = 0;
        std::string_view value;  // the element's stored form
    };
    struct IntegerStep : Step {
        int32_t number = 0;  // the digits as a 32-bit integer, saturated
    };
    struct ListStep : Step {
        std::vector<std::string_view> elements;
    };
    struct DictStep : Step {
        std::vector<std::string_view> keys;
        std::vector<std::string_view> values;  // one shorter when the last key lost its value
    };

    static BencodeType ElementType(std::string_view data);
    static Step ReadString(std::string_view data);
    static IntegerStep ReadInteger(std::string_view data);
    static ListStep ParseList(std::string_view data);
    static DictStep ParseDict(std::string_view data);

    // SHA-1 digest (20 bytes), empty when the digest cannot be computed.
    static std::string HashBytes(std::string_view bytes);
    // Upper-case hexadecimal, two digits per byte, no separators.
    static std::string BytesToHex(std::string_view bytes);

    // Replaces the data and parses it. Pairs read before a failure stay.
    bool Load(std::string bytes);

    // 40 upper-case hex digits, or empty when there is no top-level "info"
    // key with a value (or the digest fails).
    std::string InfoHash() const;

    const std::string& Data() const { return data_; }
    size_t KeyCount() const { return keys_.size(); }
    size_t ValueCount() const { return values_.size(); }
    std::string_view Key(size_t index) const;
    std::string_view Value(size_t index) const;
    std::vector<std::string_view> Keys() const;
    std::vector<std::string_view> Values() const;
    // Bytes of the top-level dictionary the last Load read.
    size_t Consumed() const { return consumed_; }

private:
    struct Span {
        size_t offset = 0;
        size_t length = 0;
    };
    Span SpanOf(std::string_view view) const;
    std::string_view ViewOf(Span span) const;

    std::string data_;
    std::vector<Span> keys_;
    std::vector<Span> values_;
    size_t consumed_ = 0;
};

}  // namespace lumo::torrent
