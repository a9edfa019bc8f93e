#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class FaultBoard;
class ServiceStats;
class SimContext;

// lumo-sim's own endpoint for driving a running simulator from outside
// (plain-text answers):
//   GET  /services                          the services file
//   POST /fault?service=S&kind=K[&ms=..&status=..&bytes=..&rate=..&count=..&path=..]
//   DELETE /fault?service=S (or all)        clears; so does kind=none
//   GET  /faults                            the switches that are on
//   POST /latency?service=S|all&ms=N        a fixed wait before every answer
//   DELETE /latency?service=S|all           none again (so does ms=0)
//   GET  /latency                           the services that wait
//   GET  /counters[?service=S]              "service requests bytes" lines
//   POST /counters/reset
//   GET  /requests?service=S                the latest requests of a service
//   POST /update?status=T                   what the update page tells 1.6
//   POST /codecs?variant=full|partial|unsafe
//   POST /page?service=S&path=P[&type=T&status=N]   serve the body for P instead
//   DELETE /page                            drops every such page
//   GET  /catalogue, GET /media             the catalogue as tab-separated lines
class ControlService {
public:
    ControlService(SimContext& context, FaultBoard& faults, ServiceStats& stats)
        : context_(context), faults_(faults), stats_(stats) {}

    Reply Handle(const SiteRequest& request) const;

private:
    Reply SetFault(const SiteRequest& request) const;
    Reply SetLatency(const SiteRequest& request) const;

    SimContext& context_;
    FaultBoard& faults_;
    ServiceStats& stats_;
};

}  // namespace lumo::sim
