#include "sim/byte_range.h"

#include <charconv>
#include <optional>

namespace lumo::sim {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::optional<uint64_t> Number(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

ByteRange ParseByteRange(std::string_view header, uint64_t size) {
    ByteRange whole;
    header = Trim(header);
    if (!StartsWithNoCase(header, "bytes=")) return whole;
    const std::string_view rangeText = Trim(header.substr(6));
    if (rangeText.find(',') != std::string_view::npos) return whole;
    const size_t dash = rangeText.find('-');
    if (dash == std::string_view::npos) return whole;
    const std::string_view from = Trim(rangeText.substr(0, dash));
    const std::string_view to = Trim(rangeText.substr(dash + 1));

    ByteRange range;
    range.kind = ByteRange::Kind::Part;
    if (from.empty()) {  // the last n bytes
        const auto n = Number(to);
        if (!n) return whole;
        if (*n == 0 || size == 0) return {ByteRange::Kind::Unsatisfiable, 0, 0};
        range.first = *n >= size ? 0 : size - *n;
        range.last = size - 1;
        return range;
    }
    const auto first = Number(from);
    if (!first) return whole;
    std::optional<uint64_t> last;
    if (!to.empty()) {
        last = Number(to);
        if (!last || *last < *first) return whole;
    }
    if (*first >= size) return {ByteRange::Kind::Unsatisfiable, 0, 0};
    range.first = *first;
    range.last = last && *last < size ? *last : size - 1;
    return range;
}

}  // namespace lumo::sim
