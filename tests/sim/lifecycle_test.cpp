// Starting and stopping: clean, repeatable, prompt, and the services file
// that points Lumo at the running simulator.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>

#include "remote/service_hosts.h"
#include "sim_test_support.h"

namespace lumo::sim {
namespace {

using Clock = std::chrono::steady_clock;
using remote::ServiceHosts;
using testing::Get;

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("lumo-sim-test-" + std::to_string(getpid()) + "-" + name);
}

TEST(SimLifecycle, StartAndStopAgainAndAgainLeaveNoThreadOrSocketBehind) {
    testing::SharedCatalogue();
    const int threads = testing::ThreadCount();
    const int files = testing::OpenFileCount();
    Simulator sim(testing::TestOptions());
    for (int round = 0; round < 4; ++round) {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        ASSERT_TRUE(sim.Running());
        EXPECT_EQ(Get(sim, Service::FileList, "/filelist.php?hash=" + sim.catalogue().entries()[0].infoHash).status,
                  200);
        EXPECT_EQ(Get(sim, DownloadHost(22), "/").status, 404);
        sim.Stop();
        EXPECT_FALSE(sim.Running());
        EXPECT_FALSE(Get(sim, Service::FileList, "/").ok);
    }
    EXPECT_EQ(testing::ThreadCount(), threads);
    EXPECT_EQ(testing::OpenFileCount(), files);
}

TEST(SimLifecycle, StopEndsOpenConnectionsAndSlowAnswersAtOnce) {
    Simulator sim(testing::TestOptions());
    ASSERT_TRUE(sim.Start());
    // An idle keep-alive connection, a download that a throttle stretches to
    // minutes, and an answer delayed by a minute.
    httplib::Client idle("127.0.0.1", sim.Port(Service::Website));
    idle.set_keep_alive(true);
    ASSERT_TRUE(idle.Get("/"));

    Fault delay;
    delay.kind = FaultKind::Delay;
    delay.ms = 60000;
    sim.SetFault(Service::FileList, delay);
    Fault throttle;
    throttle.kind = FaultKind::Throttle;
    throttle.rate = 1000;
    sim.SetFault(DownloadHost(1), throttle);
    const MediaFile& media = *sim.catalogue().MediaByRole("feature");
    auto waiting = std::async(std::launch::async, [&] { return Get(sim, Service::FileList, "/filelist.php", {}, 120); });
    auto reading = std::async(std::launch::async, [&] {
        return Get(sim, DownloadHost(1), "/ftn_handler/" + media.token, {{"Cookie", "FTN5K=" + media.cookie}}, 120);
    });
    while (sim.Counters(Service::FileList).requests == 0 || sim.Counters(DownloadHost(1)).requests == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto start = Clock::now();
    sim.Stop();
    // A hang would take a minute; a prompt stop takes milliseconds.
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 10.0);
    EXPECT_FALSE(waiting.get().ok);
    const auto read = reading.get();
    EXPECT_FALSE(read.ok && read.body == media.bytes);
}

TEST(SimLifecycle, BusyPortFailsTheStartCleanly) {
    Simulator first(testing::TestOptions());
    ASSERT_TRUE(first.Start());
    const int files = testing::OpenFileCount();
    const int threads = testing::ThreadCount();

    // Every other service binds before the second list meets the busy port.
    SimOptions options = testing::TestOptions();
    options.extraPort = first.Port(Service::Extra);
    Simulator second(options);
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find(std::to_string(first.Port(Service::Extra))), std::string::npos) << error;
    EXPECT_FALSE(second.Running());
    EXPECT_EQ(testing::OpenFileCount(), files);
    EXPECT_EQ(testing::ThreadCount(), threads);
    EXPECT_EQ(Get(first, Service::Extra, "/vip.htm").status, 200);
}

TEST(SimLifecycle, FixedPortsFollowTheBasePort) {
    SimOptions options = testing::TestOptions();
    options.fixedPorts = true;
    // Try a few bases in case another program holds one of the ports.
    for (int base : {41700, 43300, 45900, 47100, 52300}) {
        options.basePort = base;
        options.extraPort = base + 166;
        Simulator sim(options);
        if (!sim.Start()) continue;
        EXPECT_EQ(sim.Port(Service::Control), base);
        EXPECT_EQ(sim.Port(Service::Website), base + 1);
        EXPECT_EQ(sim.Port(Service::Codecs), base + 10);
        EXPECT_EQ(sim.Port(DownloadHost(1)), base + 11);
        EXPECT_EQ(sim.Port(DownloadHost(22)), base + 32);
        EXPECT_EQ(sim.Port(Service::Extra), base + 166);
        EXPECT_EQ(Get(sim, Service::Website, "/dizihuoqu.htm").status, 200);
        return;
    }
    GTEST_SKIP() << "no free block of ports";
}

