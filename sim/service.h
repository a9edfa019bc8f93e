#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo::sim {

// One listening port each. With fixed ports, service N listens on the base
// port + N (Extra, the second resource list, on its own port, 1166 by
// default); cmake/LumoServices.cmake gives Lumo the same numbers.
enum class Service : int {
    Control = 0,  // fault switches, counters, catalogue (lumo-sim's own)
    Website,      // operators' website: address list, channel pages
    Forum,        // operators' site (`zhuludizi`): forum, update page, shared list
    FileList,     // file-list service (`jkdz2`)
    Offline,      // offline service: play information
    Search,       // torrent search site
    Api,          // JSON search interface
    Films,        // film catalogue site, posters, torrent pages
    Words,        // keyword libraries (`fanhaodizi`, `gjzdizi`)
    Subtitles,    // subtitle search site
    Codecs,       // codec pack
    Download1,    // the 22 download hosts follow in order
    Download22 = Download1 + 21,
    Extra,        // second resource list
};

inline constexpr int kServiceCount = static_cast<int>(Service::Extra) + 1;
inline constexpr int kDownloadHostCount = 22;

constexpr int ServiceIndex(Service s) { return static_cast<int>(s); }
constexpr Service ServiceAt(int index) { return static_cast<Service>(index); }

// Download host n (1 to 22).
constexpr Service DownloadHost(int n) { return ServiceAt(ServiceIndex(Service::Download1) + n - 1); }
constexpr bool IsDownloadHost(Service s) {
    return ServiceIndex(s) >= ServiceIndex(Service::Download1) &&
           ServiceIndex(s) <= ServiceIndex(Service::Download22);
}
// 1 to 22 for a download host, 0 otherwise.
constexpr int DownloadHostNumber(Service s) {
    return IsDownloadHost(s) ? ServiceIndex(s) - ServiceIndex(Service::Download1) + 1 : 0;
}

// The service's key in the services file and on the control endpoint:
// "control", "website", ..., "download1" ... "download22", "extra".
std::string ServiceName(Service s);
// The names above, and "dl<n>" for download host n; nullopt for anything else.
std::optional<Service> ParseServiceName(std::string_view name);

}  // namespace lumo::sim
