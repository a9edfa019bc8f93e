#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "sim/fault.h"
#include "sim/reply.h"
#include "sim/service.h"
#include "sim/service_stats.h"
#include "sim/site_request.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace lumo::sim {

class FaultBoard;
class StopSignal;
class SimServer;

// One service on one loopback port: an HTTP server on its own listening
// thread and a small pool of workers. Every request passes through the
// service's fault switch, is counted and recorded, and its reply is sent with
// ranges, throttling and the other faults applied here, so the page code of
// the services knows nothing about them.
class HttpHost {
public:
    using Handler = std::function<Reply(const SiteRequest&)>;
    using Logger = std::function<void(const RequestRecord&)>;

    struct Environment {
        FaultBoard* faults = nullptr;
        ServiceStats* stats = nullptr;
        StopSignal* stop = nullptr;
        Logger log;  // may be empty
        uint64_t seed = 1;
    };

    HttpHost(Service service, Handler handler, Environment environment, int threads);
    ~HttpHost();
    HttpHost(const HttpHost&) = delete;
    HttpHost& operator=(const HttpHost&) = delete;

    // Binds 127.0.0.1:port, or a free port when port is 0.
    bool Bind(int port, std::string* error);
    int Port() const { return port_; }
    Service service() const { return service_; }

    // Starts listening on the bound port; returns once the server accepts.
    bool Start(std::string* error);
    // Stops accepting and ends every open connection; Join() then waits for
    // the threads. Both are safe to call more than once.
    void BeginStop();
    void Join();

private:
    struct Sending;

    void Dispatch(const httplib::Request& request, httplib::Response& response);
    void Send(Reply reply, const std::string& rangeHeader, const std::optional<Fault>& fault,
              const std::shared_ptr<Sending>& sending, httplib::Response& response);
    void Publish(Sending& sending);
    void Finish(Sending& sending);

    Service service_;
    Handler handler_;
    Environment env_;
    std::unique_ptr<SimServer> server_;
    std::thread thread_;
    std::atomic<bool> listening_{false};
    std::atomic<bool> poolReady_{false};
    std::atomic<bool> listenEnded_{false};
    int port_ = 0;
};

}  // namespace lumo::sim
