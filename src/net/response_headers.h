#pragma once

// Reading a response's raw header block (status line first, CRLF lines) the
// way both request operations report it.

#include <optional>
#include <string>
#include <string_view>

namespace lumo::net {

// Every "Set-Cookie", in any capitalisation and anywhere in the block,
// spelled "Set-Cookie".
std::string NormaliseSetCookie(std::string_view headers);

// The cookies the block sets: for each line containing "Set-Cookie", its
// first name=value pair, trimmed; joined with "; ". Attributes are dropped.
std::string ResponseCookies(std::string_view headers);

// The target of the last "Location: " line (name compared without case).
std::optional<std::string> LocationHeader(std::string_view headers);

// The status line from its 10th character: "302 Found" for
// "HTTP/1.1 302 Found".
std::string StatusText(std::string_view headers);

}  // namespace lumo::net
