#pragma once

// HttpRequest: one complete, blocking HTTP(S) exchange with browser-like
// default headers, hand-carried cookies, optional redirects, proxy and Basic
// credentials, and the page decoded from the charset it declares. Nothing is
// kept between calls: a fresh connection each time, no cookie engine, no
// cache. Safe to call from any thread; calls are independent.

#include <optional>
#include <string>
#include <string_view>

#include "net/http_method.h"

namespace lumo::net {

struct HttpRequestArgs {
    std::string url{};                      // absolute http:// or https:// address
    HttpMethod method = HttpMethod::Get;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, else GET
    std::string postData{};                 // text; sent as its GBK bytes with any method
    // Cookies to send. Supplied (even empty) means the result carries the
    // merge of these with the response's cookies in `cookies`.
    std::optional<std::string> cookies{};
    std::string extraHeaders{};             // "\r\n"-separated lines, no trailing break
    bool disableRedirects = false;
    std::string user{};                     // server Basic credentials: both or none
    std::string password{};
    std::string proxy{};                    // host:port; empty = direct (no environment proxy)
    std::string proxyUser{};                // proxy Basic credentials: both or none
    std::string proxyPassword{};
    int timeoutSeconds = 0;               // per phase; 0 or less = 30
};

struct HttpResult {
    std::string pageText{};         // body decoded to UTF-8, cut at the first zero byte; empty on failure
    std::string responseCookies{};  // name=value items the response set
    // The cookie text after the call: the merge when cookies were supplied
    // and the exchange went through, the supplied text unchanged when it
    // failed, nullopt when none was supplied.
    std::optional<std::string> cookies{};
    std::string responseHeaders{};  // final response: status line first, CRLF lines, blank line last
    std::optional<std::string> location{};  // target of a "Location: " header, if any
    std::string status{};           // "200 OK", or a numbered failure text ("711 ...")
    std::string body{};             // raw body bytes as received
    int failure = 0;              // 0, or the number of the failure text (kept when 713's
                                  // status text was replaced by the response status)
};

// Failure texts by number (700..713, no 706); empty for other numbers.
std::string_view HttpFailureText(int number);

HttpResult HttpRequest(const HttpRequestArgs& args);

// GET with default headers, no cookies, 30-second timeouts, redirects
// followed, no proxy: the page text, empty on failure.
std::string HttpRequest(std::string_view url);

// The header block HttpRequest sends: the extra headers, then each default
// line the block lacks (User-Agent, Accept, Accept-Encoding, Accept-Language,
// Content-Type, Cache-Control, Cookie when cookies are non-empty).
std::string BuildHttpHeaderBlock(std::string_view extraHeaders, std::string_view cookies);

}  // namespace lumo::net
