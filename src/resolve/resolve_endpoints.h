#pragma once

#include <string>

#include "flow/app_state.h"
#include "remote/service_hosts.h"
#include "resolve/availability_check.h"

namespace lumo::resolve {

// The addresses the resolution asks: the file-list prefix the operators
// publish (remote key jkdz2, empty until the address list has arrived), the
// offline service and the 22 download hosts built in (LUMO_SERVICES may
// override them). Read on the GUI thread; workers get copies.
class ResolveEndpoints {
public:
    static constexpr const char* kFileListKey = "jkdz2";

    ResolveEndpoints(const flow::AppState& state, remote::ServiceHosts hosts)
        : state_(state), hosts_(std::move(hosts)) {}

    std::string FileListPrefix() const { return state_.RemoteAddress(kFileListKey); }
    std::string OfflineHost() const { return hosts_.OfflineHost(); }
    // Line n (from 1) of the download hosts, a base address; empty outside 1 to 22.
    std::string HostLine(int n) const { return hosts_.HostLine(n); }
    CheckEndpoints ForChecks() const { return {FileListPrefix(), OfflineHost()}; }

    const remote::ServiceHosts& Hosts() const { return hosts_; }
    void SetHosts(remote::ServiceHosts hosts) { hosts_ = std::move(hosts); }

private:
    const flow::AppState& state_;
    remote::ServiceHosts hosts_;
};

}  // namespace lumo::resolve
