#pragma once

#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The JSON search interface (Lumo's engine 1), a forum plug-in:
// "/plugin.php?id=hc_115&mod=api&ac=acquisition&w=<keyword>&page=<n>&_=<time>"
// answers up to kPageSize items a page, each an object that begins with
// "hash", "title", "size" and "day" in this order, texts in "\u" escapes.
class JsonSearchService {
public:
    static constexpr int kPageSize = 40;

    explicit JsonSearchService(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

    std::string Answer(const std::string& keyword, int page) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