TEST(SimLifecycle, TwoSimulatorsInOneProcessKeepApart) {
    Simulator a(testing::TestOptions());
    Simulator b(testing::TestOptions());
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    EXPECT_NE(a.Port(Service::Offline), b.Port(Service::Offline));
    Fault drop;
    drop.kind = FaultKind::Drop;
    a.SetFault(Service::Offline, drop);
    EXPECT_FALSE(Get(a, Service::Offline, "/").ok);
    EXPECT_TRUE(Get(b, Service::Offline, "/").ok);
    EXPECT_EQ(b.Counters(Service::Offline).requests, 1u);
    a.Stop();
    EXPECT_TRUE(Get(b, Service::Offline, "/").ok);
}

TEST(SimLifecycle, ServicesFileNamedByTheEnvironmentPointsLumoAtTheSimulator) {
    const auto path = TempPath("services.ini");
    std::filesystem::remove(path);
    ASSERT_EQ(setenv(ServiceHosts::kEnvironmentVariable, path.c_str(), 1), 0);
    SimOptions options = testing::TestOptions();
    options.servicesFile.reset();  // take the environment's
    Simulator sim(options);
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(sim.ServicesFilePath(), path);

    std::string error;
    const ServiceHosts hosts = ServiceHosts::FromEnvironment(&error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(hosts.WebsiteHost(), sim.HostPort(Service::Website));
    EXPECT_EQ(hosts.OfflineHost(), sim.HostPort(Service::Offline));
    EXPECT_EQ(hosts.SearchSiteHost(), sim.HostPort(Service::Search));
    EXPECT_EQ(hosts.JsonSearchHost(), sim.HostPort(Service::Api));
    EXPECT_EQ(hosts.FilmSiteHost(), sim.HostPort(Service::Films));
    EXPECT_EQ(hosts.SubtitleSiteHost(), sim.HostPort(Service::Subtitles));
    EXPECT_EQ(hosts.ExtraListHost(), sim.HostPort(Service::Extra));
    EXPECT_EQ(hosts.ProfileBase(), sim.BaseAddress(Service::Forum));
    EXPECT_EQ(hosts.Value("control"), sim.HostPort(Service::Control));
    for (int n = 1; n <= 22; ++n) EXPECT_EQ(hosts.HostLine(n), sim.BaseAddress(DownloadHost(n)));
    EXPECT_EQ(hosts.OperatorQq(), ServiceHosts::Defaults().OperatorQq());

    // The addresses Lumo builds from them reach the services.
    auto fetch = [](const std::string& address) {
        const size_t slash = address.find('/', 7);
        const std::string host = address.substr(7, slash - 7);
        httplib::Client client("127.0.0.1", std::stoi(host.substr(host.find(':') + 1)));
        return client.Get(address.substr(slash));
    };
    auto list = fetch("http://" + hosts.WebsiteHost() + "/dizihuoqu.htm");
    ASSERT_TRUE(list);
    EXPECT_NE(list->body.find("]~jkdz2"), std::string::npos);
    auto pack = fetch(hosts.CodecPackAddress());
    ASSERT_TRUE(pack);
    EXPECT_EQ(pack->status, 200);
    auto forum = fetch(hosts.ForumHomeAddress());
    ASSERT_TRUE(forum);
    EXPECT_EQ(forum->status, 200);
    auto extra = fetch("http://" + hosts.ExtraListHost() + "/vip.htm");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->status, 200);

    sim.Stop();
    unsetenv(ServiceHosts::kEnvironmentVariable);
    std::filesystem::remove(path);
}

TEST(SimLifecycle, MissingMediaIsAClearError) {
    SimOptions options;
    options.mediaDir = TempPath("no-media");
    options.servicesFile = std::filesystem::path();
    Simulator sim(options);
    std::string error;
    EXPECT_FALSE(sim.Start(&error));
    EXPECT_NE(error.find("lumo_feature.mp4"), std::string::npos) << error;
    EXPECT_FALSE(sim.Running());
}

}  // namespace
}  // namespace lumo::sim
