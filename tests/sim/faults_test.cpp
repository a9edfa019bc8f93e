// Each fault switch has the effect it names, on the services Lumo's failure
// paths meet, through the library and through the control endpoint.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>

#include "sim_test_support.h"
#include "text/text_between.h"

namespace lumo::sim {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Get;
using testing::Post;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One request written as is on a fresh connection, which stays open for
// writing (as curl's does); the answer's status line, or "" after 5 s.
std::string RawStatusLine(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval wait{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buf[512];
        ssize_t n = 0;
        while (answer.find("\r\n") == std::string::npos && (n = recv(fd, buf, sizeof buf, 0)) > 0)
            answer.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return answer.substr(0, answer.find("\r\n"));
}

Fault Make(FaultKind kind) {
    Fault fault;
    fault.kind = kind;
    return fault;
}

class SimFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = new Simulator(testing::TestOptions());
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        sim_->ClearFaults();
        sim_->SetLatencyAll(std::chrono::milliseconds(0));
        sim_->ResetCounters();
        sim_->SetUpdateStatus("0");
        sim_->ClearPages();
    }

    static std::string FileListTarget() {
        return "/filelist.php?hash=" + sim_->catalogue().entries().front().infoHash;
    }
    static std::string DownloadTarget(const MediaFile& media) {
        return "/ftn_handler/" + media.token + "?compressed=0&dtype=1&fname=m.mkv";
    }

    static Simulator* sim_;
};

Simulator* SimFaults::sim_ = nullptr;

TEST_F(SimFaults, DelayHoldsTheAnswerBack) {
    const auto plain = Get(*sim_, Service::FileList, FileListTarget());
    Fault fault = Make(FaultKind::Delay);
    fault.ms = 400;
    sim_->SetFault(Service::FileList, fault);
    const auto start = Clock::now();
    const auto slow = Get(*sim_, Service::FileList, FileListTarget());
    EXPECT_GE(SecondsSince(start), 0.4);
    EXPECT_EQ(slow.status, 200);
    EXPECT_EQ(slow.body, plain.body);
}

// The latency stays on every answer, adds to a delay fault and outlives it,
// and never slows the control endpoint that switches it off.
TEST_F(SimFaults, LatencyWaitsBeforeEveryAnswerOnTopOfAFault) {
    const auto plain = Get(*sim_, Service::FileList, FileListTarget());
    auto control = [](const std::string& method, const std::string& target) {
        auto client = testing::ClientFor(*sim_, Service::Control);
        return testing::FromResult(method == "POST" ? client.Post(target, "", "text/plain") : method == "DELETE"
                                                                                             ? client.Delete(target)
                                                                                             : client.Get(target));
    };
    EXPECT_EQ(control("POST", "/latency?service=filelist&ms=soon").status, 400);
    EXPECT_EQ(control("POST", "/latency?service=control&ms=50").status, 400);
    ASSERT_EQ(control("POST", "/latency?service=all&ms=300").status, 200);
    EXPECT_EQ(sim_->Latency(DownloadHost(22)).count(), 300);
    EXPECT_EQ(sim_->Latency(Service::Control).count(), 0);
    Fault fault = Make(FaultKind::Delay);
    fault.ms = 200;
    fault.count = 1;
    sim_->SetFault(Service::FileList, fault);

    auto start = Clock::now();
    const auto both = Get(*sim_, Service::FileList, FileListTarget());
    EXPECT_GE(SecondsSince(start), 0.5);
    EXPECT_EQ(both.body, plain.body);
    start = Clock::now();
    const auto slow = Get(*sim_, Service::FileList, FileListTarget());
    EXPECT_GE(SecondsSince(start), 0.3) << "the latency outlives the fault it came with";
    EXPECT_EQ(slow.body, plain.body);
    EXPECT_NE(control("GET", "/latency").body.find("filelist 300\n"), std::string::npos);
    ASSERT_TRUE(sim_->WaitIdle());
    const auto records = sim_->Requests(Service::FileList);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[records.size() - 2].fault, "latency ms=300, " + DescribeFault(fault));

    EXPECT_EQ(control("DELETE", "/latency?service=all").status, 200);
    EXPECT_EQ(control("GET", "/latency").body, "");
    EXPECT_EQ(sim_->Latency(Service::FileList).count(), 0);
}

TEST_F(SimFaults, DropClosesWithoutAnyAnswer) {
    sim_->SetFault(Service::Offline, Make(FaultKind::Drop));
    const auto dropped = Post(*sim_, Service::Offline, "/handler/lixian/get_http_url.php", "hash=A&filename=System");
    EXPECT_FALSE(dropped.ok);
    EXPECT_EQ(sim_->Requests(Service::Offline).back().status, 0);
    sim_->ClearFault(Service::Offline);
    EXPECT_TRUE(Post(*sim_, Service::Offline, "/handler/lixian/get_http_url.php", "hash=A&filename=System").ok);
}

