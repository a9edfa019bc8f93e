#include "resolve/size_text.h"

#include <algorithm>
#include <cstdint>

namespace lumo::resolve {
namespace {

using Wide = unsigned __int128;

// The digits of a leading number; the integer part is kept up to 24 digits
// and the fraction up to 6, far beyond any real byte count, so the exact
// arithmetic below cannot overflow.
struct LeadingDecimal {
    bool negative = false;
    std::string whole;
    std::string fraction;
};

LeadingDecimal ReadLeadingDecimal(std::string_view text) {
    LeadingDecimal out;
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        out.negative = text[pos] == '-';
        ++pos;
    }
    auto isDigit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    while (isDigit(pos)) out.whole += text[pos++];
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (isDigit(pos)) out.fraction += text[pos++];
    }
    out.whole.erase(0, std::min(out.whole.find_first_not_of('0'), out.whole.size()));
    if (out.whole.size() > 24) out.whole.assign(24, '9');
    if (out.fraction.size() > 6) out.fraction.resize(6);
    return out;
}

Wide Power10(int exponent) {
    Wide value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    return value;
}

Wide DigitsValue(const std::string& digits) {
    Wide value = 0;
    for (char c : digits) value = value * 10 + static_cast<unsigned>(c - '0');
    return value;
}

std::string WideToText(Wide value) {
    if (value == 0) return "0";
    std::string text;
    while (value > 0) {
        text += static_cast<char>('0' + static_cast<int>(value % 10));
        value /= 10;
    }
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    const LeadingDecimal number = ReadLeadingDecimal(text);
    double value = 0;
    for (char c : number.whole) value = value * 10 + (c - '0');
    double scale = 0.1;
    for (char c : number.fraction) {
        value += (c - '0') * scale;
        scale /= 10;
    }
    return number.negative ? -value : value;
}

std::string GigabyteText(std::string_view sizeText, int decimals) {
    decimals = std::clamp(decimals, 0, 6);
    const LeadingDecimal number = ReadLeadingDecimal(sizeText);
    const int fractionDigits = static_cast<int>(number.fraction.size());

    // bytes = whole.fraction; shown = bytes * 10^decimals / 2^30, half up,
    // computed exactly so ties such as 0.125G round the way people expect.
    const Wide numerator =
        (DigitsValue(number.whole) * Power10(fractionDigits) + DigitsValue(number.fraction)) * Power10(decimals);
    const Wide denominator = Power10(fractionDigits) * (Wide(1) << 30);
    const Wide scaled = (numerator * 2 + denominator) / (denominator * 2);

    const Wide unit = Power10(decimals);
    std::string text = WideToText(scaled / unit);
    if (decimals > 0) {
        std::string fraction = WideToText(scaled % unit);
        fraction.insert(0, static_cast<size_t>(decimals) - fraction.size(), '0');
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
        if (!fraction.empty()) text += "." + fraction;
    }
    const bool negative = number.negative && scaled != 0;
    return (negative ? "-" : "") + text + "G";
}

}  // namespace lumo::resolve
