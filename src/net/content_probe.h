#pragma once

#include <cstdint>
#include <string_view>

namespace lumo::net {

// Asks a server how long the file at `url` is: a GET carrying the cookie
// jar's cookies (redirects followed, environment proxy settings, 15-second
// timeouts) that is closed as soon as the final response's headers are in,
// so no body is transferred. Returns that response's Content-Length, or -1
// when the request fails, the status is not 2xx or there is no usable
// Content-Length (so a failure never equals a real size, 0 included).
int64_t ProbeContentLength(std::string_view url);

}  // namespace lumo::net
