#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/http_head.h"

namespace lumo::engine {

// A small HTTP/1.1 server on 127.0.0.1 with a port the system picks. Each
// connection gets a thread that reads one request head and hands the socket
// to the handler, which writes the whole response; the connection is closed
// afterwards. One thread is always started ahead and waits for the next
// connection, so a player's request does not wait for a thread to start.
// Stop() closes every socket and joins every thread.
class LoopbackServer {
public:
    using Handler = std::function<void(int socket, const RequestHead& head)>;

    static std::unique_ptr<LoopbackServer> Start(Handler handler, std::string* error);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void Stop();
    uint16_t port() const { return port_; }

    // Helpers for handlers.
    static bool SendAll(int socket, const char* data, size_t size);
    static bool SendAll(int socket, const std::string& text) { return SendAll(socket, text.data(), text.size()); }
    // True when the client has closed its end (or the socket failed).
    static bool PeerGone(int socket);

private:
    struct Connection {
        int socket = -1;  // -1 while it waits to be handed one, and once closed
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    LoopbackServer() = default;
    void AcceptLoop();
    // Expects mutex_ held; false when the server is full.
    bool StartConnectionLocked();
    // Waits to be handed a socket, then serves it.
    void ConnectionLoop(Connection* connection);
    void Serve(Connection* connection);
    void ReapFinished();

    Handler handler_;
    int listener_ = -1;
    int wake_ = -1;  // eventfd that ends the accept loop
    uint16_t port_ = 0;
    std::thread acceptThread_;
    std::mutex mutex_;
    std::list<Connection> connections_;
    Connection* spare_ = nullptr;  // started, and waiting for a socket
    std::condition_variable handedOver_;
    bool stopping_ = false;
};

}  // namespace lumo::engine
