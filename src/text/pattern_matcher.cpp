#define PCRE2_CODE_UNIT_WIDTH 8
#include "text/pattern_matcher.h"

#include <pcre2.h>

#include <optional>

#include "text/utf16.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

constexpr std::string_view kQuotePlaceholder = "#引号";

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether p[at] == '{' opens a quantifier: {n}, {n,} or {n,m}. Returns the
// position of the closing brace.
std::optional<size_t> QuantifierEnd(std::string_view p, size_t at) {
    size_t i = at + 1;
    const size_t firstDigits = i;
    while (i < p.size() && IsDigit(p[i])) ++i;
    if (i == firstDigits) return std::nullopt;
    if (i < p.size() && p[i] == ',') {
        ++i;
        while (i < p.size() && IsDigit(p[i])) ++i;
    }
    if (i < p.size() && p[i] == '}') return i;
    return std::nullopt;
}

bool HexRun(std::string_view p, size_t at, size_t count, unsigned& value) {
    if (at + count > p.size()) return false;
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        const int digit = HexDigitValue(static_cast<unsigned char>(p[at + i]));
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

void AppendCodePointEscape(std::string& out, unsigned cp) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kHex[cp & 0xF]);
        cp >>= 4;
    } while (cp != 0);
    out.append("\\x{").append(digits).push_back('}');
}

// Rewrites a pattern of the script dialect Lumo's patterns are written in
// into the PCRE2 form with the same meaning, where the two differ:
// braces that are not a quantifier are literal; \v, \xHH and \uHHHH name
// single characters; a backslash before a letter without a meaning of its
// own stands for the letter (PCRE2 would read \h, \K, \Q and others as
// features or reject them); '[' inside a class is literal.
std::string Translate(std::string_view p) {
    std::string out;
    out.reserve(p.size() + 16);
    bool inClass = false;
    size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        if (c == '\\') {
            if (i + 1 >= p.size()) {
                out.push_back('\\');  // PCRE2 rejects it, as it should be
                ++i;
                continue;
            }
            const char e = p[i + 1];
            if (static_cast<unsigned char>(e) >= 0x80) {
                i += 1;  // an escaped non-ASCII character is just that character
                continue;
            }
            i += 2;
            switch (e) {
            case 'd': case 'D': case 'w': case 'W': case 's': case 'S':
            case 'b': case 'B': case 'n': case 'r': case 't': case 'f':
                out.push_back('\\');
                out.push_back(e);
                break;
            case 'v':
                out.append("\\x{0B}");
                break;
            case '0':
                out.append("\\x{0}");
                break;
            case 'c':
                if (i < p.size() && IsAsciiLetter(p[i])) {
                    out.append("\\c").push_back(p[i]);
                    ++i;
                } else {
                    out.append("\\\\c");
                }
                break;
            case 'x': {
                unsigned value = 0;
                if (HexRun(p, i, 2, value)) {
                    AppendCodePointEscape(out, value);
                    i += 2;
                } else {
                    out.push_back('x');
                }
                break;
            }
            case 'u': {
                unsigned value = 0;
                if (!HexRun(p, i, 4, value)) {
                    out.push_back('u');
                    break;
                }
                i += 4;
                unsigned low = 0;
                if (value >= 0xD800 && value <= 0xDBFF && i + 1 < p.size() && p[i] == '\\' &&
                    p[i + 1] == 'u' && HexRun(p, i + 2, 4, low) && low >= 0xDC00 &&
                    low <= 0xDFFF) {
                    value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                } else if (value >= 0xD800 && value <= 0xDFFF) {
                    // Half a character matches nothing in UTF-8 text.
                    if (!inClass) out.append("(?!)");
                    break;
                }
                AppendCodePointEscape(out, value);
                break;
            }
            default:
                if (IsAsciiLetter(e)) {
                    out.push_back(e);
                } else {
                    // Digits are back-references; punctuation stays escaped.
                    out.push_back('\\');
                    out.push_back(e);
                }
                break;
            }
            continue;
        }
        if (inClass) {
            if (c == ']') {
                inClass = false;
                out.push_back(c);
            } else if (c == '[') {
                out.append("\\[");
            } else {
                out.push_back(c);
            }
            ++i;
            continue;
        }
        switch (c) {
        case '[':
            inClass = true;
            out.push_back(c);
            ++i;
            if (i < p.size() && p[i] == '^') {
                out.push_back('^');
                ++i;
            }
            continue;
        case '{':
            if (const auto end = QuantifierEnd(p, i)) {
                out.append(p.substr(i, *end + 1 - i));
                i = *end + 1;
            } else {
                out.append("\\{");
                ++i;
            }
            continue;
        case '}':
            out.append("\\}");
            ++i;
            continue;
        default:
            out.push_back(c);
            ++i;
            continue;
        }
    }
    return out;
}

