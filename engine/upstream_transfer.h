#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/http_head.h"

namespace lumo::engine {

// One HTTP GET of a byte range from the media's real address, driven by
// libcurl. A transfer object is reused for the requests of one fetcher and
// can be cancelled from any thread at any moment.
class UpstreamTransfer {
public:
    struct Response {
        long status = 0;
        std::optional<ContentRange> contentRange;
        std::optional<uint64_t> contentLength;
        std::string contentType;
    };
    enum class Outcome {
        Finished,  // the server sent the whole body
        Failed,    // network or protocol error
        Stopped,   // a handler returned false, or Cancel() was called
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::string error;
    };
    // Called once with the final response head, before any data; false ends the transfer.
    using ResponseHandler = std::function<bool(const Response&)>;
    // Called with the body in arrival order; false ends the transfer.
    using DataHandler = std::function<bool(const char* data, size_t size)>;

    UpstreamTransfer();
    ~UpstreamTransfer();
    UpstreamTransfer(const UpstreamTransfer&) = delete;
    UpstreamTransfer& operator=(const UpstreamTransfer&) = delete;

    // GETs `url` from byte `from` to `to` (inclusive; open-ended without it).
    // With `from` 0 and no `to` the request carries "Range: bytes=0-" so the
    // reply tells the total length either way. `cookie` is sent as the Cookie
    // header when not empty.
    Result Run(const std::string& url, const std::string& cookie, uint64_t from, std::optional<uint64_t> to,
               const ResponseHandler& onResponse, const DataHandler& onData);

    // Ends the running transfer and every later one. Thread-safe.
    void Cancel();
    bool cancelled() const { return cancelled_.load(); }

    static void GlobalInit();

private:
    void* multi_ = nullptr;
    std::atomic<bool> cancelled_{false};
};

}  // namespace lumo::engine
