#include "sim/json_text.h"

#include <cstdio>

#include "text/utf8.h"

namespace lumo::sim {
namespace {

void AppendUnit(std::string& out, unsigned unit) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit & 0xFFFF);
    out += buf;
}

}  // namespace

std::string JsonEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    size_t pos = 0;
    while (pos < utf8.size()) {
        const unsigned char byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            ++pos;
            switch (byte) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '/': out += "\\/"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (byte < 0x20) {
                        AppendUnit(out, byte);
                    } else {
                        out += static_cast<char>(byte);
                    }
            }
            continue;
        }
        char32_t cp = text::DecodeUtf8(utf8, pos);
        if (cp == text::kInvalidUtf8) cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUnit(out, 0xD800 + (cp >> 10));
            AppendUnit(out, 0xDC00 + (cp & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
    }
    return out;
}

}  // namespace lumo::sim
