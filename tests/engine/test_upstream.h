#pragma once

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/test_support.h"

namespace lumo::engine::testing {

// The media's real address in tests: a cpp-httplib server on loopback that
// serves one body with byte ranges, refuses requests without the expected
// cookie, and can be made slow or faulty.
class TestUpstream {
public:
    explicit TestUpstream(std::string body, std::string requiredCookie = std::string())
        : body_(std::move(body)), requiredCookie_(std::move(requiredCookie)) {
        server_.Get("/media.mp4", [this](const httplib::Request& request, httplib::Response& response) {
            Handle(request, response);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        WaitUntil([this] { return server_.is_running(); }, std::chrono::seconds(10));
    }
    ~TestUpstream() {
        stopping_ = true;
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    TestUpstream(const TestUpstream&) = delete;
    TestUpstream& operator=(const TestUpstream&) = delete;

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/media.mp4"; }
    const std::string& body() const { return body_; }

    // Sleep this long after each piece of 16 KiB sent.
    void SetPieceDelay(std::chrono::milliseconds delay) { pieceDelayMs_ = static_cast<int>(delay.count()); }
    // Answer the next `count` requests with `status` and no body.
    void FailNext(int count, int status) {
        failNext_ = count;
        failStatus_ = status;
    }
    // Drop every connection after this many body bytes (0: never).
    void DropEachAfter(size_t bytes) { dropAfter_ = bytes; }

    uint64_t bytesSent() const { return bytesSent_.load(); }
    int requests() const { return requests_.load(); }
    int refused() const { return refused_.load(); }
    std::vector<std::string> cookies() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return cookies_;
    }

private:
    void Handle(const httplib::Request& request, httplib::Response& response) {
        ++requests_;
        std::string cookie = request.get_header_value("Cookie");
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cookies_.push_back(cookie);
        }
        if (!requiredCookie_.empty() && cookie.find(requiredCookie_) == std::string::npos) {
            ++refused_;
            response.status = 403;
            return;
        }
        if (failNext_ > 0) {
            --failNext_;
            response.status = failStatus_;
            return;
        }
        // cpp-httplib 0.11 answers a range that runs past the body with that
        // range as asked; a real server cuts it at the end of the body.
        for (auto& range : const_cast<httplib::Request&>(request).ranges)
            if (range.second >= static_cast<ssize_t>(body_.size())) range.second = static_cast<ssize_t>(body_.size()) - 1;
        auto sentHere = std::make_shared<size_t>(0);
        response.set_content_provider(
            body_.size(), "video/mp4",
            [this, sentHere](size_t offset, size_t length, httplib::DataSink& sink) {
                if (stopping_) return false;
                if (dropAfter_ > 0 && *sentHere >= dropAfter_) return false;
                size_t piece = std::min<size_t>(length, 16 * 1024);
                if (!sink.write(body_.data() + offset, piece)) return false;
                *sentHere += piece;
                bytesSent_ += piece;
                if (pieceDelayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pieceDelayMs_.load()));
                return true;
            });
    }

    std::string body_;
    std::string requiredCookie_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> pieceDelayMs_{0};
    std::atomic<int> failNext_{0};
    std::atomic<int> failStatus_{503};
    std::atomic<size_t> dropAfter_{0};
    std::atomic<uint64_t> bytesSent_{0};
    std::atomic<int> requests_{0};
    std::atomic<int> refused_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> cookies_;
};

}  // namespace lumo::engine::testing
