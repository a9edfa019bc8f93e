#include "sim/page_text.h"

#include <algorithm>

#include "text/charset.h"
#include "text/utf8.h"

namespace lumo::sim {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(std::string_view text, size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (Fold(text[at + i]) != Fold(word[i])) return false;
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (text::DecodeUtf8(text, pos) == text::kInvalidUtf8) return false;
    }
    return true;
}

}  // namespace

std::string KeywordText(std::string_view raw) {
    return IsValidUtf8(raw) ? std::string(raw) : text::GbkToUtf8(raw);
}

std::string UrlComponent(std::string_view text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
            b == '_' || b == '~') {
            out += c;
        } else {
            out += '%';
            out += digits[b >> 4];
            out += digits[b & 15];
        }
    }
    return out;
}

std::vector<std::string> KeywordWords(std::string_view keyword) {
    std::vector<std::string> words;
    std::string current;
    for (char c : keyword) {
        if (c == ' ' || c == '\t' || c == '+') {
            if (!current.empty()) words.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) words.push_back(current);
    return words;
}

std::string Highlight(std::string_view text, std::string_view keyword) {
    std::vector<std::string> words = KeywordWords(keyword);
    // Longer words first, so a word inside another does not split its mark.
    std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        bool marked = false;
        for (const auto& word : words) {
            if (MatchesAt(text, pos, word)) {
                out += "<em>";
                out += text.substr(pos, word.size());
                out += "</em>";
                pos += word.size();
                marked = true;
                break;
            }
        }
        if (!marked) {
            // Step over a whole character so a mark never starts inside one.
            const size_t length = text::Utf8CharLength(text, pos);
            out += text.substr(pos, length == 0 ? 1 : length);
            pos += length == 0 ? 1 : length;
        }
    }
    return out;
}

}  // namespace lumo::sim
