// Cookie texts, the cookie jar file, response header blocks and addresses.
// The first byte picks what the rest of the input is.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "net/cookie_jar.h"
#include "net/cookie_text.h"
#include "net/response_headers.h"
#include "net/split_url.h"
#include "text/utf8.h"

namespace {

using namespace lumo::net;

void Require(bool condition) {
    if (!condition) std::abort();
}

// The blanks cookie texts lose: ASCII and full-width spaces.
bool HasBlank(std::string_view text) {
    return text.find(' ') != std::string_view::npos || text.find("\u3000") != std::string_view::npos;
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (lumo::text::DecodeUtf8(text, pos) == lumo::text::kInvalidUtf8) return false;
    }
    return true;
}

std::vector<std::string_view> Items(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> items;
    size_t from = 0;
    while (true) {
        const size_t at = text.find(separator, from);
        items.push_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos) return items;
        from = at + separator.size();
    }
}

void CookieTexts(std::string_view input) {
    const size_t bar = input.find('|');
    std::string sent(input.substr(0, bar));
    std::string received(bar == std::string_view::npos ? std::string_view() : input.substr(bar + 1));
    const bool utf8 = IsValidUtf8(input);
    const std::string merged = MergeCookies(sent, received);
    Require(merged == sent);
    // Blanks go; "; " is the only separator left.
    for (std::string_view item : Items(merged, "; ")) {
        if (merged.empty()) break;
        Require(!item.empty() && (!utf8 || !HasBlank(item)));
        Require(item.size() < 8 || item.substr(item.size() - 8) != "=deleted");
    }
    Require(DedupeList(merged, "; ") == merged);
    // Merging nothing new changes nothing. (In broken UTF-8, taking out a
    // space can join the bytes of a full-width one, which goes next time.)
    std::string again = merged;
    std::string none;
    if (utf8) Require(MergeCookies(again, none) == merged);

    const std::string deduped = DedupeList(input, ";");
    Require(deduped.size() <= input.size());
    Require(DedupeList(deduped, ";") == deduped);

    const std::string_view name = input.substr(0, std::min<size_t>(input.size(), 8));
    const std::string found = FindCookie(input, name);
    Require(found.empty() || found.substr(0, name.size() + 1) == std::string(name) + "=");
    (void)CookieName(input);
}

auto Fields(const JarCookie& c) {
    return std::tie(c.domain, c.includeSubdomains, c.path, c.secure, c.httpOnly, c.expires, c.name, c.value);
}

void JarLines(std::string_view input) {
    size_t from = 0;
    while (from <= input.size()) {
        const size_t end = std::min(input.find('\n', from), input.size());
        const std::string line(input.substr(from, end - from));
        from = end + 1;
        JarCookie first;
        if (!JarCookie::FromLine(line, first)) continue;
        Require(!first.domain.empty());
        // Once read, a cookie writes back to a line that reads as itself.
        JarCookie second;
        Require(JarCookie::FromLine(first.ToLine(), second));
        Require(second.name == first.name && second.value == first.value && second.expires == first.expires &&
                second.secure == first.secure);
        JarCookie third;
        Require(JarCookie::FromLine(second.ToLine(), third));
        Require(Fields(third) == Fields(second));
    }
}

std::string JarDirectory() {
    static const std::string dir = [] {
        char name[] = "/tmp/lumo_fuzz_jar_XXXXXX";
        Require(mkdtemp(name) != nullptr);
        return std::string(name);
    }();
    static const bool removedAtExit = [] {
        std::atexit([] { std::filesystem::remove_all(dir); });
        return true;
    }();
    (void)removedAtExit;
    return dir;
}

std::vector<std::string> SortedLines(CookieJar& jar) {
    std::vector<std::string> lines;
    for (const JarCookie& c : jar.Cookies()) lines.push_back(c.ToLine());
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A jar file as found on disk: what it loads is stored again, saved to a
// second file, and that file loads the same cookies.
void JarFile(std::string_view input) {
    const std::string path = JarDirectory() + "/cookies.txt";
    const std::string copyPath = JarDirectory() + "/copy.txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    std::remove(copyPath.c_str());
    std::vector<std::string> loaded;
    {
        CookieJar jar(path);
        Require(jar.Valid());
        CookieJar copy(copyPath);
        for (const JarCookie& c : jar.Cookies()) {
            Require(!c.name.empty() && !c.domain.empty() && c.expires != 0);
            loaded.push_back(c.ToLine());
            Require(copy.Store(c));
        }
        std::sort(loaded.begin(), loaded.end());
        Require(copy.Save());
    }
    CookieJar again(copyPath);
    Require(SortedLines(again) == loaded);
    std::remove(path.c_str());
    std::remove(copyPath.c_str());
}

void Headers(std::string_view input) {
    const std::string cookies = ResponseCookies(input);
    Require(cookies.find("\r\n") == std::string::npos);
    const std::string normalised = NormaliseSetCookie(input);
    Require(normalised.size() == input.size());
    // Normalising twice is normalising once.
    Require(NormaliseSetCookie(normalised) == normalised);
    if (const auto location = LocationHeader(input)) Require(location->find("\r\n") == std::string::npos);
    (void)StatusText(input);
}

void Addresses(std::string_view input) {
    const int port = SplitUrlPort(input);
    Require(port >= 0 && port <= 65535);
    const std::string host = SplitUrlHost(input);
    for (char c : host) Require(!(c >= 'A' && c <= 'Z'));
    // The parent domain is the tail of the host (compared with ports kept,
    // as a colon before the last dots is cut differently).
    const std::string withPort = SplitUrlHost(input, false, true);
    const std::string parent = SplitUrlHost(input, true, true);
    Require(parent.size() <= withPort.size() && withPort.substr(withPort.size() - parent.size()) == parent);
    Require(withPort.substr(0, host.size()) == host);
    const std::string path = SplitUrlPath(input);
    Require(!path.empty() && path.front() == '/');
    (void)IsHttpsAddress(input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 5) {
        case 0: CookieTexts(input); break;
        case 1: JarLines(input); break;
        case 2: JarFile(input); break;
        case 3: Headers(input); break;
        case 4: Addresses(input); break;
    }
    return 0;
}
