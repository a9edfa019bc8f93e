#include "text/gbk_encoder.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

#include "text/iconv_converter.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

constexpr size_t kSlack = 16;
// iconv reads UTF-8 forms of up to six bytes and calls a form cut off by the
// end of the input incomplete rather than invalid; a broken character this
// close to the end is left to iconv so its treatment stays exactly iconv's.
constexpr size_t kIconvLongestForm = 6;

// One character that iconv takes whole or refuses whole; what it makes of
// it is at most four bytes, or '?'.
std::string EncodeByIconv(std::string_view character) {
    thread_local IconvConverter cd("CP936", "UTF-8");
    const auto step = cd.ConvertOnce(character);
    if (step.error != 0 || step.output.size() > 4) return "?";
    return step.output;
}

}  // namespace

const GbkEncoder* GbkEncoder::Get() {
    static const std::unique_ptr<GbkEncoder> encoder = [] {
        std::unique_ptr<GbkEncoder> built(new GbkEncoder);
        if (!built->Build()) built.reset();
        return built;
    }();
    return encoder.get();
}

bool GbkEncoder::Build() {
    IconvConverter cd("CP936", "UTF-8");
    if (!cd.IsOpen()) return false;
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
    const auto asciiStep = cd.ConvertOnce(ascii);
    if (asciiStep.error != 0 || asciiStep.output != ascii) return false;

    bmp_.assign(0x10000, 0);
    std::string utf8;
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        utf8.clear();
        AppendUtf8(utf8, cp);
        const auto step = cd.ConvertOnce(utf8);
        if (step.error == EILSEQ && step.consumed == 0) continue;
        if (step.error != 0) return false;
        const auto* bytes = reinterpret_cast<const unsigned char*>(step.output.data());
        if (step.output.size() == 1 && bytes[0] != 0)
            bmp_[cp] = bytes[0];
        else if (step.output.size() == 2 && bytes[0] != 0)
            bmp_[cp] = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
        else
            return false;
    }
    return true;
}

std::string GbkEncoder::Encode(std::string_view utf8) const {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    // No character grows: ASCII stays one byte, a character of two or more
    // bytes becomes at most two, a broken stretch one '?'.
    std::string out(size + kSlack, '\0');
    char* const base = out.data();
    char* p = base;
    size_t pos = 0;
    while (pos < size) {
        const unsigned char first = in[pos];
        if (first < 0x80) {
            if (size - pos >= 8) {
                const size_t run = CopyAsciiRun8(in + pos, p);  // 8 when all ASCII
                p += run;
                pos += run;
            } else {
                *p++ = static_cast<char>(first);
                ++pos;
            }
            continue;
        }
        const size_t start = pos;
        const char32_t cp = DecodeUtf8(utf8, pos);
        if (cp == kInvalidUtf8) {
            if (size - start <= kIconvLongestForm) {
                IconvConverter cd("CP936", "UTF-8");
                if (cd.IsOpen()) {
                    const std::string tail =
                        cd.ConvertAll(utf8.substr(start), IconvConverter::Source::Utf8, "?");
                    out.resize(static_cast<size_t>(p - base));
                    out += tail;
                    return out;
                }
            }
            *p++ = '?';
            continue;
        }
        if (cp >= 0x10000) {
            // Outside the table: rare in Lumo's texts, and iconv treats a few
            // of them (language tags) as nothing rather than unmappable.
            const std::string gbk = EncodeByIconv(utf8.substr(start, pos - start));
            std::memcpy(p, gbk.data(), gbk.size());
            p += gbk.size();
            continue;
        }
        const uint16_t gbk = bmp_[cp];
        if (gbk == 0) {
            *p++ = '?';
        } else if (gbk < 0x100) {
            *p++ = static_cast<char>(gbk);
        } else {
            p[0] = static_cast<char>(gbk >> 8);
            p[1] = static_cast<char>(gbk & 0xFF);
            p += 2;
        }
    }
    out.resize(static_cast<size_t>(p - base));
    return out;
}

}  // namespace lumo::text
