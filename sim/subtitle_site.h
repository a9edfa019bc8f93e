#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The subtitle search site: "/search?ad=1&q=<term>" (an IMDb id such as
// tt1234567, or words of a title) lists subtitles for the matching films,
// each downloadable as a real .srt or .ass file.
class SubtitleSite {
public:
    explicit SubtitleSite(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
