#include "net/cookie_jar.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "net/ascii_text.h"
#include "net/curl_transfer.h"

namespace lumo::net {
namespace {

bool IsIpAddress(const std::string& host) {
    if (host.find(':') != std::string::npos || (!host.empty() && host.front() == '[')) return true;
    if (host.empty()) return false;
    for (char c : host)
        if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
    return true;
}

bool HasBadByte(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::mutex g_currentMutex;
std::shared_ptr<CookieJar> g_current;

}  // namespace

bool JarCookie::SentTo(const std::string& host, const std::string& reqPath, bool https) const {
    if (secure && !https) return false;
    if (expires != 0 && expires < static_cast<int64_t>(std::time(nullptr))) return false;
    const std::string h = ascii::Lower(host);
    const std::string d = ascii::Lower(domain);
    bool domainOk = h == d;
    if (!domainOk && includeSubdomains && !IsIpAddress(h))
        domainOk = h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 &&
                   h[h.size() - d.size() - 1] == '.';
    if (!domainOk) return false;
    if (path.empty() || path == "/") return true;
    if (reqPath.compare(0, path.size(), path) != 0) return false;
    return reqPath.size() == path.size() || path.back() == '/' || reqPath[path.size()] == '/' ||
           reqPath[path.size()] == '?';
}

std::string JarCookie::ToLine() const {
    std::string line;
    if (httpOnly) line = "#HttpOnly_";
    if (includeSubdomains) line += ".";
    line += domain;
    line += includeSubdomains ? "\tTRUE\t" : "\tFALSE\t";
    line += path.empty() ? "/" : path;
    line += secure ? "\tTRUE\t" : "\tFALSE\t";
    line += std::to_string(expires);
    line += "\t" + name + "\t" + value;
    return line;
}

bool JarCookie::FromLine(const std::string& raw, JarCookie& out) {
    std::string_view line(raw);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    JarCookie c;
    if (line.rfind("#HttpOnly_", 0) == 0) {
        c.httpOnly = true;
        line.remove_prefix(10);
    } else if (line.empty() || line.front() == '#') {
        return false;
    }
    const auto fields = ascii::Split(line, "\t");
    if (fields.size() != 7 && fields.size() != 6) return false;
    std::string_view domain = fields[0];
    if (!domain.empty() && domain.front() == '.') domain.remove_prefix(1);
    if (domain.empty()) return false;
    c.domain = std::string(domain);
    c.includeSubdomains = ascii::EqualsI(fields[1], "TRUE");
    c.path = std::string(fields[2]);
    c.secure = ascii::EqualsI(fields[3], "TRUE");
    char* end = nullptr;
    const std::string expires(fields[4]);
    c.expires = std::strtoll(expires.c_str(), &end, 10);
    if (end == expires.c_str()) return false;
    c.name = std::string(fields[5]);
    if (fields.size() == 7) c.value = std::string(fields[6]);
    out = std::move(c);
    return true;
}

CookieJar::CookieJar(std::string path) : path_(std::move(path)) {
    if (!EnsureCurlReady()) return;
    share_ = curl_share_init();
    if (!share_) return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieJar::Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieJar::Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    if (curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
        curl_share_cleanup(share_);
        share_ = nullptr;
        return;
    }
    control_ = curl_easy_init();
    if (control_ && curl_easy_setopt(control_, CURLOPT_SHARE, share_) != CURLE_OK) {
        curl_easy_cleanup(control_);
        control_ = nullptr;
    }
    if (control_) Load();
}

CookieJar::~CookieJar() {
    if (control_) curl_easy_cleanup(control_);
    if (share_) curl_share_cleanup(share_);
}

void CookieJar::Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CookieJar*>(self)->locks_[data].lock();
}

void CookieJar::Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CookieJar*>(self)->locks_[data].unlock();
}

