#include "sources/keyword_address.h"

namespace lumo::sources {
namespace {

std::string Escape(std::string_view keyword, std::string_view special) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(keyword.size());
    for (const char c : keyword) {
        if (special.find(c) == std::string_view::npos) {
            out.push_back(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out.push_back('%');
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 15]);
    }
    return out;
}

}  // namespace

std::string KeywordInPath(std::string_view keyword) { return Escape(keyword, "%#?/\\"); }

std::string KeywordInQuery(std::string_view keyword) { return Escape(keyword, "%#?&+"); }

}  // namespace lumo::sources
