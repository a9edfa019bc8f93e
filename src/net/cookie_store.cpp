#include "net/cookie_store.h"

#include <algorithm>

#include "net/ascii_text.h"
#include "net/cookie_jar.h"
#include "net/cookie_text.h"
#include "net/split_url.h"
#include "text/charset.h"

namespace lumo::net {
namespace {

bool IsIpHost(const std::string& host) {
    if (host.empty()) return false;
    if (host.front() == '[') return true;
    return std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

std::vector<JarCookie> CookiesFor(CookieJar& jar, std::string_view address) {
    const std::string host = SplitUrlHost(address);
    std::string path = SplitUrlPath(address);
    std::vector<JarCookie> sent;
    if (host.empty()) return sent;
    for (JarCookie& c : jar.Cookies())
        if (c.SentTo(host, path, IsHttpsAddress(address))) sent.push_back(std::move(c));
    // Longer paths first, as requests send them.
    std::stable_sort(sent.begin(), sent.end(),
                     [](const JarCookie& a, const JarCookie& b) { return a.path.size() > b.path.size(); });
    return sent;
}

}  // namespace

std::string GetCookies(std::string_view address, std::string_view name) {
    const auto jar = CookieJar::Current();
    std::string all;
    for (const JarCookie& c : CookiesFor(*jar, address)) {
        if (!all.empty()) all += "; ";
        all += text::GbkToUtf8(c.name) + "=" + text::GbkToUtf8(c.value);
    }
    std::string cleaned = all;
    MergeCookies(cleaned, all);
    if (name.empty()) return cleaned;
    return FindCookie(cleaned, name);
}

void DeleteCookies(std::string_view address) {
    const auto jar = CookieJar::Current();
    for (JarCookie c : CookiesFor(*jar, address)) {
        // The same domain, path and flags replace the stored cookie; a date
        // in the past removes it.
        c.value = "deleted";
        c.expires = 1;
        jar->Store(c);
    }
    jar->Save();
}

bool SetCookie(std::string_view address, std::string_view name, std::string_view value,
               std::optional<CookieDate> expiry) {
    const std::string host = SplitUrlHost(address);
    if (host.empty() || name.empty()) return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) <= 0x20 || c == '=' || c == ';' || c == 0x7F) return false;

    JarCookie cookie;
    cookie.name = text::Utf8ToGbk(name);
    const std::string_view kept = value.substr(0, value.find(';'));
    if (kept.empty()) {
        cookie.value = "delete";
        expiry = CookieDate{1999, 1, 1, 1, 1, 1};
    } else {
        cookie.value = text::Utf8ToGbk(kept);
    }
    if (expiry && !expiry->IsZero()) {
        // 0 would mean "session"; any date up to the epoch is simply past.
        cookie.expires = std::max<int64_t>(1, expiry->ToUnixSeconds());
    }
    cookie.path = "/";

    const auto jar = CookieJar::Current();
    cookie.domain = host;
    cookie.includeSubdomains = false;
    bool ok = jar->Store(cookie);
    if (!IsIpHost(host)) {
        cookie.domain = SplitUrlHost(host, /*parentDomain=*/true);
        cookie.includeSubdomains = true;
        ok = jar->Store(cookie);
    }
    jar->Save();
    return ok;
}

}  // namespace lumo::net
