#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo::sources {

// One entry of an operators' resource list.
struct ResourceEntry {
    std::string name;
    std::string link;  // the info-hash (shared list) or the link text as the page gives it (second list)

    bool operator==(const ResourceEntry&) const = default;
};

// A list counts as completely loaded when it has a fourth row with a name.
inline constexpr int kCompleteListRows = 4;

// "http://" + host + "/archiver/i/fg/hy/" + page + ".htm".
std::string SharedResourceAddress(std::string_view host, std::string_view page);

// The entries of a shared-list page: "名" Base64 name "名---分割啊---磁"
// info-hash "磁". The name's bytes are GBK (cut at a zero byte).
std::vector<ResourceEntry> ParseSharedResourcePage(std::string_view page);

// "http://" + host + "/vip.htm".
std::string ExtraResourceAddress(std::string_view host);

// The entries of the second list: "名称" name "名称------磁力" link "磁力".
std::vector<ResourceEntry> ParseExtraResourceList(std::string_view page);

// The entries of the code library: each link text after a style ending in
// "bottom:10px;" (a "margin-bottom" included).
std::vector<std::string> ParseCodeLibrary(std::string_view page);
// The entries of the keyword library: each link text after "-bottom:10px;".
std::vector<std::string> ParseKeywordLibrary(std::string_view page);

// A page number as typed into a page box: the integer the text begins with
// (blanks first, an optional sign), 0 when it begins with none, held within
// ±1000000000.
int PageNumber(std::string_view text);

}  // namespace lumo::sources
