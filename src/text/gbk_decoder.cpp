#include "text/gbk_decoder.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

#include "text/iconv_converter.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

// Every step of the decoding loop writes at most this many bytes, so one
// check per step keeps the writes inside the buffer.
constexpr size_t kSlack = 16;
constexpr char kReplacementBytes[] = "\xEF\xBF\xBD";  // U+FFFD

size_t CountHighBytes(std::string_view text) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    size_t count = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        // One bit per byte moved to the bottom; the multiply sums the bytes.
        count += (((word & kHigh) >> 7) * kOnes) >> 56;
    }
    for (; i < text.size(); ++i) count += static_cast<unsigned char>(text[i]) >> 7;
    return count;
}

}  // namespace

const GbkDecoder* GbkDecoder::Get() {
    static const std::unique_ptr<GbkDecoder> decoder = [] {
        std::unique_ptr<GbkDecoder> built(new GbkDecoder);
        if (!built->Build()) built.reset();
        return built;
    }();
    return decoder.get();
}

bool GbkDecoder::Pack(const std::string& utf8, Entry& entry) {
    if (utf8.empty() || utf8.size() > sizeof entry.bytes) return false;
    size_t pos = 0;
    if (DecodeUtf8(utf8, pos) == kInvalidUtf8 || pos != utf8.size()) return false;
    std::memcpy(entry.bytes, utf8.data(), utf8.size());
    entry.length = static_cast<uint8_t>(utf8.size());
    return true;
}

bool GbkDecoder::Build() {
    IconvConverter cd("UTF-8", "CP936");
    if (!cd.IsOpen()) return false;
    // The fast path copies ASCII as it is.
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
    const auto asciiStep = cd.ConvertOnce(ascii);
    if (asciiStep.error != 0 || asciiStep.output != ascii) return false;

    pairs_.assign(128 * 256, Entry{});
    for (unsigned first = 0x80; first <= 0xFF; ++first) {
        const char one[] = {static_cast<char>(first)};
        const auto alone = cd.ConvertOnce(std::string_view(one, 1));
        if (alone.error == 0) {
            if (!Pack(alone.output, single_[first - 0x80])) return false;
            continue;
        }
        if (alone.error == EILSEQ) continue;  // never valid: U+FFFD
        if (alone.error != EINVAL) return false;
        // `first` opens a two-byte character. Where iconv refuses the pair,
        // the decoder, like a caller of iconv, skips just the first byte.
        for (unsigned second = 0; second <= 0xFF; ++second) {
            const char two[] = {static_cast<char>(first), static_cast<char>(second)};
            const auto pair = cd.ConvertOnce(std::string_view(two, 2));
            if (pair.error == EILSEQ && pair.consumed == 0) continue;
            if (pair.error != 0 || !Pack(pair.output, pairs_[(first - 0x80) << 8 | second]))
                return false;
        }
    }
    return true;
}

std::string GbkDecoder::Decode(std::string_view gbk) const {
    const auto* in = reinterpret_cast<const unsigned char*>(gbk.data());
    const size_t size = gbk.size();
    // Sized exactly for ASCII and two-byte characters (two bytes become
    // three). Setting aside more would have the kernel supply pages the text
    // never uses, which costs more than the decoding. Invalid bytes or euro
    // signs may need more room, found by the check at each step.
    std::string out(size + CountHighBytes(gbk) / 2 + kSlack, '\0');
    char* base = out.data();
    char* p = base;
    char* limit = base + out.size() - kSlack;
    const Entry replacement{{kReplacementBytes[0], kReplacementBytes[1], kReplacementBytes[2]}, 3};
    size_t pos = 0;
    while (pos < size) {
        if (p > limit) {
            const size_t written = static_cast<size_t>(p - base);
            out.resize(out.size() + (size - pos) * 3 + kSlack);
            base = out.data();
            p = base + written;
            limit = base + out.size() - kSlack;
        }
        const unsigned char first = in[pos];
        if (first < 0x80) {
            // ASCII eight bytes at a time: copy the word, keep its ASCII part.
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
        const Entry* entry = &single_[first - 0x80];
        size_t used = 1;
        if (entry->length == 0) {
            entry = &replacement;
            if (pos + 1 < size) {
                const Entry& pair = pairs_[(first - 0x80) << 8 | in[pos + 1]];
                if (pair.length != 0) {
                    entry = &pair;
                    used = 2;
                }
            }
        }
        std::memcpy(p, entry, sizeof *entry);
        p += entry->length;
        pos += used;
    }
    out.resize(static_cast<size_t>(p - base));
    return out;
}

}  // namespace lumo::text
