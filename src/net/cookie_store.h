#pragma once

// Reading and editing the process's cookie jar by address. An address is a
// host, optionally with scheme, port and path ("srv.example.com").

#include <optional>
#include <string>
#include <string_view>

#include "net/cookie_date.h"

namespace lumo::net {

// The cookies a request to http://address would carry, HttpOnly ones
// included, as a cookie text without blanks. With a name, only that cookie
// as name=value (the name as asked, matched without regard to case), or the
// empty text when it is absent or empty.
std::string GetCookies(std::string_view address, std::string_view name = {});

// Expires every cookie GetCookies returns for the address.
void DeleteCookies(std::string_view address);

// Stores a cookie twice: for the address's host alone and for its parent
// domain (last two labels, so sibling hosts get it too; skipped for an IP
// address, which has no parent). Path "/". Without an expiry (or with the
// zero date) it is a session cookie. An empty value deletes the cookie. A
// value is cut at its first ";"; a name that is empty or holds blanks, "=",
// ";" or control bytes, or a value with control bytes, is refused (false).
bool SetCookie(std::string_view address, std::string_view name, std::string_view value,
               std::optional<CookieDate> expiry = std::nullopt);

}  // namespace lumo::net
