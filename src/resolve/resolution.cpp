#include "resolve/resolution.h"

#include <utility>

namespace lumo::resolve {

Resolution::Resolution(flow::AppState& state, flow::FlowUi& ui, remote::ServiceHosts hosts, QObject* parent)
    : QObject(parent),
      endpoints_(state, std::move(hosts)),
      checker_(endpoints_),
      resolver_(state, ui, endpoints_),
      magnet_(ui, endpoints_, checker_),
      flows_(state, ui, resolver_, magnet_) {}

}  // namespace lumo::resolve
