#pragma once

#include <string>
#include <string_view>

namespace lumo::resolve {

// The offline service's play-information endpoint, on its host over http.
inline constexpr std::string_view kPlayInfoPath = "/handler/lixian/get_http_url.php";

// The com_cookie value with which the service says it does not hold a file.
inline constexpr std::string_view kNotHeldCookie = "00000000";

// The sha1 with which the file list says it knows no content hash.
inline constexpr std::string_view kZeroSha1 = "0000000000000000000000000000000000000000";

// "http://" + offlineHost + the endpoint path.
std::string PlayInfoAddress(std::string_view offlineHost);

// Asks the offline service about one file's content SHA-1: a POST of
// "hash=" + sha1 + "&filename=System" through the process's cookie jar. The
// answer body as text (cut at its first zero byte); empty on failure.
std::string QueryPlayInfo(std::string_view offlineHost, std::string_view sha1);

// The answer's com_cookie value: the text between com_cookie":" and the
// next ",; empty when the field is missing.
std::string ExtractComCookie(std::string_view answer);

// Any cookie but the not-held sentinel counts as held, the empty one
// included (a failed query is only found out by the host search).
inline bool CookieMeansHeld(std::string_view cookie) { return cookie != kNotHeldCookie; }

// An empty sha1 or the 40 zeros cannot be asked for.
inline bool Sha1CanBeAsked(std::string_view sha1) { return !sha1.empty() && sha1 != kZeroSha1; }

}  // namespace lumo::resolve
