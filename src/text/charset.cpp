#include "text/charset.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "text/gbk_decoder.h"
#include "text/gbk_encoder.h"
#include "text/iconv_converter.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

// glibc's CP936 is Windows code page 936: GBK with 0x80 as the euro sign.
constexpr const char* kGbkName = "CP936";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// A word at a time: pages are long and mostly ASCII.
bool IsAscii(std::string_view text) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    const char* data = text.data();
    size_t i = 0;
    for (; i + 32 <= text.size(); i += 32) {
        uint64_t w[4];
        std::memcpy(w, data + i, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3]) & kHigh) return false;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
    }
    return true;
}

std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t start = pos;
        const char32_t cp = DecodeUtf8(bytes, pos);
        if (cp == kInvalidUtf8)
            out.append(kReplacement);
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out;
}

// Page charset names as pages write them, mapped to what iconv should use;
// nullptr for names iconv takes as they are. The GB2312 family decodes as
// code page 936 because pages that declare gb2312 routinely contain GBK
// characters.
const char* MappedCharsetName(const std::string& lowered) {
    static constexpr std::array<std::string_view, 15> gbkNames = {
        "gbk",      "gb2312",     "x-gbk",     "cp936",     "windows-936",
        "ms936",    "euc-cn",     "x-euc-cn",  "csgb2312",  "gb_2312-80",
        "gb_2312",  "chinese",    "iso-ir-58", "csiso58gb231280", "936"};
    for (const auto gbk : gbkNames) {
        if (lowered == gbk) return kGbkName;
    }
    if (lowered == "utf8" || lowered == "utf-8" || lowered == "unicode-1-1-utf-8") return "UTF-8";
    if (lowered == "gb18030") return "GB18030";
    return nullptr;
}

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool IsPlausibleCharsetName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                        c == ':' || c == '(' || c == ')';
        // No '/': iconv would read "//TRANSLIT" and the like as options.
        if (!ok) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' ||
                          s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' ||
                          s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The tables take milliseconds to build (about 2 for decoding, 4 for
// encoding), iconv converts a short text in microseconds, and both give the
// same bytes. So short texts go through iconv until the text converted that
// way adds up to this much, or one text this long comes: start-up, which
// reads a small settings file, builds no table.
constexpr size_t kTablesWorthBytes = 64 * 1024;

bool TablesWorthIt(std::atomic<size_t>& convertedByIconv, size_t size) {
    if (size >= kTablesWorthBytes || convertedByIconv.load(std::memory_order_relaxed) >= kTablesWorthBytes) return true;
    return convertedByIconv.fetch_add(size, std::memory_order_relaxed) + size >= kTablesWorthBytes;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    static std::atomic<size_t> decodedByIconv{0};
    if (TablesWorthIt(decodedByIconv, gbk.size())) {
        if (const GbkDecoder* decoder = GbkDecoder::Get()) return decoder->Decode(gbk);
    }
    thread_local IconvConverter fromGbk("UTF-8", kGbkName);
    if (!fromGbk.IsOpen()) return ValidUtf8(gbk);
    return fromGbk.ConvertAll(gbk, IconvConverter::Source::Other, kReplacement);
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    static std::atomic<size_t> encodedByIconv{0};
    if (TablesWorthIt(encodedByIconv, utf8.size())) {
        if (const GbkEncoder* encoder = GbkEncoder::Get()) return encoder->Encode(utf8);
    }
    thread_local IconvConverter toGbk(kGbkName, "UTF-8");
    if (!toGbk.IsOpen()) {
        // Without the GBK tables only ASCII survives.
        std::string out;
        size_t pos = 0;
        while (pos < utf8.size()) {
            const char32_t cp = DecodeUtf8(utf8, pos);
            out.push_back(cp < 0x80 ? static_cast<char>(cp) : '?');
        }
        return out;
    }
    return toGbk.ConvertAll(utf8, IconvConverter::Source::Utf8, "?");
}

size_t GbkLength(std::string_view utf8) {
    if (IsAscii(utf8)) return utf8.size();
    return Utf8ToGbk(utf8).size();
}

std::string KeepGbkRepresentable(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    // The round trip is the definition: what a GBK text can hold, as it reads
    // back (a few characters map one way only).
    return GbkToUtf8(Utf8ToGbk(utf8));
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, std::string_view charset) {
    charset = TrimBlanks(charset);
    if (!IsPlausibleCharsetName(charset)) return std::nullopt;
    const std::string lowered = Lowered(charset);
    const char* mapped = MappedCharsetName(lowered);
    const std::string_view name = mapped ? std::string_view(mapped) : std::string_view(lowered);
    if (name == kGbkName) return GbkToUtf8(bytes);
    if (name == "UTF-8") {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return ValidUtf8(bytes);
    }
    IconvConverter cd("UTF-8", mapped ? mapped : lowered.c_str());
    if (!cd.IsOpen()) return std::nullopt;
    return cd.ConvertAll(bytes, IconvConverter::Source::Other, kReplacement);
}

std::string_view UntilZero(std::string_view text) {
    const size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

}  // namespace lumo::text
