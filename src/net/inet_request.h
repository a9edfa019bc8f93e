#pragma once

// InetRequest: the lean request path used for every POST, the logins and a
// few GETs. It returns the raw response bytes and takes cookies either from
// a cookie text the caller carries or, when none is given, from the
// process's cookie jar (which then also keeps what the response sets).
//
// Timeouts: name resolution plus connect, and any silence of the peer once
// the request is under way, are each limited to `timeoutSeconds` (60 by
// default), so a dead service never holds a worker for long.

#include <optional>
#include <string>
#include <string_view>

#include "net/http_method.h"

namespace lumo::net {

struct InetRequestArgs {
    std::string url{};                      // http://, https:// or a bare host and path (http)
    HttpMethod method = HttpMethod::Get;  // 0 GET, 1 POST, 2 HEAD; any other is GET
    std::string postText{};                 // body as text, used when postBytes is empty
    // Cookies to send instead of the jar's. Supplied (even empty): the jar is
    // neither read nor written, and the result's `cookies` holds the merge of
    // these with what the response set.
    std::optional<std::string> cookies{};
    // The caller keeps one variable for the cookie text and the response
    // cookies (a session carried from request to request): the request goes
    // out with `cookies`, and afterwards the variable holds exactly the
    // cookies the response set; a response that sets none empties it.
    bool cookiesFollowResponse = false;
    std::string extraHeaders{};             // "\r\n"-separated lines
    bool disableRedirects = false;
    std::string postBytes{};                // body as bytes; wins over postText
    std::string proxy{};                    // host:port; empty = direct
    int timeoutSeconds = 60;              // 0 or less = 60
};

struct InetResult {
    // False when the request could not be set up at all (unusable address):
    // nothing was sent and every other field is empty, `cookies` excepted,
    // which then holds the supplied text unchanged.
    bool setUp = false;
    std::string body{};                     // all bytes read; empty when nothing came
    std::string responseCookies{};          // the cookies this response set
    std::optional<std::string> cookies{};   // the cookie text after the call (see the args)
    std::string requestHeaders{};           // the header block as sent, defaults included
    std::string responseHeaders{};          // status line first, CRLF lines, blank line last
    std::string postBytes{};                // the body bytes sent (GBK of postText when empty)
};

InetResult InetRequest(const InetRequestArgs& args);

// GET with default headers through the cookie jar: the body bytes.
std::string InetRequest(std::string_view url);

// The agent name for a header block: the value of its User-Agent line, or
// "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)" when it has none.
std::string InetUserAgent(std::string_view headers);

// The header block InetRequest sends (searches are case-sensitive; the
// Cookie line is added whenever the cookie text is non-empty).
std::string BuildInetHeaderBlock(std::string_view extraHeaders, std::string_view url,
                                 std::string_view cookies);

}  // namespace lumo::net
