#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::resolve {

// Download host lines 1 to 15 are tried, in order; the others never are.
inline constexpr int kHostLinesTried = 15;

// The query every play address carries, whatever the file.
inline constexpr std::string_view kPlayQuery = "?compressed=0&dtype=1&fname=m.mkv";

// base + "/ftn_handler/" + path + kPlayQuery.
std::string PlayAddress(std::string_view hostBase, std::string_view path);

// The part of a play-information answer between "ftn_handler/" and "/System".
std::string DownloadPath(std::string_view answer);

// "FTN5K=" + cookie: what the engine sends with its requests.
std::string EngineCookieText(std::string_view cookie);

// A probed length matches when its decimal text equals the expected size
// text exactly, so "01234" never matches and a failed probe (-1) never does.
bool LengthMatches(int64_t probedLength, std::string_view expectedSize);

// What the network part of a resolve needs, copied off the GUI thread.
struct ResolveJob {
    std::string sha1;
    std::string size;
    std::string offlineHost;
    std::vector<std::string> hostLines;  // base addresses; [0] is line 1
};

enum class ResolveEnd {
    Unplayable,  // sha1 of 40 zeros, or the service does not hold the file
    NoHost,      // none of lines 1 to 15 reported the expected length
    Found,       // a host reported it: ready to open
    Cancelled,   // a newer resolve took over; nothing may change any more
};

struct ResolveOutcome {
    ResolveEnd end = ResolveEnd::Cancelled;
    std::string cookie;   // the answer's com_cookie
    std::string playUrl;  // the address found, or the last one probed
    int line = 0;         // its host line
    int probes = 0;
};

// The worker's share of a resolve: asks the offline service, puts its
// cookie into the cookie jar (FTN5K for the service's host and its parent
// domain, after deleting the host's old cookies), then probes the host lines
// in order until one reports the file's length. `cancelled` is asked before
// each step; once it says yes nothing more is done, the cookie jar included,
// so an abandoned resolve never overwrites the cookie of the one that
// replaced it.
ResolveOutcome FindPlayAddress(const ResolveJob& job, const std::function<bool()>& cancelled);

}  // namespace lumo::resolve
