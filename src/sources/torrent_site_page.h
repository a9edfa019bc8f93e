#pragma once

#include <string>
#include <string_view>

#include "sources/search_result.h"

namespace lumo::sources {

// Removes every "<em>" and "</em>" (exactly these, lower case), with which
// the sites mark the searched words; everything else stays.
std::string RemoveEmTags(std::string_view title);

// "http://" + host + "/q/" + keyword + "_rel_" + page + ".html".
std::string TorrentSiteAddress(std::string_view host, std::string_view keyword, int page);

// The results of one page of the torrent search site: one row per title link
// (its key, its title without em tags), the i-th "文件大小" size beside the
// i-th title, an empty size when the page has fewer sizes than titles.
// `matched` says whether there was any title link.
SearchOutcome ParseTorrentSitePage(std::string_view page);

// The engine-2 worker's share: fetches the page and parses it. Blocking.
SearchOutcome SearchTorrentSite(std::string_view host, std::string_view keyword, int page);

}  // namespace lumo::sources
