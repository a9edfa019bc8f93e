#include "engine/loopback_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/block_store.h"
#include "engine/test_support.h"

namespace lumo::engine {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::WaitUntil;

// Connects to the server and sends one request head; -1 on failure.
int Request(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const std::string head = "GET /film HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    LoopbackServer::SendAll(fd, head);
    return fd;
}

// Reads until the server closes; the bytes read.
std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
}

// Thirty-two players are served at once; the next is closed unanswered, and
// once the others are done a new one is served again. Stop() ends a server
// whose thread for the next connection is still waiting.
TEST(LoopbackServerTest, ConnectionsUpToTheLimitAreServedAtOnceAndTheServerRecovers) {
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
    std::atomic<int> serving{0};
    std::string error;
    auto server = LoopbackServer::Start(
        [&](int socket, const RequestHead&) {
            ++serving;
            std::unique_lock<std::mutex> lock(mutex);
            released.wait(lock, [&] { return open; });
            LoopbackServer::SendAll(socket, std::string("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n"));
        },
        &error);
    ASSERT_TRUE(server) << error;

    std::vector<int> players;
    for (int i = 0; i < 32; ++i) players.push_back(Request(server->port()));
    ASSERT_TRUE(WaitUntil([&] { return serving == 32; }, 10s)) << serving;
    int refused = Request(server->port());
    ASSERT_GE(refused, 0);
    EXPECT_EQ(ReadAll(refused), "");
    ::close(refused);
    EXPECT_EQ(serving, 32);
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
    }
    released.notify_all();
    for (int fd : players) {
        EXPECT_EQ(ReadAll(fd).compare(0, 12, "HTTP/1.1 204"), 0);
        ::close(fd);
    }
    // The finished ones are reaped on the server's next turn.
    EXPECT_TRUE(WaitUntil(
        [&] {
            int fd = Request(server->port());
            bool answered = ReadAll(fd).compare(0, 12, "HTTP/1.1 204") == 0;
            ::close(fd);
            return answered;
        },
        10s));
    server->Stop();
}

// A player that hangs up while a copy is sent to it ends that answer with an
// error; the program goes on.
TEST(LoopbackServerTest, APlayerThatHangsUpMidAnswerEndsOnlyTheAnswer) {
    TempDir dir;
    std::string error;
    auto store = BlockStore::Create((dir / "copy").string(), &error);
    ASSERT_TRUE(store) << error;
    const uint64_t size = 16u << 20;
    ASSERT_TRUE(store->SetLayout(size, 1u << 20, &error)) << error;
    std::atomic<int> failed{0};
    auto server = LoopbackServer::Start(
        [&](int socket, const RequestHead&) {
            if (!store->SendTo(socket, 0, size)) ++failed;
        },
        &error);
    ASSERT_TRUE(server) << error;
    int fd = Request(server->port());
    char buffer[1024];
    ASSERT_GT(::recv(fd, buffer, sizeof buffer, 0), 0);
    ::close(fd);
    EXPECT_TRUE(WaitUntil([&] { return failed == 1; }, 10s));
    server->Stop();
}

}  // namespace
}  // namespace lumo::engine
