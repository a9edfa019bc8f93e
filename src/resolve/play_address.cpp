#include "resolve/play_address.h"

#include <mutex>

#include "net/content_probe.h"
#include "net/cookie_store.h"
#include "resolve/play_info.h"
#include "text/text_between.h"

namespace lumo::resolve {
namespace {

// Serialises the cookie step of concurrent resolves with their cancellation
// check: a resolve that has been replaced either finished its cookie step
// before the new one began its own, or skips it.
std::mutex& CookieStepMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

}  // namespace

std::string PlayAddress(std::string_view hostBase, std::string_view path) {
    std::string address(hostBase);
    address += "/ftn_handler/";
    address.append(path);
    address.append(kPlayQuery);
    return address;
}

std::string DownloadPath(std::string_view answer) { return text::TextBetween(answer, "ftn_handler/", "/System"); }

std::string EngineCookieText(std::string_view cookie) { return "FTN5K=" + std::string(cookie); }

bool LengthMatches(int64_t probedLength, std::string_view expectedSize) {
    return std::to_string(probedLength) == expectedSize;
}

ResolveOutcome FindPlayAddress(const ResolveJob& job, const std::function<bool()>& cancelled) {
    ResolveOutcome outcome;
    auto stop = [&] { return cancelled && cancelled(); };
    if (stop()) return outcome;

    const std::string answer = QueryPlayInfo(job.offlineHost, job.sha1);
    const std::string path = DownloadPath(answer);
    outcome.cookie = ExtractComCookie(answer);
    {
        std::lock_guard<std::mutex> hold(CookieStepMutex());
        if (stop()) return outcome;
        net::DeleteCookies(job.offlineHost);
        net::SetCookie(job.offlineHost, "FTN5K", outcome.cookie);
    }

    if (job.sha1 == kZeroSha1 || !CookieMeansHeld(outcome.cookie)) {
        outcome.end = ResolveEnd::Unplayable;
        return outcome;
    }

    for (int line = 1; line <= kHostLinesTried; ++line) {
        if (stop()) return outcome;
        const std::string base =
            line <= static_cast<int>(job.hostLines.size()) ? job.hostLines[static_cast<size_t>(line - 1)] : "";
        outcome.playUrl = PlayAddress(base, path);
        outcome.line = line;
        ++outcome.probes;
        if (LengthMatches(net::ProbeContentLength(outcome.playUrl), job.size)) {
            outcome.end = ResolveEnd::Found;
            return outcome;
        }
    }
    if (stop()) return outcome;
    outcome.end = ResolveEnd::NoHost;
    return outcome;
}

}  // namespace lumo::resolve
