#pragma once

// Turns a response body into page text (UTF-8).

#include <string>
#include <string_view>

namespace lumo::net {

// The charset a page declares in a <meta ... charset=...> within its first
// 1024 characters, the body read as GBK; empty when none.
std::string DeclaredCharset(std::string_view body);

// The body decoded from its declared charset, or read as GBK when it declares
// none or one that Lumo cannot convert; the text ends at its first zero byte.
std::string DecodePage(std::string_view body);

// The same for a body the caller gives up: a page that already is its own
// UTF-8 text comes back without being copied.
std::string DecodeOwnedPage(std::string&& body);

}  // namespace lumo::net
