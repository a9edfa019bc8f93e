#include "net/response_headers.h"

#include "net/ascii_text.h"
#include "text/text_between.h"

namespace lumo::net {

std::string NormaliseSetCookie(std::string_view headers) {
    return ascii::ReplaceAllI(headers, "Set-Cookie", "Set-Cookie");
}

std::string ResponseCookies(std::string_view headers) {
    std::string cookies;
    for (std::string_view line : ascii::Split(headers, "\r\n")) {
        if (line.find("Set-Cookie") == std::string_view::npos) continue;
        std::string item;
        if (line.find(';') == std::string_view::npos) {
            item = ascii::ReplaceAllI(line, "Set-Cookie:", "");
        } else {
            item = text::TextBetween(line, "Set-Cookie:", ";");
        }
        cookies.append(ascii::TrimBlanks(item));
        cookies.append("; ");
    }
    if (cookies.size() >= 2) cookies.resize(cookies.size() - 2);
    return cookies;
}

std::optional<std::string> LocationHeader(std::string_view headers) {
    std::optional<std::string> location;
    for (std::string_view line : ascii::Split(headers, "\r\n"))
        if (ascii::StartsWithI(line, "Location: ")) location = std::string(line.substr(10));
    return location;
}

std::string StatusText(std::string_view headers) {
    const std::string_view first = headers.substr(0, headers.find("\r\n"));
    return first.size() > 9 ? std::string(first.substr(9)) : std::string();
}

}  // namespace lumo::net
