#pragma once

#include <string>
#include <string_view>

namespace lumo::remote {

// What the operators' update page tells this release (1.6): the address of
// the download page and a status, each between two copies of its marker.
struct UpdatePage {
    static constexpr const char* kDownloadMarker = "[lumo1.6]";
    static constexpr const char* kStatusMarker = "(lumo1.6gx)";
    static constexpr const char* kNewerRelease = "1";
    static constexpr const char* kWithdrawn = "2";

    std::string downloadAddress;  // empty when the page lacks it
    std::string status;           // empty: the page was not read or has no status

    static UpdatePage Read(std::string_view page);
    // The page on the operators' site host (`zhuludizi`).
    static std::string Address(std::string_view siteHost);
};

}  // namespace lumo::remote
