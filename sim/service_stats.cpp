#include "sim/service_stats.h"

#include <strings.h>

namespace lumo::sim {

std::string RequestRecord::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

void ServiceStats::CountRequest(Service service) {
    std::lock_guard lock(mutex_);
    ++counters_[ServiceIndex(service)].requests;
    ++inFlight_;
}

uint64_t ServiceStats::File(RequestRecord record) {
    std::lock_guard lock(mutex_);
    record.sequence = nextSequence_++;
    auto& recent = recent_[ServiceIndex(record.service)];
    recent.push_back(std::move(record));
    while (recent.size() > kMaxRecords) recent.pop_front();
    return recent.back().sequence;
}

void ServiceStats::Complete(Service service, uint64_t sequence, uint64_t bytes, double ms) {
    {
        std::lock_guard lock(mutex_);
        counters_[ServiceIndex(service)].bytes += bytes;
        auto& recent = recent_[ServiceIndex(service)];
        for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
            if (it->sequence == sequence) {
                it->bytes = bytes;
                it->ms = ms;
                it->complete = true;
                break;
            }
        }
        if (inFlight_ > 0) --inFlight_;
    }
    idle_.notify_all();
}

ServiceCounters ServiceStats::Counters(Service service) const {
    std::lock_guard lock(mutex_);
    return counters_[ServiceIndex(service)];
}

std::vector<RequestRecord> ServiceStats::Recent(Service service) const {
    std::lock_guard lock(mutex_);
    const auto& recent = recent_[ServiceIndex(service)];
    return {recent.begin(), recent.end()};
}

void ServiceStats::Reset() {
    std::lock_guard lock(mutex_);
    counters_.fill({});
    for (auto& recent : recent_) recent.clear();
}

bool ServiceStats::WaitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return inFlight_ == 0; });
}

}  // namespace lumo::sim
