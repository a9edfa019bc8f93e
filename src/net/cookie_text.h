#pragma once

// Cookie texts: "name=value" items separated by "; ", names and values only.

#include <string>
#include <string_view>

namespace lumo::net {

// The part of an item before its first "=", trimmed of ASCII and full-width
// spaces; an item without "=" is its own name.
std::string CookieName(std::string_view item);

// Keeps the first occurrence of every item (exact comparison), in order.
std::string DedupeList(std::string_view text, std::string_view separator);

// Folds the cookies a response set into the text a request was sent with.
// Both arguments lose every blank. The response's items come first and
// replace same-named older ones (names compared exactly); older items follow
// in their old order; items whose value is "deleted" are dropped; repeats
// are removed. The result is stored in `cookieText` and returned. Empty
// items (";;", a trailing ";") do not survive.
std::string MergeCookies(std::string& cookieText, std::string& responseCookies);

// Looks one cookie up in a cookie text, the name compared without regard to
// case. Returns `name` + "=" + the value (everything after the item's first
// "="), or the empty text when there is no such cookie or its value is empty.
std::string FindCookie(std::string_view cookieText, std::string_view name);

}  // namespace lumo::net