TEST_F(SimFaults, EmptyAnswersStatus200WithNothing) {
    sim_->SetFault(Service::Website, Make(FaultKind::Empty));
    const auto empty = Get(*sim_, Service::Website, "/dizihuoqu.htm");
    EXPECT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body, "");
    EXPECT_EQ(empty.Header("Content-Length"), "0");
}

TEST_F(SimFaults, StatusAnswersTheErrorItNames) {
    Fault fault = Make(FaultKind::Status);
    fault.status = 503;
    sim_->SetFault(Service::Search, fault);
    const auto failed = Get(*sim_, Service::Search, "/q/Chase_rel_1.html");
    EXPECT_EQ(failed.status, 503);
    EXPECT_EQ(failed.body.find("/torrent/"), std::string::npos);
}

TEST_F(SimFaults, GarbageKeepsTheLengthButNotTheBytes) {
    const MediaFile& media = *sim_->catalogue().MediaByRole("feature");
    const httplib::Headers cookie = {{"Cookie", "FTN5K=" + media.cookie}};
    sim_->SetFault(DownloadHost(1), Make(FaultKind::Garbage));
    const auto garbage = Get(*sim_, DownloadHost(1), DownloadTarget(media), cookie);
    EXPECT_EQ(garbage.status, 200);
    ASSERT_EQ(garbage.body.size(), media.bytes.size());
    EXPECT_NE(garbage.body, media.bytes);
    EXPECT_NE(garbage.body.substr(0, 8), media.bytes.substr(0, 8));
    // The same request gets the same garbage.
    EXPECT_EQ(Get(*sim_, DownloadHost(1), DownloadTarget(media), cookie).body, garbage.body);
}

TEST_F(SimFaults, WrongLengthMisstatesContentLengthAndEndsTheConnection) {
    const MediaFile& media = *sim_->catalogue().MediaByRole("feature");
    const std::string cookie = "FTN5K=" + media.cookie;
    Fault fault = Make(FaultKind::WrongLength);
    fault.bytes = 1000;
    sim_->SetFault(DownloadHost(1), fault);
    EXPECT_EQ(testing::ProbeLength(*sim_, 1, DownloadTarget(media), cookie),
              static_cast<long long>(media.bytes.size()) + 1000);
    // A reader that trusts the length runs into the closed connection.
    EXPECT_FALSE(Get(*sim_, DownloadHost(1), DownloadTarget(media), {{"Cookie", cookie}}).ok);
    fault.bytes = -100;
    sim_->SetFault(DownloadHost(1), fault);
    EXPECT_EQ(testing::ProbeLength(*sim_, 1, DownloadTarget(media), cookie),
              static_cast<long long>(media.bytes.size()) - 100);
}

TEST_F(SimFaults, ThrottleSlowsTheBodyToTheRate) {
    const MediaFile& media = *sim_->catalogue().MediaByRole("short");
    Fault fault = Make(FaultKind::Throttle);
    fault.rate = 200 * 1024;
    sim_->SetFault(DownloadHost(9), fault);
    const auto start = Clock::now();
    const auto slow = Get(*sim_, DownloadHost(9), DownloadTarget(media), {{"Cookie", "FTN5K=" + media.cookie}}, 20);
    const double expected = static_cast<double>(media.bytes.size()) / fault.rate;
    EXPECT_GE(SecondsSince(start), expected * 0.9);
    EXPECT_EQ(slow.body, media.bytes);
}

TEST_F(SimFaults, CountLimitsTheSwitchAndThePathNarrowsIt) {
    Fault fault = Make(FaultKind::Status);
    fault.count = 2;
    fault.pathPrefix = "/archiver/gx.htm";
    sim_->SetFault(Service::Forum, fault);
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/i/fg/hy/1.htm").status, 200);  // another path: untouched
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/gx.htm").status, 500);
    ASSERT_TRUE(sim_->CurrentFault(Service::Forum));
    EXPECT_EQ(sim_->CurrentFault(Service::Forum)->count, 1);
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/gx.htm").status, 500);
    EXPECT_FALSE(sim_->CurrentFault(Service::Forum));
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/gx.htm").status, 200);
}

TEST_F(SimFaults, CountersAndRecordsFollowEveryRequest) {
    const std::string body = "hash=" + sim_->catalogue().MediaByRole("feature")->sha1 + "&filename=System";
    const auto answer = Post(*sim_, Service::Offline, "/handler/lixian/get_http_url.php", body);
    Get(*sim_, Service::Offline, "/nothing");
    ASSERT_TRUE(sim_->WaitIdle());
    const ServiceCounters counters = sim_->Counters(Service::Offline);
    EXPECT_EQ(counters.requests, 2u);
    EXPECT_GT(counters.bytes, answer.body.size());
    const auto records = sim_->Requests(Service::Offline);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].method, "POST");
    EXPECT_EQ(records[0].body, body);
    EXPECT_EQ(records[0].Header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(records[0].bytes, answer.body.size());
    EXPECT_EQ(records[1].status, 404);
    EXPECT_EQ(sim_->Counters(Service::FileList).requests, 0u);
}