std::string ReplaceQuotePlaceholder(std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size());
    size_t pos = 0;
    while (true) {
        const size_t hit = pattern.find(kQuotePlaceholder, pos);
        if (hit == std::string_view::npos) break;
        out.append(pattern.substr(pos, hit - pos)).push_back('"');
        pos = hit + kQuotePlaceholder.size();
    }
    out.append(pattern.substr(pos));
    return out;
}

// Per-thread match context with a JIT stack larger than the default 32 KiB,
// which long lazy runs over big pages can exhaust.
class ThreadMatchContext {
public:
    ThreadMatchContext()
        : context_(pcre2_match_context_create(nullptr)),
          stack_(pcre2_jit_stack_create(64 * 1024, 4 * 1024 * 1024, nullptr)) {
        if (context_ && stack_) pcre2_jit_stack_assign(context_, nullptr, stack_);
    }
    ~ThreadMatchContext() {
        if (stack_) pcre2_jit_stack_free(stack_);
        if (context_) pcre2_match_context_free(context_);
    }
    ThreadMatchContext(const ThreadMatchContext&) = delete;
    ThreadMatchContext& operator=(const ThreadMatchContext&) = delete;
    pcre2_match_context* get() const { return context_; }

private:
    pcre2_match_context* context_;
    pcre2_jit_stack* stack_;
};

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};

}  // namespace

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() = default;

void PatternMatcher::Clear() {
    text_.clear();
    spans_.clear();
    groupCount_ = 0;
    matchCount_ = 0;
}

bool PatternMatcher::Search(std::string_view pattern, std::string_view text, bool caseSensitive,
                            bool multiline, bool global, bool quotePlaceholder) {
    Clear();
    const std::string translated =
        Translate(quotePlaceholder ? ReplaceQuotePlaceholder(pattern) : std::string(pattern));

    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext) return false;
    // CR and LF, alone or paired, end a line: '.' matches neither, and ^ $
    // see both.
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_bsr(compileContext.get(), PCRE2_BSR_ANYCRLF);

    // No PCRE2_UCP: \w, \d, \s and \b stay ASCII. MATCH_INVALID_UTF lets a
    // text with broken UTF-8 be searched (broken bytes match nothing) instead
    // of failing the whole search.
    uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY |
                       PCRE2_ALLOW_EMPTY_CLASS;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX;

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(), options,
                      &errorCode, &errorOffset, compileContext.get()));
    if (!code) return false;
    // Without JIT support the interpreter runs; the results are the same.
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);

    uint32_t captureCount = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!matchData) return false;

    thread_local ThreadMatchContext matchContext;

    text_.assign(text);
    groupCount_ = static_cast<int>(captureCount);
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text_.data());
    const size_t length = text_.size();
    size_t offset = 0;
    while (offset <= length) {
        int rc = pcre2_match(code.get(), subject, length, offset, 0, matchData.get(),
                             matchContext.get());
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
            rc = pcre2_match(code.get(), subject, length, offset, PCRE2_NO_JIT, matchData.get(),
                             matchContext.get());
        }
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) {
            // Match or heap limit hit: the search could not run to its end.
            Clear();
            return false;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
        for (uint32_t g = 1; g <= captureCount; ++g) {
            const PCRE2_SIZE begin = ovector[2 * g];
            const PCRE2_SIZE end = ovector[2 * g + 1];
            if (begin == PCRE2_UNSET || g >= static_cast<uint32_t>(rc) || end < begin) {
                spans_.push_back(std::string::npos);
                spans_.push_back(std::string::npos);
            } else {
                spans_.push_back(begin);
                spans_.push_back(end);
            }
        }
        ++matchCount_;
        if (!global) break;
        const size_t matchBegin = ovector[0];
        const size_t matchEnd = ovector[1] > matchBegin ? ovector[1] : matchBegin;
        if (matchEnd > matchBegin) {
            offset = matchEnd;
        } else {
            // An empty match: try again one character further on.
            if (matchEnd >= length) break;
            offset = matchEnd + Utf8CharLength(text_, matchEnd);
        }
    }
    return true;
}

int PatternMatcher::MatchCount() const { return matchCount_; }

std::string PatternMatcher::SubMatchText(int matchIndex, int groupIndex) const {
    if (matchIndex < 1 || matchIndex > matchCount_ || groupIndex < 1 || groupIndex > groupCount_)
        return {};
    const size_t at = (static_cast<size_t>(matchIndex - 1) * static_cast<size_t>(groupCount_) +
                       static_cast<size_t>(groupIndex - 1)) *
                      2;
    const size_t begin = spans_[at];
    const size_t end = spans_[at + 1];
    if (begin == std::string::npos) return {};
    return text_.substr(begin, end - begin);
}

}  // namespace lumo::text
