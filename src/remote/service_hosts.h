#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::remote {

// The addresses of the outside services that Lumo has built in: the download
// hosts and the offline service, the operators' website and forum, the two
// torrent searches, the film and subtitle sites, the codec pack and the
// second resource list. (Everything else comes from the operators' remote
// address list at run time.)
//
// The built-in values are build-time constants (cmake/LumoServices.cmake),
// which by default point at the local service simulator. The INI file named
// by the environment variable LUMO_SERVICES overrides any of them:
//
//   [services]
//   website=http://127.0.0.1:17001
//   download1=http://127.0.0.1:17011
//   qq=10086123
//
// Keys: website forum offline search api films subtitles codecs extra
// download1 ... download22, each a base address "http://host[:port]" (the
// scheme may be left out, a trailing "/" is dropped), and qq, the operators'
// QQ number. Lines outside the [services] section, blank lines and lines
// starting with ";" or "#" are ignored; keys compare ignoring ASCII case;
// keys Lumo does not know (lumo-sim also lists its own services there) are
// kept and readable through Value().
class ServiceHosts {
public:
    static constexpr int kDownloadHostCount = 22;
    static constexpr const char* kEnvironmentVariable = "LUMO_SERVICES";

    // Keys of the services file.
    static constexpr const char* kWebsite = "website";
    static constexpr const char* kForum = "forum";
    static constexpr const char* kOffline = "offline";
    static constexpr const char* kSearch = "search";
    static constexpr const char* kApi = "api";
    static constexpr const char* kFilms = "films";
    static constexpr const char* kSubtitles = "subtitles";
    static constexpr const char* kCodecs = "codecs";
    static constexpr const char* kExtra = "extra";
    static constexpr const char* kQq = "qq";
    static std::string DownloadKey(int n);  // "download" + n

    // The build-time constants alone.
    static ServiceHosts Defaults();

    // The constants overridden by the file that LUMO_SERVICES names, read
    // anew on every call. Without the variable the constants stand; a file
    // that cannot be read leaves them too and says why in *error.
    static ServiceHosts FromEnvironment(std::string* error = nullptr);

    // Overrides from a services file; false (and the values unchanged) when
    // it cannot be read.
    bool ApplyFile(const std::filesystem::path& path, std::string* error = nullptr);
    // Overrides from the text of a services file; returns how many keys it set.
    int ApplyText(std::string_view iniText);

    // The stored value of a key: a host ("127.0.0.1:17001") for address
    // keys, the text itself for others; empty when unknown.
    std::string Value(std::string_view key) const;
    // "http://" + Value(key); empty when the key has no value.
    std::string BaseAddress(std::string_view key) const;

    // Host of the operators' website; Lumo reads "/dizihuoqu.htm" there.
    std::string WebsiteHost() const { return Value(kWebsite); }
    // The website address opened in the browser when Lumo gives up.
    std::string WebsiteAddress() const;
    // The forum's home page ("忘记密码", the forum button).
    std::string ForumHomeAddress() const;
    // Base of the user-centre page: + "/home.php?mod=space&uid=" + id.
    std::string ProfileBase() const { return BaseAddress(kForum); }
    // Host of the offline service's play-information endpoint.
    std::string OfflineHost() const { return Value(kOffline); }
    std::string SearchSiteHost() const { return Value(kSearch); }
    std::string JsonSearchHost() const { return Value(kApi); }
    std::string FilmSiteHost() const { return Value(kFilms); }
    std::string SubtitleSiteHost() const { return Value(kSubtitles); }
    // The full address of the codec pack.
    std::string CodecPackAddress() const;
    // Host (with its port) of the server of the second resource list.
    std::string ExtraListHost() const { return Value(kExtra); }
    std::string OperatorQq() const { return Value(kQq); }

    // The 22 download hosts as base addresses ("http://host"), one per line,
    // CR LF between lines and none after the last.
    std::string DownloadHosts() const;
    // Line n (from 1) of DownloadHosts(); empty outside 1 to 22.
    std::string HostLine(int n) const;

private:
    void Set(std::string_view key, std::string_view value);

    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace lumo::remote