std::shared_ptr<CookieJar> CookieJar::Open(const std::string& path) {
    auto jar = std::make_shared<CookieJar>(path);
    std::lock_guard<std::mutex> lock(g_currentMutex);
    g_current = jar;
    return jar;
}

std::shared_ptr<CookieJar> CookieJar::Current() {
    std::lock_guard<std::mutex> lock(g_currentMutex);
    if (!g_current) g_current = std::make_shared<CookieJar>(DefaultPath());
    return g_current;
}

std::string CookieJar::DefaultPath() {
    auto env = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v ? std::string(v) : std::string();
    };
    std::string dir = env("LUMO_HOME");
    if (dir.empty() && !env("XDG_DATA_HOME").empty()) dir = env("XDG_DATA_HOME") + "/lumo";
    if (dir.empty() && !env("HOME").empty()) dir = env("HOME") + "/.local/share/lumo";
    if (dir.empty()) return {};
    return dir + "/cookies.txt";
}

bool CookieJar::Attach(CURL* easy) {
    if (!Valid()) return false;
    // An empty cookie file switches libcurl's engine on without reading one.
    return curl_easy_setopt(easy, CURLOPT_SHARE, share_) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "") == CURLE_OK;
}

std::vector<JarCookie> CookieJar::Cookies() {
    std::vector<JarCookie> out;
    if (!Valid()) return out;
    std::lock_guard<std::mutex> lock(mutex_);
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(control_, CURLINFO_COOKIELIST, &list) != CURLE_OK) return out;
    // libcurl drops an expired cookie only when the next one is added; until
    // then it is still listed, though never sent.
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    for (curl_slist* item = list; item; item = item->next) {
        JarCookie c;
        if (JarCookie::FromLine(item->data, c) && (c.expires == 0 || c.expires > now))
            out.push_back(std::move(c));
    }
    curl_slist_free_all(list);
    return out;
}

bool CookieJar::Store(const JarCookie& cookie) {
    if (!Valid()) return false;
    // A tab or line break would split the record into other fields or lines.
    if (cookie.name.empty() || cookie.domain.empty() || HasBadByte(cookie.name) ||
        HasBadByte(cookie.value) || HasBadByte(cookie.domain) || HasBadByte(cookie.path))
        return false;
    JarCookie c = cookie;
    if (c.path.empty()) c.path = "/";
    const std::string line = c.ToLine();
    std::lock_guard<std::mutex> lock(mutex_);
    return curl_easy_setopt(control_, CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
}

std::string CookieJar::PersistentText() {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<std::string> lines;
    for (const JarCookie& c : Cookies())
        if (c.expires != 0 && c.expires > now) lines.push_back(c.ToLine());
    std::sort(lines.begin(), lines.end());
    std::string text = "# Netscape HTTP Cookie File\n# Lumo's cookie jar.\n\n";
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

void CookieJar::Load() {
    if (path_.empty()) return;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::string line;
    while (std::getline(in, line)) {
        JarCookie c;
        if (!JarCookie::FromLine(line, c)) continue;
        // Session cookies end with the process that received them.
        if (c.expires == 0 || c.expires <= now) continue;
        Store(c);
    }
    std::lock_guard<std::mutex> lock(saveMutex_);
    saved_ = PersistentText();
}

bool CookieJar::Save() {
    if (!Valid() || path_.empty()) return false;
    // The snapshot is taken under the same lock as the write, so a later
    // snapshot is never overwritten by an earlier one.
    std::lock_guard<std::mutex> lock(saveMutex_);
    const std::string text = PersistentText();
    if (text == saved_) return true;
    const size_t slash = path_.find_last_of('/');
    if (slash != std::string::npos && !MakeDirectories(path_.substr(0, slash))) return false;
    std::string temp = path_ + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    fchmod(fd, 0600);  // the jar holds session secrets
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == text.size() && fsync(fd) == 0;
    close(fd);
    if (!written || rename(temp.c_str(), path_.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    saved_ = text;
    return true;
}

}  // namespace lumo::net
