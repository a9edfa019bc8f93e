#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::remote {

// The operators' address list page: each value stands between "]~" + key
// and key + "~[", except two keys whose end marker is a shortened key. The
// values are taken exactly as published: no trimming, no decoding.
class RemoteAddressList {
public:
    struct Key {
        std::string name;
        std::string beginMarker;
        std::string endMarker;
    };

    // Every key in the order it is read, with its markers.
    static const std::vector<Key>& Keys();

    // The value of every key (empty for a key whose markers are missing); the
    // first begin marker counts, case-sensitive.
    static std::map<std::string, std::string> Parse(std::string_view page);

    // Every key with the empty value, as a failed read leaves them.
    static std::map<std::string, std::string> Empty();

    // Where the page lives on the operators' website host.
    static std::string Address(std::string_view websiteHost);
};

// Keys the rest of Lumo reads.
inline constexpr const char* kForumHostKey = "zhuludizi";
inline constexpr const char* kRegistrationKey = "zhucedizi";
inline constexpr const char* kDownloadPageKey = "genxindiz";
inline constexpr const char* kKeywordLibraryKey = "gjzdizi";
inline constexpr const char* kCodeLibraryKey = "fanhaodizi";
inline constexpr const char* kFileListKey = "jkdz2";
inline constexpr const char* kAnnouncementKey = "gonggdz";

}  // namespace lumo::remote
