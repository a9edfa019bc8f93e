#include "text/charset.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "text/utf8.h"

namespace lumo::text {
namespace {

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);
// glibc's CP936 is Windows code page 936: GBK with 0x80 as the euro sign.
constexpr const char* kGbkName = "CP936";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// An iconv descriptor owned by one thread and reused by its calls, so small
// conversions (names, keys) do not pay iconv_open each time.
class ThreadIconv {
public:
    ThreadIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~ThreadIconv() {
        if (cd_ != kNoIconv) iconv_close(cd_);
    }
    ThreadIconv(const ThreadIconv&) = delete;
    ThreadIconv& operator=(const ThreadIconv&) = delete;
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

class OwnedIconv {
public:
    explicit OwnedIconv(iconv_t cd) : cd_(cd) {}
    ~OwnedIconv() {
        if (cd_ != kNoIconv) iconv_close(cd_);
    }
    OwnedIconv(const OwnedIconv&) = delete;
    OwnedIconv& operator=(const OwnedIconv&) = delete;
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

enum class SourceKind { Utf8, Other };

// Converts the whole input and never stops at a bad spot: an input character
// that cannot be read or cannot be written becomes `replacement` and the
// conversion goes on behind it. From UTF-8 the whole broken or unmappable
// character is skipped; from other charsets one byte, which lets multi-byte
// charsets find their footing again on the next byte.
std::string ConvertAll(iconv_t cd, std::string_view input, SourceKind kind,
                       std::string_view replacement) {
    std::string result;
    result.reserve(input.size() + input.size() / 2 + 16);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 16384> buffer;
    // iconv does not write through its input pointer; the cast only meets
    // its C signature.
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
        if (rc != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        if (error == EILSEQ || error == EINVAL) {
            size_t skip = 1;
            if (kind == SourceKind::Utf8) {
                const size_t pos = static_cast<size_t>(in - input.data());
                skip = Utf8CharLength(input, pos);
            }
            if (error == EINVAL || skip > inLeft) skip = inLeft;
            result.append(replacement);
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        // Any other failure: keep what was converted and end with a mark.
        result.append(replacement);
        break;
    }
    // Stateful charsets may still owe a shift sequence.
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
    return result;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
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

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    thread_local ThreadIconv fromGbk("UTF-8", kGbkName);
    if (fromGbk.get() == kNoIconv) return ValidUtf8(gbk);
    return ConvertAll(fromGbk.get(), gbk, SourceKind::Other, kReplacement);
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local ThreadIconv toGbk(kGbkName, "UTF-8");
    if (toGbk.get() == kNoIconv) {
        // Without the GBK tables only ASCII survives.
        std::string out;
        size_t pos = 0;
        while (pos < utf8.size()) {
            const char32_t cp = DecodeUtf8(utf8, pos);
            out.push_back(cp < 0x80 ? static_cast<char>(cp) : '?');
        }
        return out;
    }
    return ConvertAll(toGbk.get(), utf8, SourceKind::Utf8, "?");
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
    OwnedIconv cd(iconv_open("UTF-8", mapped ? mapped : lowered.c_str()));
    if (cd.get() == kNoIconv) return std::nullopt;
    return ConvertAll(cd.get(), bytes, SourceKind::Other, kReplacement);
}

std::string_view UntilZero(std::string_view text) {
    const size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

}  // namespace lumo::text
