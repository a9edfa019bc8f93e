#include "text/text_between.h"

namespace lumo::text {
namespace {

constexpr std::string_view kQuotePlaceholder = "#引号";

std::string WithQuotes(std::string_view marker) {
    std::string out;
    out.reserve(marker.size());
    size_t pos = 0;
    while (pos < marker.size()) {
        if (marker.substr(pos, kQuotePlaceholder.size()) == kQuotePlaceholder) {
            out.push_back('"');
            pos += kQuotePlaceholder.size();
        } else {
            out.push_back(marker[pos++]);
        }
    }
    return out;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte search; with ignoreCase only ASCII letters are folded, so the bytes of
// multi-byte characters always compare exactly. An empty needle is found
// where the search starts.
size_t Find(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    if (!ignoreCase) return text.find(needle, from);
    if (from > text.size() || needle.size() > text.size() - from) return std::string_view::npos;
    const size_t last = text.size() - needle.size();
    for (size_t i = from; i <= last; ++i) {
        size_t k = 0;
        while (k < needle.size() && FoldAscii(text[i + k]) == FoldAscii(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

}  // namespace

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        size_t start, bool ignoreCase) {
    const std::string leftMarker = WithQuotes(left);
    const std::string rightMarker = WithQuotes(right);
    const size_t from = start > 0 ? start - 1 : 0;
    if (from > text.size()) return {};
    const size_t leftAt = Find(text, leftMarker, from, ignoreCase);
    if (leftAt == std::string_view::npos) return {};
    const size_t inner = leftAt + leftMarker.size();
    const size_t rightAt = Find(text, rightMarker, inner, ignoreCase);
    if (rightAt == std::string_view::npos) return {};
    return std::string(text.substr(inner, rightAt - inner));
}

}  // namespace lumo::text
