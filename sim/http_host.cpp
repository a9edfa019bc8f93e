#include "sim/http_host.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "sim/byte_range.h"
#include "sim/fault_board.h"
#include "sim/random.h"
#include "sim/socket_scan.h"
#include "sim/stop_signal.h"

namespace lumo::sim {

// The library's server with access to its listening socket, so that a
// socket that was bound but never listened on can still be closed.
class SimServer : public httplib::Server {
public:
    void CloseIdleSocket() {
        if (is_running()) return;
        const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
        if (sock != INVALID_SOCKET) {
            ::shutdown(sock, SHUT_RDWR);
            ::close(sock);
        }
    }
};

namespace {

using Clock = std::chrono::steady_clock;

// What the content provider hands the socket per call: each call costs the
// library a poll and a send, so small pieces cap a loopback download well
// below what the kernel moves. Throttled replies still send smaller ones.
constexpr size_t kChunk = 512 * 1024;
constexpr int kWorkerThreadsMin = 2;

// Set while a worker serves a request that went through Dispatch, so the
// library's logger can tell the requests it refused by itself (a malformed
// request line, say) and record those.
thread_local bool tDispatched = false;

// Random but repeatable bytes that depend only on their position in the body.
void FillGarbage(uint64_t seed, uint64_t position, char* out, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const uint64_t at = position + i;
        const uint64_t word = SplitMix64(seed ^ (at / 8) * 0x9E3779B97F4A7C15ull).Next();
        out[i] = static_cast<char>(word >> ((at % 8) * 8));
    }
}

}  // namespace

// One request on its way out: its record, and what the content provider has
// sent, shared with the release hook that completes the record once the
// last byte has gone (or the peer has).
struct HttpHost::Sending {
    RequestRecord record;
    Clock::time_point start;
    std::atomic<uint64_t> sent{0};
    uint64_t sequence = 0;
    std::once_flag finished;
};

