// Lumo's built-in service addresses and the LUMO_SERVICES override.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "remote/service_hosts.h"
#include "sim/service.h"
#include "sim/simulator.h"

namespace lumo::remote {
namespace {

TEST(SimServiceHosts, DownloadHostsAreTwentyTwoLinesInOrder) {
    const ServiceHosts hosts = ServiceHosts::Defaults();
    const std::string text = hosts.DownloadHosts();
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    size_t lines = 1, at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) ++lines, at += 2;
    EXPECT_EQ(lines, 22u);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), hosts.HostLine(1));
    EXPECT_EQ(text.substr(text.rfind("\r\n") + 2), hosts.HostLine(22));
    for (int n = 1; n <= 22; ++n) {
        EXPECT_EQ(hosts.HostLine(n).rfind("http://", 0), 0u);
        EXPECT_EQ(hosts.HostLine(n).back() == '/', false);
    }
    EXPECT_EQ(hosts.HostLine(0), "");
    EXPECT_EQ(hosts.HostLine(23), "");
    EXPECT_EQ(hosts.HostLine(-1), "");
}

// The build's defaults point at lumo-sim on its default ports; when they are
// loopback addresses they must be exactly those.
TEST(SimServiceHosts, DefaultsMatchTheSimulatorsDefaultPorts) {
    const ServiceHosts hosts = ServiceHosts::Defaults();
    using sim::Service;
    const std::pair<const char*, Service> keys[] = {
        {ServiceHosts::kWebsite, Service::Website}, {ServiceHosts::kForum, Service::Forum},
        {ServiceHosts::kOffline, Service::Offline}, {ServiceHosts::kSearch, Service::Search},
        {ServiceHosts::kApi, Service::Api},         {ServiceHosts::kFilms, Service::Films},
        {ServiceHosts::kSubtitles, Service::Subtitles}, {ServiceHosts::kCodecs, Service::Codecs},
    };
    const int base = sim::Simulator::DefaultBasePort();
    auto expect = [&](const std::string& value, int port) {
        if (value.rfind("127.0.0.1:", 0) != 0) GTEST_SKIP() << "release hosts configured";
        EXPECT_EQ(value, "127.0.0.1:" + std::to_string(port));
    };
    for (const auto& [key, service] : keys) expect(hosts.Value(key), base + sim::ServiceIndex(service));
    for (int n = 1; n <= 22; ++n) {
        expect(hosts.Value(ServiceHosts::DownloadKey(n)), base + sim::ServiceIndex(sim::DownloadHost(n)));
    }
    expect(hosts.ExtraListHost(), sim::Simulator::DefaultExtraPort());
}

TEST(SimServiceHosts, OverridesReadTheServicesSectionOnly) {
    ServiceHosts hosts = ServiceHosts::Defaults();
    const int applied = hosts.ApplyText(
        "; comment\r\n"
        "website=http://ignored.example:1\r\n"
        "[other]\r\n"
        "forum=http://ignored.example:2\r\n"
        "[ Services ]\r\n"
        "  Website = http://site.example:8080/  \r\n"
        "offline=offline.example\n"
        "# another comment\n"
        "Download9=http://dl9.example\n"
        "qq=123456\n"
        "mystery=http://x.example:9\n"
        "no equals sign\n"
        "=novalue\n");
    EXPECT_EQ(applied, 5);
    EXPECT_EQ(hosts.WebsiteHost(), "site.example:8080");
    EXPECT_EQ(hosts.WebsiteAddress(), "http://site.example:8080/");
    EXPECT_EQ(hosts.OfflineHost(), "offline.example");
    EXPECT_EQ(hosts.HostLine(9), "http://dl9.example");
    EXPECT_EQ(hosts.HostLine(8), ServiceHosts::Defaults().HostLine(8));
    EXPECT_EQ(hosts.OperatorQq(), "123456");
    EXPECT_EQ(hosts.Value("MYSTERY"), "x.example:9");
    EXPECT_EQ(hosts.ForumHomeAddress(), ServiceHosts::Defaults().ForumHomeAddress());
}

TEST(SimServiceHosts, FixedPathsJoinTheConfiguredHosts) {
    ServiceHosts hosts = ServiceHosts::Defaults();
    hosts.ApplyText("[services]\ncodecs=http://vendor.example\nforum=bbs.example:81\n");
    EXPECT_EQ(hosts.CodecPackAddress(), "http://vendor.example/codecs.zip");
    EXPECT_EQ(hosts.ForumHomeAddress(), "http://bbs.example:81/forum.php");
    EXPECT_EQ(hosts.ProfileBase(), "http://bbs.example:81");
    hosts.ApplyText("[services]\ncodecs=\n");
    EXPECT_EQ(hosts.CodecPackAddress(), "");
}

TEST(SimServiceHosts, EnvironmentOverridesOrLeavesTheDefaults) {
    const char* name = ServiceHosts::kEnvironmentVariable;
    unsetenv(name);
    EXPECT_EQ(ServiceHosts::FromEnvironment().DownloadHosts(), ServiceHosts::Defaults().DownloadHosts());

    const auto path = std::filesystem::temp_directory_path() / ("lumo-hosts-" + std::to_string(getpid()) + ".ini");
    setenv(name, path.c_str(), 1);
    std::string error;
    EXPECT_EQ(ServiceHosts::FromEnvironment(&error).SearchSiteHost(), ServiceHosts::Defaults().SearchSiteHost());
    EXPECT_NE(error.find(path.string()), std::string::npos);

    {
        std::ofstream out(path);
        out << "[services]\nsearch=http://127.0.0.1:1\n";
    }
    error.clear();
    EXPECT_EQ(ServiceHosts::FromEnvironment(&error).SearchSiteHost(), "127.0.0.1:1");
    EXPECT_EQ(error, "");
    // Read anew on every call.
    {
        std::ofstream out(path);
        out << "[services]\nsearch=http://127.0.0.1:2\n";
    }
    EXPECT_EQ(ServiceHosts::FromEnvironment().SearchSiteHost(), "127.0.0.1:2");
    unsetenv(name);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace lumo::remote
