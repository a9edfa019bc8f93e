#pragma once

// Splitting of addresses as InetRequest and the cookie jar need them. An
// address is "http://", "https://" or a bare host, then an optional port and
// an optional path with query.

#include <string>
#include <string_view>

namespace lumo::net {

// The host, lower-case. With parentDomain, only its last two dot-separated
// labels (a.b.c gives b.c; a host without a dot stays as it is). The port is
// cut off unless keepPort.
std::string SplitUrlHost(std::string_view address, bool parentDomain = false,
                         bool keepPort = false);

// The port the address names, else 443 for https and 80 otherwise; 0 when
// the named port is not a number from 1 to 65535.
int SplitUrlPort(std::string_view address);

// The path with query, case kept; "/" when the address has none.
std::string SplitUrlPath(std::string_view address);

// True when the address's first five characters are "https" (case ignored).
bool IsHttpsAddress(std::string_view address);

}  // namespace lumo::net
