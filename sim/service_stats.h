#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sim/service.h"

namespace lumo::sim {

// What one request asked and got, as the simulator saw it.
struct RequestRecord {
    Service service = Service::Control;
    std::string method;
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;    // the request body, cut to kMaxRecordedBody bytes
    int status = 0;      // 0 when the connection was dropped
    uint64_t bytes = 0;  // body bytes sent
    double ms = 0;       // from the request to the last byte sent
    std::string fault;   // the fault switch that acted, if any
    bool complete = false;  // bytes and ms are final
    uint64_t sequence = 0;

    std::string Header(const std::string& name) const;  // first match, ignoring case
};

struct ServiceCounters {
    uint64_t requests = 0;
    uint64_t bytes = 0;  // body bytes sent
};

// Counters and the latest requests of every service. A request is counted
// when it arrives and filed once its answer is decided, before the peer can
// see any of it; its sent bytes are added when the answer is done.
class ServiceStats {
public:
    static constexpr size_t kMaxRecords = 256;
    static constexpr size_t kMaxRecordedBody = 16 * 1024;

    void CountRequest(Service service);
    // Files a request; returns its sequence number for Complete.
    uint64_t File(RequestRecord record);
    // The answer is done: its body bytes and duration.
    void Complete(Service service, uint64_t sequence, uint64_t bytes, double ms);

    ServiceCounters Counters(Service service) const;
    std::vector<RequestRecord> Recent(Service service) const;  // oldest first
    void Reset();
    // Waits until every counted request is complete; false on timeout.
    bool WaitIdle(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    std::array<ServiceCounters, kServiceCount> counters_{};
    std::array<std::deque<RequestRecord>, kServiceCount> recent_;
    uint64_t nextSequence_ = 1;
    int inFlight_ = 0;
};

}  // namespace lumo::sim
