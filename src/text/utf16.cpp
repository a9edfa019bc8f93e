#include "text/utf16.h"

#include "text/charset.h"
#include "text/utf8.h"

namespace lumo::text {

std::u16string Utf8ToCodeUnits(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = DecodeUtf8(utf8, pos);
        if (cp == kInvalidUtf8) cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp));
        }
    }
    return units;
}

int HexDigitValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

std::u16string UnescapeCodeUnits(std::u16string_view units) {
    std::u16string out;
    out.reserve(units.size());
    const auto hexRun = [&](size_t at, size_t count, int& value) {
        if (at + count > units.size()) return false;
        value = 0;
        for (size_t i = 0; i < count; ++i) {
            const int digit = HexDigitValue(units[at + i]);
            if (digit < 0) return false;
            value = value * 16 + digit;
        }
        return true;
    };
    size_t k = 0;
    while (k < units.size()) {
        const char16_t c = units[k];
        int value = 0;
        if (c == u'%') {
            if (k + 1 < units.size() && units[k + 1] == u'u' && hexRun(k + 2, 4, value)) {
                out.push_back(static_cast<char16_t>(value));
                k += 6;
                continue;
            }
            if (hexRun(k + 1, 2, value)) {
                out.push_back(static_cast<char16_t>(value));
                k += 3;
                continue;
            }
        }
        out.push_back(c);
        ++k;
    }
    return out;
}

std::string CodeUnitsToGbkSafeUtf8(std::u16string_view units) {
    std::string utf8;
    utf8.reserve(units.size() * 2);
    for (size_t k = 0; k < units.size(); ++k) {
        const char16_t u = units[k];
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units.size() && units[k + 1] >= 0xDC00 &&
            units[k + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (static_cast<char32_t>(units[k + 1]) - 0xDC00);
            AppendUtf8(utf8, cp);
            ++k;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            utf8.push_back('?');
        } else {
            AppendUtf8(utf8, u);
        }
    }
    return KeepGbkRepresentable(utf8);
}

}  // namespace lumo::text
