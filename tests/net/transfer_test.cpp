#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "jar_fixture.h"
#include "net/content_probe.h"
#include "net/cookie_store.h"
#include "net/download_job.h"
#include "net_test_util.h"
#include "test_servers.h"

namespace lumo::net {
namespace {

using testing::ElapsedMs;
using testing::HttpServer;
using testing::RawServer;

// --- Probing ------------------------------------------------------------

class ProbeTest : public testing::JarTest {};

TEST_F(ProbeTest, LengthOfAHugeBodyWithoutTransferringIt) {
    constexpr size_t kSize = 200u * 1024 * 1024;
    std::atomic<size_t> served{0};
    std::atomic<bool> sinkFailed{false};
    HttpServer server;
    server->Get("/big", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(kSize, "application/octet-stream",
                                 [&](size_t offset, size_t length, httplib::DataSink& sink) {
                                     static const std::string block(64 * 1024, 'b');
                                     const size_t n = std::min(length, block.size());
                                     if (!sink.write(block.data(), n)) {
                                         sinkFailed = true;
                                         return false;
                                     }
                                     served = offset + n;
                                     return true;
                                 });
    });
    int64_t length = 0;
    const int64_t ms = ElapsedMs([&] { length = ProbeContentLength(server.Url("/big")); });
    EXPECT_EQ(length, static_cast<int64_t>(kSize));
    EXPECT_LT(ms, 5000);
    // The server notices the closed connection long before the end; what it
    // managed to push is what the socket buffers took.
    for (int i = 0; i < 100 && !sinkFailed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(sinkFailed);
    EXPECT_LT(served.load(), 32u * 1024 * 1024);
}

TEST_F(ProbeTest, RawServerSeesTheConnectionClosedAfterTheHeaders) {
    std::atomic<bool> closedEarly{false};
    RawServer server([&](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 0300000000\r\n\r\n");
        const std::string chunk(16 * 1024, 'x');
        for (int i = 0; i < 19000; ++i)  // about 300 MB, far more than socket buffers hold
            if (!s.Send(fd, chunk)) {
                closedEarly = true;
                return;
            }
    });
    EXPECT_EQ(ProbeContentLength(server.Url("/f")), 300000000);
    for (int i = 0; i < 100 && !closedEarly; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(closedEarly);
    EXPECT_LT(server.BytesSent(), 32 * 1024 * 1024);
}

TEST_F(ProbeTest, CarriesTheJarsCookiesToSiblingHostsAndFollowsRedirects) {
    HttpServer server;
    server->Get("/ftn_handler/file", [](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Cookie") != "FTN5K=c00kie") {
            res.status = 403;
            res.set_content("no cookie", "text/plain");
            return;
        }
        res.set_content(std::string(4321, 'm'), "video/x-matroska");
    });
    server->Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/ftn_handler/file");
    });
    const std::string url = server.NamedUrl("dl3.lumo.localhost", "/ftn_handler/file");
    EXPECT_EQ(ProbeContentLength(url), -1);  // 403 page: not the file
    SetCookie("svc.lumo.localhost", "FTN5K", "c00kie");
    EXPECT_EQ(ProbeContentLength(url), 4321);
    EXPECT_EQ(ProbeContentLength(server.NamedUrl("dl3.lumo.localhost", "/moved")), 4321);
}

TEST_F(ProbeTest, FailuresNeverLookLikeASize) {
    HttpServer server;
    server->Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
            sink.write("abc", 3);
            sink.done();
            return true;
        });
    });
    server->Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
    EXPECT_EQ(ProbeContentLength(server.Url("/chunked")), -1);
    EXPECT_EQ(ProbeContentLength(server.Url("/nothing-here")), -1);
    EXPECT_EQ(ProbeContentLength(server.Url("/empty")), 0);
    EXPECT_EQ(ProbeContentLength("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/"), -1);
    EXPECT_EQ(ProbeContentLength("not an address"), -1);
    testing::Recorder junk("HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n");
    EXPECT_EQ(ProbeContentLength(junk.Url()), -1);
}

// --- Downloads ----------------------------------------------------------

struct EventLog {
    std::mutex mutex;
    std::vector<std::pair<DownloadEvent, int64_t>> events;
    int replaceAnswer = 1;

    DownloadHandler Handler() {
        return [this](DownloadEvent e, int64_t v) {
            std::lock_guard<std::mutex> lock(mutex);
            events.emplace_back(e, v);
            return e == DownloadEvent::ReplaceTarget ? replaceAnswer : 0;
        };
    }
    std::vector<std::pair<DownloadEvent, int64_t>> Get() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
};

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumo-net-dl-XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Files in the directory other than the given target.
    int Leftovers(const std::string& except = "") {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) n += e.path().string() != except;
        return n;
    }
    std::string dir_;
};

TEST_F(DownloadTest, ReportsSizeProgressAndFinishes) {
    // About 1.5 s of data in 30 pieces, so progress can be watched.
    const std::string piece(20000, 'p');
    HttpServer server;
    server->Get("/codecs.zip", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(piece.size() * 30, "application/zip",
                                 [&](size_t, size_t, httplib::DataSink& sink) {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                     return sink.write(piece.data(), piece.size());
                                 });
    });
    EventLog log;
    const std::string target = dir_ + "/lumoqk.zip";
    auto job = StartDownload(server.Url("/codecs.zip"), target, log.Handler());
    double bestSpeed = 0;
    int64_t midway = 0;
    while (!job->Done()) {
        bestSpeed = std::max(bestSpeed, job->CurrentSpeed());
        if (job->BytesReceived() > 0 && job->BytesReceived() < int64_t(piece.size() * 30)) midway = job->BytesReceived();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(job->Wait()) << job->FailureText();
    EXPECT_TRUE(job->Succeeded());
    EXPECT_GT(midway, 0);
    EXPECT_GT(bestSpeed, 50000.0);
    EXPECT_EQ(job->BytesReceived(), int64_t(piece.size() * 30));
    const auto events = log.Get();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(DownloadEvent::SizeKnown, int64_t(piece.size() * 30)));
    EXPECT_EQ(events[1], std::make_pair(DownloadEvent::Finished, int64_t(piece.size() * 30)));
    EXPECT_EQ(Read(target).size(), piece.size() * 30);
    EXPECT_EQ(Leftovers(target), 0);
}

