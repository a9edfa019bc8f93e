#include "sources/sources.h"

namespace lumo::sources {

Sources::Sources(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
                 const remote::ServiceHosts& hosts, QObject* parent)
    : QObject(parent),
      search_(ui, checker, hosts),
      films_(state, ui, checker, hosts),
      resources_(state, ui, checker, hosts),
      libraries_(state, ui, search_) {}

}  // namespace lumo::sources
