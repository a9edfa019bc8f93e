#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The second resource list, "/vip.htm" on its own server (port 1166 on the
// real one): a GBK page of entries "名称" + name + "名称------磁力" + magnet
// link + "磁力".
class ExtraListService {
public:
    explicit ExtraListService(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
