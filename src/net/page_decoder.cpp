#include "net/page_decoder.h"

#include <cstdint>
#include <cstring>

#include "net/ascii_text.h"
#include "text/charset.h"
#include "text/pattern_matcher.h"
#include "text/utf8.h"

namespace lumo::net {
namespace {

// GBK spends at most two bytes on a character, so 1024 characters come from
// at most 2048 bytes; the margin keeps a character cut at the end out of the
// part that is searched.
constexpr size_t kSniffBytes = 4096;
constexpr size_t kSniffChars = 1024;

bool IsGbkName(std::string_view charset) {
    const std::string c = ascii::Lower(charset);
    return c == "gbk" || c == "gb2312" || c == "cp936" || c == "x-gbk" || c == "gb_2312-80" ||
           c == "csgb2312" || c == "ms936" || c == "windows-936";
}

bool IsUtf8Name(std::string_view charset) {
    return ascii::EqualsI(charset, "utf-8") || ascii::EqualsI(charset, "utf8");
}

// Valid UTF-8 needs no conversion; most of a page is ASCII markup, which is
// skipped eight bytes at a time.
bool IsValidUtf8(std::string_view bytes) {
    const size_t size = bytes.size();
    size_t pos = 0;
    while (pos < size) {
        if (size - pos >= 8) {
            uint64_t word;
            std::memcpy(&word, bytes.data() + pos, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                pos += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (lumo::text::DecodeUtf8(bytes, pos) == lumo::text::kInvalidUtf8) return false;
    }
    return true;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::string DeclaredCharset(std::string_view body) {
    const std::string head = lumo::text::GbkToUtf8(lumo::text::UntilZero(body.substr(0, kSniffBytes)));
    size_t pos = 0;
    for (size_t chars = 0; chars < kSniffChars && pos < head.size(); ++chars)
        pos += lumo::text::Utf8CharLength(head, pos);
    lumo::text::PatternMatcher matcher;
    if (!matcher.Search("<meta.+?charset=[^\\w]?([-\\w]+)", std::string_view(head).substr(0, pos),
                        /*caseSensitive=*/false, /*multiline=*/true, /*global=*/false))
        return {};
    if (matcher.MatchCount() < 1) return {};
    return matcher.SubMatchText(1, 1);
}

std::string DecodePage(std::string_view body) {
    const std::string charset = DeclaredCharset(body);
    if (!charset.empty() && !IsGbkName(charset)) {
        std::string_view bytes = body;
        if (IsUtf8Name(charset)) {
            if (bytes.substr(0, 3) == kUtf8Bom) bytes.remove_prefix(3);  // not part of the page
            const std::string_view text = lumo::text::UntilZero(bytes);
            if (IsValidUtf8(text)) return std::string(text);
        }
        if (auto converted = lumo::text::ConvertToUtf8(bytes, charset))
            return std::string(lumo::text::UntilZero(*converted));
    }
    return lumo::text::GbkToUtf8(lumo::text::UntilZero(body));
}

std::string DecodeOwnedPage(std::string&& body) {
    if (IsUtf8Name(DeclaredCharset(body))) {
        const size_t bom = std::string_view(body).substr(0, 3) == kUtf8Bom ? 3 : 0;
        const std::string_view text = lumo::text::UntilZero(std::string_view(body).substr(bom));
        if (IsValidUtf8(text)) {
            body.resize(bom + text.size());
            body.erase(0, bom);
            return std::move(body);
        }
    }
    return DecodePage(body);
}

}  // namespace lumo::net