TEST_F(DownloadTest, ErrorStatusFailsAndWritesNothing) {
    HttpServer server;
    EventLog log;
    const std::string target = dir_ + "/missing.zip";
    auto job = StartDownload(server.Url("/codecs.zip"), target, log.Handler());
    EXPECT_FALSE(job->Wait());
    const auto events = log.Get();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair(DownloadEvent::Failed, int64_t{404}));
    EXPECT_NE(job->FailureText().find("404"), std::string::npos);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(DownloadTest, ServerDyingMidTransferFails) {
    RawServer dying([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(30000, 'd'));
    });
    EventLog log;
    const std::string target = dir_ + "/cut.zip";
    auto job = StartDownload(dying.Url(), target, log.Handler());
    EXPECT_FALSE(job->Wait());
    const auto events = log.Get();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(DownloadEvent::SizeKnown, int64_t{100000}));
    EXPECT_EQ(events[1].first, DownloadEvent::Failed);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(DownloadTest, StalledServerFailsWithinTheTimeout) {
    RawServer staller([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc");
        s.HoldUntilClosed(fd);
    });
    EventLog log;
    std::shared_ptr<DownloadJob> job;
    bool ok = true;
    const int64_t ms = ElapsedMs([&] {
        job = StartDownload(staller.Url(), dir_ + "/stall.zip", log.Handler(), DownloadOptions{.timeoutSeconds = 1});
        ok = job->Wait();
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(log.Get().back().first, DownloadEvent::Failed);
    EXPECT_LT(ms, 1000 + 1500);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(DownloadTest, ExistingTargetIsReplacedOnlyWhenTheHandlerSaysSo) {
    HttpServer server;
    server->Get("/f", [](const httplib::Request&, httplib::Response& res) { res.set_content("fresh", "text/plain"); });
    const std::string target = dir_ + "/f.zip";
    std::ofstream(target) << "old";

    EventLog refuse;
    refuse.replaceAnswer = 0;
    EXPECT_FALSE(StartDownload(server.Url("/f"), target, refuse.Handler())->Wait());
    EXPECT_EQ(refuse.Get().front().first, DownloadEvent::ReplaceTarget);
    EXPECT_EQ(refuse.Get().back().first, DownloadEvent::Failed);
    EXPECT_EQ(Read(target), "old");

    EventLog accept;
    EXPECT_TRUE(StartDownload(server.Url("/f"), target, accept.Handler())->Wait());
    EXPECT_EQ(accept.Get().front().first, DownloadEvent::ReplaceTarget);
    EXPECT_EQ(accept.Get().back().first, DownloadEvent::Finished);
    EXPECT_EQ(Read(target), "fresh");
    EXPECT_EQ(Leftovers(target), 0);
}

TEST_F(DownloadTest, UnwritableTargetFails) {
    HttpServer server;
    server->Get("/f", [](const httplib::Request&, httplib::Response& res) { res.set_content("data", "text/plain"); });
    EventLog log;
    auto job = StartDownload(server.Url("/f"), dir_ + "/no/such/dir/f.zip", log.Handler());
    EXPECT_FALSE(job->Wait());
    ASSERT_EQ(log.Get().size(), 1u);
    EXPECT_EQ(log.Get()[0].first, DownloadEvent::Failed);
    EXPECT_FALSE(job->FailureText().empty());
}

TEST_F(DownloadTest, CancelEndsQuicklyAndSilently) {
    RawServer staller([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc");
        s.HoldUntilClosed(fd);
    });
    EventLog log;
    auto job = StartDownload(staller.Url(), dir_ + "/c.zip", log.Handler());
    while (job->BytesReceived() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bool ok = true;
    const int64_t ms = ElapsedMs([&] {
        job->Cancel();
        ok = job->Wait();
    });
    EXPECT_FALSE(ok);
    EXPECT_LT(ms, 500);
    for (const auto& e : log.Get()) EXPECT_EQ(e.first, DownloadEvent::SizeKnown);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(DownloadTest, DroppingTheJobFromItsOwnHandlerIsSafe) {
    HttpServer server;
    server->Get("/f", [](const httplib::Request&, httplib::Response& res) { res.set_content("data", "text/plain"); });
    std::shared_ptr<DownloadJob> job;
    std::mutex m;
    std::atomic<bool> finished{false};
    {
        std::lock_guard<std::mutex> lock(m);
        job = StartDownload(server.Url("/f"), dir_ + "/d.zip", [&](DownloadEvent e, int64_t) {
            if (e == DownloadEvent::Finished) {
                std::lock_guard<std::mutex> lock(m);
                job.reset();  // the last reference goes away on the worker thread
                finished = true;
            }
            return 0;
        });
    }
    for (int i = 0; i < 200 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(finished);
    std::lock_guard<std::mutex> lock(m);
    EXPECT_EQ(job, nullptr);
}

}  // namespace
}  // namespace lumo::net
