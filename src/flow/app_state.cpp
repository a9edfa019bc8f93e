#include "flow/app_state.h"

#include <utility>

namespace lumo::flow {

std::string AppState::RemoteAddress(const std::string& key) const {
    std::lock_guard<std::mutex> hold(remoteLock_);
    auto it = remoteAddresses_.find(key);
    return it == remoteAddresses_.end() ? std::string() : it->second;
}

void AppState::SetRemoteAddress(const std::string& key, const std::string& value) {
    std::lock_guard<std::mutex> hold(remoteLock_);
    remoteAddresses_[key] = value;
}

void AppState::ReplaceRemoteAddresses(std::map<std::string, std::string> values) {
    std::lock_guard<std::mutex> hold(remoteLock_);
    remoteAddresses_ = std::move(values);
}

std::map<std::string, std::string> AppState::RemoteAddresses() const {
    std::lock_guard<std::mutex> hold(remoteLock_);
    return remoteAddresses_;
}

}  // namespace lumo::flow
