#include "engine/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumo::engine {
namespace {

constexpr size_t kMaxHead = 16 * 1024;
constexpr int kHeadTimeoutMs = 10000;
constexpr size_t kMaxConnections = 32;

// Reads up to the end of the request head; false on timeout, error or a head
// that is too long.
bool ReadHead(int socket, std::string* head) {
    char buffer[2048];
    while (head->size() < kMaxHead) {
        pollfd p{socket, POLLIN, 0};
        int ready = ::poll(&p, 1, kHeadTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        head->append(buffer, static_cast<size_t>(n));
        if (head->find("\r\n\r\n") != std::string::npos || head->find("\n\n") != std::string::npos) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<LoopbackServer> LoopbackServer::Start(Handler handler, std::string* error) {
    std::unique_ptr<LoopbackServer> server(new LoopbackServer());
    server->handler_ = std::move(handler);
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error) *error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (error) *error = std::string("bind: ") + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    server->listener_ = fd;
    server->port_ = ntohs(address.sin_port);
    server->wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (server->wake_ < 0) {
        if (error) *error = std::string("eventfd: ") + std::strerror(errno);
        return nullptr;  // the destructor closes the listener
    }
    server->acceptThread_ = std::thread([s = server.get()] { s->AcceptLoop(); });
    return server;
}

LoopbackServer::~LoopbackServer() {
    Stop();
    if (listener_ >= 0) ::close(listener_);
    if (wake_ >= 0) ::close(wake_);
}

void LoopbackServer::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
        for (Connection& c : connections_)
            if (c.socket >= 0) ::shutdown(c.socket, SHUT_RDWR);
        handedOver_.notify_all();
    }
    if (wake_ >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
    }
    if (acceptThread_.joinable()) acceptThread_.join();
    // No new connection can appear now; wait for the ones still serving.
    for (Connection& c : connections_)
        if (c.thread.joinable()) c.thread.join();
    connections_.clear();
}

void LoopbackServer::AcceptLoop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) StartConnectionLocked();
    }
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
        int ready = ::poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
        }
        ReapFinished();
        if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;
        int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        int yes = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || (!spare_ && !StartConnectionLocked())) {
            ::close(client);
            continue;
        }
        spare_->socket = client;
        spare_ = nullptr;
        handedOver_.notify_all();
        // The next one starts while this one is served.
        StartConnectionLocked();
    }
}

bool LoopbackServer::StartConnectionLocked() {
    if (connections_.size() >= kMaxConnections) return false;
    Connection& c = connections_.emplace_back();
    c.thread = std::thread([this, &c] { ConnectionLoop(&c); });
    spare_ = &c;
    return true;
}

void LoopbackServer::ConnectionLoop(Connection* connection) {
    // Handlers may write with calls that take no MSG_NOSIGNAL (sendfile): a
    // player that hangs up must give them an error, not end the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        handedOver_.wait(lock, [&] { return connection->socket >= 0 || stopping_; });
        if (connection->socket < 0) {
            connection->finished.store(true);
            return;
        }
    }
    Serve(connection);
}

void LoopbackServer::ReapFinished() {
    std::list<Connection> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if (it->finished.load()) done.splice(done.end(), connections_, it);
            it = next;
        }
    }
    for (Connection& c : done)
        if (c.thread.joinable()) c.thread.join();
}

void LoopbackServer::Serve(Connection* connection) {
    int socket = connection->socket;
    std::string text;
    if (ReadHead(socket, &text)) {
        if (auto head = ParseRequestHead(text)) {
            handler_(socket, *head);
        } else {
            SendAll(socket, std::string("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        connection->socket = -1;
    }
    connection->finished.store(true);
}

bool LoopbackServer::SendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool LoopbackServer::PeerGone(int socket) {
    char byte;
    ssize_t n = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0) return true;
    if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    return false;
}

}  // namespace lumo::engine
