#pragma once

#include <array>
#include <chrono>
#include <mutex>
#include <optional>
#include <string_view>

#include "sim/fault.h"
#include "sim/service.h"

namespace lumo::sim {

// The fault switch and the latency of every service, set and read from any
// thread. The latency is apart from the fault so that a service can be slow
// and faulty at once, and stays until it is set to zero.
class FaultBoard {
public:
    void Set(Service service, const Fault& fault);
    void Clear(Service service);
    void ClearAll();
    std::optional<Fault> Current(Service service) const;

    // The switch that acts on a request for `path`, used up by one when it
    // has a count (and cleared when that reaches zero); nullopt when none.
    std::optional<Fault> Take(Service service, std::string_view path);

    // A fixed wait before each answer of the service; zero for none.
    void SetLatency(Service service, std::chrono::milliseconds latency);
    std::chrono::milliseconds Latency(Service service) const;

private:
    mutable std::mutex mutex_;
    std::array<std::optional<Fault>, kServiceCount> faults_;
    std::array<std::chrono::milliseconds, kServiceCount> latencies_{};
};

}  // namespace lumo::sim