// `curl -X POST URL` sends neither a body nor a Content-Length.
TEST_F(SimFaults, ControlTakesAPostWithoutABody) {
    const int port = sim_->Port(Service::Control);
    EXPECT_EQ(RawStatusLine(port, "POST /fault?service=offline&kind=drop&count=1 HTTP/1.1\r\n"
                                  "Host: 127.0.0.1\r\nAccept: */*\r\n\r\n"),
              "HTTP/1.1 200 OK");
    ASSERT_TRUE(sim_->CurrentFault(Service::Offline));
    EXPECT_EQ(sim_->CurrentFault(Service::Offline)->kind, FaultKind::Drop);
    EXPECT_EQ(RawStatusLine(port, "POST /fault?service=offline&kind=sideways HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
              "HTTP/1.1 400 Bad Request");
}

TEST_F(SimFaults, ControlEndpointDrivesSwitchesCountersAndPages) {
    auto control = [](const std::string& method, const std::string& target, const std::string& body = {}) {
        auto client = testing::ClientFor(*sim_, Service::Control);
        httplib::Result result = method == "POST"     ? client.Post(target, body, "text/plain")
                                 : method == "DELETE" ? client.Delete(target)
                                                      : client.Get(target);
        return testing::FromResult(result);
    };
    EXPECT_EQ(control("POST", "/fault?service=filelist&kind=status&status=502").status, 200);
    EXPECT_EQ(Get(*sim_, Service::FileList, FileListTarget()).status, 502);
    EXPECT_NE(control("GET", "/faults").body.find("filelist status status=502"), std::string::npos);
    EXPECT_EQ(control("DELETE", "/fault?service=filelist").status, 200);
    EXPECT_EQ(Get(*sim_, Service::FileList, FileListTarget()).status, 200);

    EXPECT_EQ(control("POST", "/fault?service=dl9&kind=delay&ms=abc").status, 400);
    EXPECT_EQ(control("POST", "/fault?service=nowhere&kind=drop").status, 400);
    EXPECT_EQ(control("POST", "/fault?service=control&kind=drop").status, 400);
    sim_->SetFault(Service::Control, Make(FaultKind::Drop));  // the library may; the endpoint ignores it
    EXPECT_EQ(control("GET", "/faults").status, 200);
    sim_->ClearFault(Service::Control);
    EXPECT_EQ(control("POST", "/fault?service=download9&kind=sideways").status, 400);
    EXPECT_EQ(control("POST", "/fault?service=download9&kind=drop").status, 200);
    EXPECT_EQ(sim_->CurrentFault(DownloadHost(9))->kind, FaultKind::Drop);
    EXPECT_EQ(control("POST", "/fault?service=all&kind=none").status, 200);
    EXPECT_FALSE(sim_->CurrentFault(DownloadHost(9)));

    EXPECT_NE(control("GET", "/counters?service=filelist").body.find("filelist 2 "), std::string::npos);
    control("POST", "/counters/reset");
    EXPECT_EQ(sim_->Counters(Service::FileList).requests, 0u);

    control("POST", "/update?status=2");
    EXPECT_EQ(text::TextBetween(Get(*sim_, Service::Forum, "/archiver/gx.htm").body, "(lumo1.6gx)", "(lumo1.6gx)"), "2");

    // A page of a test's own, here an address list without jkdz2's value.
    control("POST", "/page?service=website&path=/dizihuoqu.htm&type=text/html", "]~jkdz2jkdz2~[");
    EXPECT_EQ(Get(*sim_, Service::Website, "/dizihuoqu.htm").body, "]~jkdz2jkdz2~[");
    control("DELETE", "/page");
    EXPECT_NE(Get(*sim_, Service::Website, "/dizihuoqu.htm").body.find("]~zhuludizi"), std::string::npos);

    EXPECT_NE(control("GET", "/services").body.find("download22=" + sim_->BaseAddress(DownloadHost(22))),
              std::string::npos);
    const std::string catalogue = control("GET", "/catalogue").body;
    EXPECT_NE(catalogue.find(sim_->catalogue().entries()[10].infoHash), std::string::npos);
    EXPECT_NE(control("GET", "/media").body.find(sim_->catalogue().MediaByRole("remote")->token), std::string::npos);
}

}  // namespace
}  // namespace lumo::sim
