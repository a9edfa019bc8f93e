#pragma once

// Request capture and small helpers shared by the transport tests.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "test_servers.h"
#include "text/charset.h"

namespace lumo::net::testing {

inline std::string ToGbk(const std::string& utf8) { return lumo::text::Utf8ToGbk(utf8); }

// A port nothing listens on (bound, then released).
inline int UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

struct Request {
    std::string requestLine;
    std::vector<std::pair<std::string, std::string>> headers;  // in wire order
    std::string body;

    static bool SameName(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }
    std::vector<std::string> Values(const std::string& name) const {
        std::vector<std::string> out;
        for (const auto& [n, v] : headers)
            if (SameName(n, name)) out.push_back(v);
        return out;
    }
    int Count(const std::string& name) const { return static_cast<int>(Values(name).size()); }
    // "Name: value" lines other than Host, as sent.
    std::vector<std::string> WithoutHost() const {
        std::vector<std::string> out;
        for (const auto& [n, v] : headers)
            if (!SameName(n, "Host")) out.push_back(n + ": " + v);
        return out;
    }
};

inline Request ParsedRequest(const std::string& raw) {
    Request r;
    const size_t headEnd = raw.find("\r\n\r\n");
    const std::string head = raw.substr(0, headEnd);
    if (headEnd != std::string::npos) r.body = raw.substr(headEnd + 4);
    size_t pos = 0;
    bool first = true;
    while (pos <= head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos) end = head.size();
        const std::string line = head.substr(pos, end - pos);
        pos = end + 2;
        if (first) {
            r.requestLine = line;
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        r.headers.emplace_back(line.substr(0, colon), value);
    }
    return r;
}

// Answers every request with one fixed response and keeps what it received.
class Recorder {
public:
    explicit Recorder(std::string response, bool holdOpen = false)
        : response_(std::move(response)),
          server_([this, holdOpen](int fd, RawServer& s) {
              std::string req = RawServer::ReadRequest(fd);
              {
                  std::lock_guard<std::mutex> lock(mutex_);
                  requests_.push_back(std::move(req));
              }
              s.Send(fd, response_);
              if (holdOpen) s.HoldUntilClosed(fd);
          }) {}

    std::string Url(const std::string& path = "/") const { return server_.Url(path); }
    int Port() const { return server_.Port(); }
    std::string Last() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_.empty() ? std::string() : requests_.back();
    }
    int Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(requests_.size());
    }

private:
    std::string response_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    RawServer server_;
};

}  // namespace lumo::net::testing
