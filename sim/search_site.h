#pragma once

#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The torrent search site (Lumo's engine 2): "/q/<keyword>_rel_<page>.html"
// lists ten results a page, each a link "/torrent/<info-hash>.html" whose
// title marks the keyword with <em>, and a size after "文件大小：". The
// detail pages carry the magnet link and the .torrent download.
class SearchSite {
public:
    static constexpr int kPageSize = 10;

    explicit SearchSite(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    Reply ResultPage(const std::string& keyword, int page) const;
    Reply DetailPage(const std::string& hash) const;

    const SimContext& context_;
};

}  // namespace lumo::sim
