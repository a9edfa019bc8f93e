#include "sim/fault_board.h"

#include <algorithm>

namespace lumo::sim {

void FaultBoard::Set(Service service, const Fault& fault) {
    std::lock_guard lock(mutex_);
    if (fault.kind == FaultKind::None) {
        faults_[ServiceIndex(service)].reset();
    } else {
        faults_[ServiceIndex(service)] = fault;
    }
}

void FaultBoard::Clear(Service service) {
    std::lock_guard lock(mutex_);
    faults_[ServiceIndex(service)].reset();
}

void FaultBoard::ClearAll() {
    std::lock_guard lock(mutex_);
    for (auto& fault : faults_) fault.reset();
}

std::optional<Fault> FaultBoard::Current(Service service) const {
    std::lock_guard lock(mutex_);
    return faults_[ServiceIndex(service)];
}

std::optional<Fault> FaultBoard::Take(Service service, std::string_view path) {
    std::lock_guard lock(mutex_);
    auto& slot = faults_[ServiceIndex(service)];
    if (!slot || path.substr(0, slot->pathPrefix.size()) != slot->pathPrefix) return std::nullopt;
    Fault fault = *slot;
    if (slot->count > 0 && --slot->count == 0) slot.reset();
    return fault;
}

void FaultBoard::SetLatency(Service service, std::chrono::milliseconds latency) {
    std::lock_guard lock(mutex_);
    latencies_[ServiceIndex(service)] = std::max(latency, std::chrono::milliseconds(0));
}

std::chrono::milliseconds FaultBoard::Latency(Service service) const {
    std::lock_guard lock(mutex_);
    return latencies_[ServiceIndex(service)];
}

}  // namespace lumo::sim
