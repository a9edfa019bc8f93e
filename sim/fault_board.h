#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string_view>

#include "sim/fault.h"
#include "sim/service.h"

namespace lumo::sim {

// The fault switch of every service, set and read from any thread.
class FaultBoard {
public:
    void Set(Service service, const Fault& fault);
    void Clear(Service service);
    void ClearAll();
    std::optional<Fault> Current(Service service) const;

    // The switch that acts on a request for `path`, used up by one when it
    // has a count (and cleared when that reaches zero); nullopt when none.
    std::optional<Fault> Take(Service service, std::string_view path);

private:
    mutable std::mutex mutex_;
    std::array<std::optional<Fault>, kServiceCount> faults_;
};

}  // namespace lumo::sim
