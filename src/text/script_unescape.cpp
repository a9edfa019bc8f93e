#include "text/script_unescape.h"

#include <optional>

#include "text/codecs.h"
#include "text/utf16.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

constexpr std::string_view kLineBreakMark = "{$}";
constexpr std::string_view kRightQuote = "\xE2\x80\x99";  // U+2019

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos)).append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

void PushCodePoint(std::u16string& units, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(cp));
    }
}

bool IsOctal(char32_t c) { return c >= '0' && c <= '7'; }

// Reads the text as the body of a single-quoted string literal of the old
// script language. nullopt where the literal would not parse: a raw line
// break, or a backslash with nothing behind it.
std::optional<std::u16string> ReadStringLiteral(std::string_view text) {
    std::u32string cps;
    cps.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t cp = DecodeUtf8(text, pos);
        cps.push_back(cp == kInvalidUtf8 ? 0xFFFD : cp);
    }
    std::u16string units;
    units.reserve(cps.size());
    for (size_t i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        if (c == '\r' || c == '\n') return std::nullopt;
        if (c != '\\') {
            PushCodePoint(units, c);
            continue;
        }
        if (i + 1 >= cps.size()) return std::nullopt;
        const char32_t e = cps[++i];
        switch (e) {
        case 'b': units.push_back(u'\b'); break;
        case 't': units.push_back(u'\t'); break;
        case 'n': units.push_back(u'\n'); break;
        case 'v': units.push_back(u'\v'); break;
        case 'f': units.push_back(u'\f'); break;
        case 'r': units.push_back(u'\r'); break;
        case '\r':
        case '\n':
            return std::nullopt;
        case 'x':
            if (i + 2 < cps.size() && HexDigitValue(cps[i + 1]) >= 0 &&
                HexDigitValue(cps[i + 2]) >= 0) {
                units.push_back(
                    static_cast<char16_t>(HexDigitValue(cps[i + 1]) * 16 + HexDigitValue(cps[i + 2])));
                i += 2;
            } else {
                units.push_back(u'x');
            }
            break;
        default:
            if (IsOctal(e)) {
                // Up to three digits from 0-3, up to two from 4-7: never above 255.
                unsigned value = e - '0';
                const size_t maxDigits = e <= '3' ? 3 : 2;
                size_t digits = 1;
                while (digits < maxDigits && i + 1 < cps.size() && IsOctal(cps[i + 1])) {
                    value = value * 8 + (cps[++i] - '0');
                    ++digits;
                }
                units.push_back(static_cast<char16_t>(value));
            } else {
                PushCodePoint(units, e);
            }
            break;
        }
    }
    return units;
}

}  // namespace

std::string ScriptUnescape(std::string_view text) {
    // Line breaks are parked as "{$}" so the literal reader, which refuses raw
    // line breaks, keeps the document's CR LF; apostrophes are parked as U+2019
    // because they would end the literal.
    std::string prepared = ReplaceAll(text, "\r\n", kLineBreakMark);
    if (!prepared.empty() && prepared.front() == '\r') prepared.erase(0, 1);
    prepared = ReplaceAll(prepared, "\\u", "%u");
    prepared = ReplaceAll(prepared, "'", kRightQuote);

    std::string decoded;
    if (const auto literal = ReadStringLiteral(prepared)) {
        decoded = CodeUnitsToGbkSafeUtf8(UnescapeCodeUnits(*literal));
    }
    // Unix line endings and a trailing backslash end up here.
    if (decoded.empty()) decoded = PercentDecode(prepared);

    decoded = ReplaceAll(decoded, kRightQuote, "'");
    return ReplaceAll(decoded, kLineBreakMark, "\r\n");
}

}  // namespace lumo::text
