#pragma once

// Small byte-level helpers for protocol texts (header names, hosts, cookie
// items). Only ASCII letters change case; every other byte stays as it is.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::net::ascii {

inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

inline bool EqualsI(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

inline bool StartsWithI(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsI(s.substr(0, prefix.size()), prefix);
}

inline size_t FindI(std::string_view hay, std::string_view needle, size_t from = 0) {
    if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
    if (hay.size() < needle.size()) return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i)
        if (EqualsI(hay.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

inline bool ContainsI(std::string_view hay, std::string_view needle) {
    return FindI(hay, needle) != std::string_view::npos;
}

// Replaces every occurrence of `from` (case ignored) by `to`.
inline std::string ReplaceAllI(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = FindI(s, from, pos)) != std::string_view::npos; pos = hit + from.size()) {
        out.append(s.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(s.substr(pos));
    return out;
}

// The full-width space U+3000 in UTF-8; cookie texts treat it as a blank.
inline constexpr std::string_view kWideSpace = "\xE3\x80\x80";

// Removes ASCII spaces and full-width spaces from both ends.
inline std::string_view TrimBlanks(std::string_view s) {
    for (;;) {
        if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        else if (s.substr(0, 3) == kWideSpace) s.remove_prefix(3);
        else break;
    }
    for (;;) {
        if (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        else if (s.size() >= 3 && s.substr(s.size() - 3) == kWideSpace) s.remove_suffix(3);
        else break;
    }
    return s;
}

// Removes every ASCII space and full-width space.
inline std::string RemoveBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s[i] == ' ') { ++i; continue; }
        if (s.substr(i, 3) == kWideSpace) { i += 3; continue; }
        out.push_back(s[i++]);
    }
    return out;
}

// Splits at every occurrence of `sep`; an empty text gives no pieces.
inline std::vector<std::string_view> Split(std::string_view s, std::string_view sep) {
    std::vector<std::string_view> parts;
    if (s.empty()) return parts;
    size_t pos = 0;
    for (size_t hit; (hit = s.find(sep, pos)) != std::string_view::npos; pos = hit + sep.size())
        parts.push_back(s.substr(pos, hit - pos));
    parts.push_back(s.substr(pos));
    return parts;
}

}  // namespace lumo::net::ascii
