#pragma once

#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;
struct Film;

// The film catalogue site: "/search?q=" lists films as
// `<a href="/subject/<id>.html"><em>...</a></h5></li>`; a film's detail page
// (LF line breaks) has the poster written without its scheme, the title in
// <h1>, the IMDb text, the fields "地区:", "类型:", "导演:", "编剧:",
// "主演:" in <strong>/<div> blocks, and its torrents with their sizes; each
// torrent page carries the magnet link.
class FilmSite {
public:
    explicit FilmSite(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    Reply SearchPage(const std::string& keyword) const;
    Reply DetailPage(const Film& film) const;
    Reply TorrentPage(const std::string& hash) const;

    const SimContext& context_;
};

}  // namespace lumo::sim
