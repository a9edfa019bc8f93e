#pragma once

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "sim/catalogue.h"
#include "sim/codec_pack.h"
#include "sim/reply.h"
#include "sim/service.h"

namespace lumo::sim {

// What the services of one running simulator share: the catalogue, every
// service's port (pages link to each other by absolute address), and the
// settings that can change while it runs.
class SimContext {
public:
    SimContext(std::shared_ptr<const Catalogue> catalogue, std::string updateStatus, CodecPackVariant codecPack)
        : catalogue_(std::move(catalogue)), updateStatus_(std::move(updateStatus)), codecPack_(codecPack) {}

    const Catalogue& catalogue() const { return *catalogue_; }
    const std::shared_ptr<const Catalogue>& sharedCatalogue() const { return catalogue_; }

    void SetPort(Service service, int port) { ports_[ServiceIndex(service)] = port; }
    int Port(Service service) const { return ports_[ServiceIndex(service)]; }
    // "127.0.0.1:17005"
    std::string HostPort(Service service) const { return "127.0.0.1:" + std::to_string(Port(service)); }
    // "http://127.0.0.1:17005"
    std::string BaseAddress(Service service) const { return "http://" + HostPort(service); }

    std::string UpdateStatus() const {
        std::lock_guard lock(mutex_);
        return updateStatus_;
    }
    void SetUpdateStatus(std::string status) {
        std::lock_guard lock(mutex_);
        updateStatus_ = std::move(status);
    }

    CodecPackVariant CodecPack() const {
        std::lock_guard lock(mutex_);
        return codecPack_;
    }
    void SetCodecPack(CodecPackVariant variant) {
        std::lock_guard lock(mutex_);
        codecPack_ = variant;
    }
    // The pack's bytes, built on first use and kept until the simulator is
    // gone (a download may still be sending an older variant).
    std::shared_ptr<const std::string> CodecPackBytes(CodecPackVariant variant) const {
        std::lock_guard lock(mutex_);
        auto& bytes = codecPacks_[variant];
        if (!bytes) bytes = std::make_shared<const std::string>(BuildCodecPack(variant, catalogue_->seed()));
        return bytes;
    }

    // A page that replaces what the service would answer for `path` (the
    // path alone, or the path and query when the key holds a '?').
    void SetPage(Service service, std::string path, Reply reply) {
        std::lock_guard lock(mutex_);
        pages_[{service, std::move(path)}] = std::move(reply);
    }
    void ClearPages() {
        std::lock_guard lock(mutex_);
        pages_.clear();
    }
    std::optional<Reply> Page(Service service, const std::string& path, const std::string& target) const {
        std::lock_guard lock(mutex_);
        auto it = pages_.find({service, target});
        if (it == pages_.end()) it = pages_.find({service, path});
        if (it == pages_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::shared_ptr<const Catalogue> catalogue_;
    std::array<int, kServiceCount> ports_{};
    mutable std::mutex mutex_;
    std::string updateStatus_;
    CodecPackVariant codecPack_;
    mutable std::map<CodecPackVariant, std::shared_ptr<const std::string>> codecPacks_;
    std::map<std::pair<Service, std::string>, Reply> pages_;
};

}  // namespace lumo::sim
