#include "text/codecs.h"

#include <array>

#include "text/charset.h"
#include "text/utf16.h"

namespace lumo::text {
namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

// Position in the RFC 4648 alphabet, -1 outside it.
constexpr std::array<int8_t, 256> MakeBase64Table() {
    std::array<int8_t, 256> table{};
    for (auto& v : table) v = -1;
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<int8_t>(i);
    return table;
}
constexpr auto kBase64 = MakeBase64Table();

std::string WithoutBlanks(std::string_view text) {
    std::string spaced;
    spaced.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
        } else if (text.substr(i, kFullWidthSpace.size()) == kFullWidthSpace) {
            i += kFullWidthSpace.size();
        } else {
            spaced.push_back(text[i++]);
        }
    }
    std::string out;
    out.reserve(spaced.size());
    for (size_t i = 0; i < spaced.size();) {
        if (spaced[i] == '\r' && i + 1 < spaced.size() && spaced[i + 1] == '\n') {
            i += 2;
        } else {
            out.push_back(spaced[i++]);
        }
    }
    return out;
}

}  // namespace

std::string Base64Decode(std::string_view text, bool stripTrailingZeros) {
    const std::string clean = WithoutBlanks(text);
    std::string out;
    out.reserve(clean.size() / 4 * 3 + 3);
    // The four values outlive their group: a group cut short by a character
    // outside the alphabet reuses what the previous group left.
    std::array<unsigned, 4> v{0, 0, 0, 0};
    size_t stoppedAt = 0;  // 1-based position where the last group stopped, 0 = complete
    for (size_t g = 0; g < clean.size(); g += 4) {
        stoppedAt = 0;
        for (size_t j = 0; j < 4; ++j) {
            const int value =
                g + j < clean.size() ? kBase64[static_cast<unsigned char>(clean[g + j])] : -1;
            if (value < 0) {
                stoppedAt = j + 1;
                break;
            }
            v[j] = static_cast<unsigned>(value);
        }
        out.push_back(static_cast<char>(((v[0] << 2) | (v[1] >> 4)) & 0xFF));
        out.push_back(static_cast<char>(((v[1] << 4) | (v[2] >> 2)) & 0xFF));
        out.push_back(static_cast<char>(((v[2] << 6) | v[3]) & 0xFF));
    }
    if (stoppedAt > 0) {
        // A last group of k-1 good characters carries k-2 real bytes; one
        // that stopped at its first character carries none, so all three of
        // its stale bytes go.
        const size_t drop = stoppedAt == 1 ? 3 : 5 - stoppedAt;
        out.resize(out.size() - drop);
    }
    if (stripTrailingZeros) {
        while (!out.empty() && out.back() == '\0') out.pop_back();
    }
    return out;
}

std::string UrlEncode(std::string_view text, bool keepSafe, bool asUtf8) {
    if (text.empty()) return {};
    const std::string bytes = asUtf8 ? std::string(text) : Utf8ToGbk(text);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const bool safe = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
                          (b >= 'a' && b <= 'z') || b == '-' || b == '.';
        if (keepSafe && safe) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        }
    }
    return out;
}

std::string UrlDecode(std::string_view text, bool fromUtf8) {
    // The decoded bytes join the text's own bytes in one encoding: UTF-8, or
    // GBK as the escapes of a GBK form expect.
    const std::string bytes = fromUtf8 ? std::string(text) : Utf8ToGbk(text);
    std::string decoded;
    decoded.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size()) {
            const int hi = HexDigitValue(static_cast<unsigned char>(bytes[i + 1]));
            const int lo = HexDigitValue(static_cast<unsigned char>(bytes[i + 2]));
            if (hi >= 0 && lo >= 0) {
                decoded.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        // A '%' without two hex digits behind it stays as it is.
        decoded.push_back(bytes[i]);
    }
    return fromUtf8 ? KeepGbkRepresentable(decoded) : GbkToUtf8(decoded);
}

std::string PercentDecode(std::string_view text) {
    return CodeUnitsToGbkSafeUtf8(UnescapeCodeUnits(Utf8ToCodeUnits(text)));
}

int64_t HexToInt(std::string_view text) {
    // Unsigned arithmetic wraps instead of overflowing; a character that is
    // not a hex digit counts as -1.
    uint64_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(static_cast<unsigned char>(c));
        value = value * 16 + static_cast<uint64_t>(static_cast<int64_t>(digit));
    }
    return static_cast<int64_t>(value);
}

}  // namespace lumo::text