HttpHost::HttpHost(Service service, Handler handler, Environment environment, int threads)
    : service_(service), handler_(std::move(handler)), env_(std::move(environment)),
      server_(std::make_unique<SimServer>()) {
    const size_t workers = static_cast<size_t>(std::max(threads, kWorkerThreadsMin));
    server_->new_task_queue = [this, workers] {
        auto* pool = new httplib::ThreadPool(workers);
        poolReady_ = true;
        return pool;
    };
    // Idle keep-alive connections hold a worker, so let them go soon; a slow
    // reader (a paused player) may keep a download open for a long while.
    server_->set_keep_alive_timeout(2);
    server_->set_keep_alive_max_count(1000);
    server_->set_read_timeout(30);
    server_->set_write_timeout(300);
    server_->set_payload_max_length(1 << 20);
    // The library also sets SO_REUSEPORT, which would let a second simulator
    // bind the same ports and quietly share the connections.
    server_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    auto dispatch = [this](const httplib::Request& request, httplib::Response& response) {
        Dispatch(request, response);
    };
    server_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        if (tDispatched) {
            tDispatched = false;
            return;
        }
        env_.stats->CountRequest(service_);
        Sending refused;
        refused.start = Clock::now();
        refused.record.service = service_;
        refused.record.method = request.method;
        refused.record.target = request.target;
        refused.record.status = response.status;
        Publish(refused);
        Finish(refused);
    });
    // A request with neither Content-Length nor Transfer-Encoding has no
    // body, but the library waits for the peer to close and then answers 400:
    // `curl -X POST '.../fault?...'` would hang for the read timeout. Such
    // requests are answered here, before the library reads anything.
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        const bool routed = request.method == "POST" || request.method == "PUT" || request.method == "DELETE";
        if (!routed || request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        Dispatch(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    server_->Get(".*", dispatch);
    server_->Post(".*", dispatch);
    server_->Put(".*", dispatch);
    server_->Delete(".*", dispatch);
}

HttpHost::~HttpHost() {
    BeginStop();
    Join();
}

bool HttpHost::Bind(int port, std::string* error) {
    if (port == 0) {
        const int bound = server_->bind_to_any_port("127.0.0.1");
        if (bound > 0) {
            port_ = bound;
            return true;
        }
    } else if (server_->bind_to_port("127.0.0.1", port)) {
        port_ = port;
        return true;
    }
    if (error) {
        *error = "cannot listen for " + ServiceName(service_) + " on 127.0.0.1:" +
                 (port == 0 ? std::string("(any port)") : std::to_string(port));
    }
    return false;
}

bool HttpHost::Start(std::string* error) {
    if (port_ == 0 || thread_.joinable()) {
        if (error) *error = ServiceName(service_) + " is not bound or already started";
        return false;
    }
    thread_ = std::thread([this] {
        listening_ = true;
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    // The library says it runs a moment before its workers exist; wait for both.
    while (!(server_->is_running() && poolReady_) && !listenEnded_) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (server_->is_running()) return true;
    if (error) *error = ServiceName(service_) + " stopped listening at once";
    return false;
}

void HttpHost::BeginStop() {
    if (server_->is_running()) {
        server_->stop();
    } else if (!listening_) {
        server_->CloseIdleSocket();
    }
    if (port_ != 0) ShutdownConnections(port_);
}

void HttpHost::Join() {
    if (thread_.joinable()) {
        // A worker may still be handing out a request that came in while the
        // server stopped; its connection ends with the listening thread.
        while (!listenEnded_) {
            server_->stop();
            ShutdownConnections(port_);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        thread_.join();
    }
}

void HttpHost::Dispatch(const httplib::Request& request, httplib::Response& response) {
    tDispatched = true;
    auto sending = std::make_shared<Sending>();
    sending->start = Clock::now();
    env_.stats->CountRequest(service_);

    RequestRecord& record = sending->record;
    record.service = service_;
    record.method = request.method;
    record.target = request.target;
    for (const auto& [name, value] : request.headers) {
        if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT") {
            record.headers.emplace_back(name, value);
        }
    }
    record.body = request.body.substr(0, ServiceStats::kMaxRecordedBody);

    // Ranges are served here, not by the library, which neither refuses an
    // unsatisfiable range nor knows which replies may be cut.
    const std::string rangeHeader = request.get_header_value("Range");
    const_cast<httplib::Request&>(request).ranges.clear();

    // The control endpoint takes no faults: it is how they are cleared.
    const std::optional<Fault> fault =
        service_ == Service::Control ? std::nullopt : env_.faults->Take(service_, request.path);
    if (fault) record.fault = DescribeFault(*fault);
    const std::chrono::milliseconds latency =
        service_ == Service::Control ? std::chrono::milliseconds(0) : env_.faults->Latency(service_);
    if (latency.count() > 0) {
        record.fault = "latency ms=" + std::to_string(latency.count()) + (fault ? ", " + record.fault : "");
    }

    const auto wait = latency + std::chrono::milliseconds(fault && fault->kind == FaultKind::Delay ? fault->ms : 0);
    if (wait.count() > 0) {
        if (!env_.stop->SleepFor(wait)) {
            Publish(*sending);
            ShutdownConnection(port_, request.remote_port);
            response.status = 503;
            Finish(*sending);
            return;
        }
    }
    if (fault && fault->kind == FaultKind::Drop) {
        Publish(*sending);
        ShutdownConnection(port_, request.remote_port);
        response.status = 500;  // never reaches the peer
        Finish(*sending);
        return;
    }

    Reply reply;
    if (fault && fault->kind == FaultKind::Status) {
        reply = Reply::Error(fault->status);
    } else {
        SiteRequest site;
        site.method = request.method;
        site.path = request.path;
        site.target = request.target;
        const size_t question = request.target.find('?');
        if (question != std::string::npos) site.query = request.target.substr(question + 1);
        site.params.insert(request.params.begin(), request.params.end());
        site.headers = record.headers;
        site.body = request.body;
        try {
            reply = handler_(site);
        } catch (const std::exception& e) {
            reply = Reply::Error(500);
        }
    }
    Send(std::move(reply), rangeHeader, fault, sending, response);
}

void HttpHost::Send(Reply reply, const std::string& rangeHeader, const std::optional<Fault>& fault,
                    const std::shared_ptr<Sending>& sending, httplib::Response& response) {
    const FaultKind kind = fault ? fault->kind : FaultKind::None;
    if (kind == FaultKind::Empty) {
        reply.status = 200;
        reply.shared = {};
        reply.body.clear();
        reply.ranges = false;
    }

    std::string_view bytes = reply.Bytes();
    int status = reply.status;
    if (reply.ranges && status == 200) {
        const ByteRange range = ParseByteRange(rangeHeader, bytes.size());
        const std::string total = std::to_string(bytes.size());
        if (range.kind == ByteRange::Kind::Part) {
            status = 206;
            reply.With("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                            "/" + total);
            bytes = bytes.substr(range.first, range.Length());
        } else if (range.kind == ByteRange::Kind::Unsatisfiable) {
            status = 416;
            reply.With("Content-Range", "bytes */" + total);
            bytes = {};
        }
        reply.With("Accept-Ranges", "bytes");
    }

    // The body the provider sends: shared bytes stay where the catalogue keeps
    // them, a page's own body moves into a holder that the provider shares.
    std::shared_ptr<const std::string> holder;
    size_t first = 0;
    if (reply.shared.data() == nullptr) {
        first = bytes.empty() ? 0 : static_cast<size_t>(bytes.data() - reply.body.data());
        holder = std::make_shared<const std::string>(std::move(reply.body));
    }
    // A garbage body keeps the true length; an empty one gets some garbage.
    if (kind == FaultKind::Garbage && bytes.empty()) {
        holder = std::make_shared<const std::string>(256, '\0');
        first = 0;
        bytes = *holder;
    }

    response.status = status;
    sending->record.status = status;
    for (const auto& [name, value] : reply.headers) response.set_header(name, value);
    Publish(*sending);

    if (bytes.empty()) {
        response.set_content("", reply.contentType);
        Finish(*sending);
        return;
    }

    uint64_t declared = bytes.size();
    if (kind == FaultKind::WrongLength) {
        const int64_t wrong = static_cast<int64_t>(bytes.size()) + fault->bytes;
        declared = static_cast<uint64_t>(std::max<int64_t>(wrong, 1));
    }
    const bool garbage = kind == FaultKind::Garbage;
    const bool wrongLength = kind == FaultKind::WrongLength;
    const int64_t rate = kind == FaultKind::Throttle ? fault->rate : 0;
    const uint64_t seed = env_.seed ^ static_cast<uint64_t>(ServiceIndex(service_));
    StopSignal* stop = env_.stop;

    const std::string_view shared = holder ? std::string_view() : bytes;
    const size_t size = bytes.size();
    auto provider = [sending, holder, shared, first, size, garbage, wrongLength, rate, seed, stop](
                        size_t offset, size_t length, httplib::DataSink& sink) {
        const std::string_view bytes = holder ? std::string_view(*holder).substr(first, size) : shared;
        if (offset >= bytes.size()) return false;  // the declared length overstates the body
        std::string scratch;
        auto write = [&](size_t at, size_t n) {
            const char* data = bytes.data() + at;
            if (garbage) {
                scratch.resize(n);
                FillGarbage(seed, at, scratch.data(), n);
                data = scratch.data();
            }
            if (!sink.write(data, n)) return false;
            sending->sent += n;
            return true;
        };
        if (wrongLength) {
            // Send the true body whatever was declared, then close.
            for (size_t at = offset; at < bytes.size(); at += kChunk) {
                if (!write(at, std::min(kChunk, bytes.size() - at))) return false;
            }
            return false;
        }
        size_t n = std::min({length, bytes.size() - offset, kChunk});
        if (rate > 0) n = std::min<size_t>(n, static_cast<size_t>(std::max<int64_t>(rate / 20, 1)));
        if (!write(offset, n)) return false;
        if (rate > 0 && !stop->SleepFor(std::chrono::microseconds(static_cast<int64_t>(n) * 1000000 / rate))) {
            return false;
        }
        return true;
    };
    // The library releases the provider when the response is done with, also
    // when the peer went away early (a length probe) or for a HEAD request.
    auto release = [this, sending](bool) { Finish(*sending); };
    response.set_content_provider(declared, reply.contentType, std::move(provider), std::move(release));
}

void HttpHost::Publish(Sending& sending) { sending.sequence = env_.stats->File(sending.record); }

void HttpHost::Finish(Sending& sending) {
    std::call_once(sending.finished, [&] {
        sending.record.bytes = sending.sent;
        sending.record.ms = std::chrono::duration<double, std::milli>(Clock::now() - sending.start).count();
        sending.record.complete = true;
        env_.stats->Complete(service_, sending.sequence, sending.record.bytes, sending.record.ms);
        if (env_.log) env_.log(sending.record);
    });
}

}  // namespace lumo::sim
