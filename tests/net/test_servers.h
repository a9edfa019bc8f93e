#pragma once

// Real servers on loopback for the transport tests: cpp-httplib for ordinary
// exchanges, and a raw TCP server for what a well-behaved server library
// will not do (stall, send odd header spellings, die mid-body).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumo::net::testing {

class HttpServer {
public:
    HttpServer() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] {
            server_.listen_after_bind();
            ended_ = true;
        });
        // stop() does nothing to a server that is not running yet, which
        // would leave a quick test's destructor joining a thread in accept().
        while (!server_.is_running() && !ended_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HttpServer() {
        server_.stop();
        thread_.join();
    }
    httplib::Server& operator*() { return server_; }
    httplib::Server* operator->() { return &server_; }
    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // The same server under a name below "localhost" (libcurl resolves
    // every *.localhost name to loopback), for domain-cookie cases.
    std::string NamedUrl(const std::string& host, const std::string& path = "/") const {
        return "http://" + host + ":" + std::to_string(port_) + path;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// Accepts connections one after another and hands each to `session`, which
// owns the socket until it returns. Counts what sessions send through Send.
class RawServer {
public:
    using Session = std::function<void(int fd, RawServer& server)>;

    explicit RawServer(Session session) : session_(std::move(session)) {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(listen_, 16);
        thread_ = std::thread([this] { Loop(); });
    }
    ~RawServer() {
        stop_ = true;
        thread_.join();
        for (auto& t : sessions_) t.join();
        close(listen_);
    }

    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    bool Stopping() const { return stop_; }
    int64_t BytesSent() const { return sent_; }
    int Connections() const { return connections_; }

    // Reads one request head (and a body of Content-Length bytes).
    static std::string ReadRequest(int fd, int waitMs = 5000) {
        std::string data;
        char buf[4096];
        size_t bodyNeeded = std::string::npos;
        size_t headEnd = std::string::npos;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (headEnd != std::string::npos && data.size() >= headEnd + 4 + bodyNeeded) break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            data.append(buf, static_cast<size_t>(n));
            if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
                bodyNeeded = 0;
                const std::string head = data.substr(0, headEnd);
                std::string lower = head;
                for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                const size_t cl = lower.find("\r\ncontent-length:");
                if (cl != std::string::npos) bodyNeeded = std::stoul(head.substr(cl + 17));
            }
        }
        return data;
    }

    // Sends everything; false once the peer is gone.
    bool Send(int fd, const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
            sent_ += n;
        }
        return true;
    }

    // Waits (without busy spinning) until the peer closes or the server stops.
    void HoldUntilClosed(int fd, int maxMs = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        char buf[256];
        while (!stop_ && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) > 0 && recv(fd, buf, sizeof buf, 0) <= 0) return;
        }
    }

private:
    void Loop() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            ++connections_;
            sessions_.emplace_back([this, fd] {
                session_(fd, *this);
                close(fd);
            });
        }
    }

    Session session_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> sent_{0};
    std::atomic<int> connections_{0};
    std::vector<std::thread> sessions_;
    std::thread thread_;
};

// Milliseconds taken by f().
template <typename F>
int64_t ElapsedMs(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace lumo::net::testing
