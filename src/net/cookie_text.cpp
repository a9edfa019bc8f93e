#include "net/cookie_text.h"

#include <vector>

#include "net/ascii_text.h"

namespace lumo::net {

std::string CookieName(std::string_view item) {
    const size_t eq = item.find('=');
    return std::string(ascii::TrimBlanks(eq == std::string_view::npos ? item : item.substr(0, eq)));
}

std::string DedupeList(std::string_view text, std::string_view separator) {
    if (separator.empty()) return std::string(text);
    std::vector<std::string_view> kept;
    for (std::string_view item : ascii::Split(text, separator)) {
        bool seen = false;
        for (std::string_view k : kept)
            if (k == item) { seen = true; break; }
        if (!seen) kept.push_back(item);
    }
    std::string out;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i) out.append(separator);
        out.append(kept[i]);
    }
    return out;
}

std::string MergeCookies(std::string& cookieText, std::string& responseCookies) {
    cookieText = ascii::RemoveBlanks(cookieText);
    responseCookies = ascii::RemoveBlanks(responseCookies);

    std::vector<std::string_view> items;
    std::vector<std::string> newNames;
    for (std::string_view item : ascii::Split(responseCookies, ";")) {
        if (item.empty()) continue;
        items.push_back(item);
        newNames.push_back(CookieName(item));
    }
    for (std::string_view old : ascii::Split(cookieText, ";")) {
        if (old.empty()) continue;
        const std::string name = CookieName(old);
        bool replaced = false;
        for (const std::string& n : newNames)
            if (n == name) { replaced = true; break; }
        if (!replaced) items.push_back(old);
    }

    constexpr std::string_view kDeleted = "=deleted";
    std::string joined;
    bool first = true;
    for (std::string_view item : items) {
        if (item.size() >= kDeleted.size() && item.substr(item.size() - kDeleted.size()) == kDeleted)
            continue;
        if (!first) joined.append("; ");
        joined.append(item);
        first = false;
    }
    cookieText = DedupeList(joined, "; ");
    return cookieText;
}

std::string FindCookie(std::string_view cookieText, std::string_view name) {
    const std::string wanted = ascii::Lower(name);
    for (std::string_view raw : ascii::Split(cookieText, ";")) {
        const std::string_view item = ascii::TrimBlanks(raw);
        const size_t eq = item.find('=');
        const std::string_view itemName = eq == std::string_view::npos ? item : item.substr(0, eq);
        if (ascii::Lower(itemName) != wanted) continue;
        // The first item of that name decides, even when its value is empty.
        if (eq == std::string_view::npos || eq + 1 == item.size()) return {};
        return std::string(name) + "=" + std::string(item.substr(eq + 1));
    }
    return {};
}

}  // namespace lumo::net
