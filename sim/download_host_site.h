#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// One of the 22 download hosts: "/ftn_handler/<path>" serves a file that
// this host holds, with its Content-Length and byte ranges, to a request
// that carries the file's FTN5K cookie; 403 without it, 404 for a file the
// host does not hold.
class DownloadHostSite {
public:
    DownloadHostSite(const SimContext& context, int host) : context_(context), host_(host) {}

    Reply Handle(const SiteRequest& request) const;

private:
    const SimContext& context_;
    int host_;
};

}  // namespace lumo::sim
