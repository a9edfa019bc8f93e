#pragma once

// The process's cookie jar: one store shared by every request that does not
// carry its own cookie text (InetRequest without one, ProbeContentLength) and
// by the cookie operations, kept in a file in Lumo's data directory so that
// persistent cookies outlive the process. Session cookies (no expiry) live
// only as long as the process.
//
// It is libcurl's own cookie engine behind a share handle, so requests match
// domains, paths, expiry and Secure exactly as they send them. All members
// are safe to call from any thread.

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lumo::net {

struct JarCookie {
    std::string domain{};      // without a leading "."
    bool includeSubdomains = false;
    std::string path = "/";
    bool secure = false;
    bool httpOnly = false;
    int64_t expires = 0;     // seconds since 1970; 0 = session cookie
    std::string name{};
    std::string value{};       // bytes as the server sent them

    // True when a request to http(s)://host/path would carry this cookie.
    bool SentTo(const std::string& host, const std::string& path, bool https) const;
    // One line of the Netscape cookie file format.
    std::string ToLine() const;
    static bool FromLine(const std::string& line, JarCookie& out);
};

class CookieJar {
public:
    // A jar backed by the file at `path` (loaded now when it exists); an
    // empty path keeps the jar in memory only.
    explicit CookieJar(std::string path);
    ~CookieJar();
    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;

    // Makes the jar on `path` the process's jar, reading it afresh from the
    // file; requests already running finish with the jar they started with.
    static std::shared_ptr<CookieJar> Open(const std::string& path);
    // The process's jar; the first call without an Open opens DefaultPath().
    static std::shared_ptr<CookieJar> Current();
    // $LUMO_HOME, else $XDG_DATA_HOME/lumo, else ~/.local/share/lumo; then
    // "/cookies.txt". Empty when none of them is known.
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }
    bool Valid() const { return share_ != nullptr && control_ != nullptr; }

    // Lets an easy handle send the jar's cookies and store what it receives.
    // The jar must outlive the handle.
    bool Attach(CURL* easy);

    std::vector<JarCookie> Cookies();
    // Stores (or, with an expiry in the past, removes) one cookie.
    bool Store(const JarCookie& cookie);
    // Writes the persistent cookies to the file when they changed since the
    // last write or load: a temporary file, then a rename over the old one.
    bool Save();

private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self);
    static void Unlock(CURL*, curl_lock_data data, void* self);
    void Load();
    std::string PersistentText();

    std::string path_{};
    CURLSH* share_ = nullptr;
    CURL* control_ = nullptr;  // reads and edits the shared cookies
    std::mutex locks_[CURL_LOCK_DATA_LAST];
    std::mutex mutex_;         // guards control_
    std::mutex saveMutex_;     // one writer of the file at a time
    std::string saved_{};
};

}  // namespace lumo::net
