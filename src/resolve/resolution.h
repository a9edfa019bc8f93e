#pragma once

#include <QObject>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "remote/service_hosts.h"
#include "resolve/availability_checker.h"
#include "resolve/magnet_window_flows.h"
#include "resolve/play_flows.h"
#include "resolve/resolve_endpoints.h"
#include "resolve/resolver.h"

namespace lumo::resolve {

// Everything between an info-hash and a playing file, put together for the
// GUI (or a test) that owns it: the addresses, the availability checks, the
// resolve and the flows that use them. Lives on the GUI thread; `state` and
// `ui` must outlive it. Destroying it leaves running workers to end on
// their own; they change nothing any more.
class Resolution : public QObject {
    Q_OBJECT
public:
    Resolution(flow::AppState& state, flow::FlowUi& ui,
               remote::ServiceHosts hosts = remote::ServiceHosts::FromEnvironment(), QObject* parent = nullptr);

    ResolveEndpoints& Endpoints() { return endpoints_; }
    AvailabilityChecker& Checker() { return checker_; }
    Resolver& Resolve() { return resolver_; }
    MagnetWindowFlows& Magnet() { return magnet_; }
    PlayFlows& Flows() { return flows_; }

private:
    ResolveEndpoints endpoints_;
    AvailabilityChecker checker_;
    Resolver resolver_;
    MagnetWindowFlows magnet_;
    PlayFlows flows_;
};

}  // namespace lumo::resolve
