#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The engine vendor's download site: "/codecs.zip", the codec pack.
class CodecSite {
public:
    explicit CodecSite(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
