#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <future>
#include <sstream>

#include "jar_fixture.h"
#include "net/cookie_store.h"
#include "net/inet_request.h"
#include "net_test_util.h"
#include "test_servers.h"

namespace lumo::net {
namespace {

using testing::HttpServer;

class CookieStoreTest : public testing::JarTest {
protected:
    std::string FileText() {
        std::ifstream in(path_);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    int CountInJar(const std::string& name) {
        int n = 0;
        for (const JarCookie& c : jar_->Cookies()) n += c.name == name;
        return n;
    }
};

TEST_F(CookieStoreTest, SetCookieReachesTheHostAndItsSiblings) {
    EXPECT_TRUE(SetCookie("dl1.lumo.localhost", "FTN5K", "abc123"));
    EXPECT_EQ(GetCookies("dl1.lumo.localhost"), "FTN5K=abc123");
    EXPECT_EQ(GetCookies("dl7.lumo.localhost"), "FTN5K=abc123");
    EXPECT_EQ(GetCookies("lumo.localhost"), "FTN5K=abc123");
    EXPECT_EQ(GetCookies("deeper.dl7.lumo.localhost"), "FTN5K=abc123");
    EXPECT_EQ(GetCookies("other.localhost"), "");
    EXPECT_EQ(GetCookies("xlumo.localhost"), "");
    // Once for the host, once for the parent domain.
    ASSERT_EQ(CountInJar("FTN5K"), 2);

    // Over the wire as well: a sibling host on the same server gets it.
    HttpServer server;
    std::string seen;
    server->Get("/", [&](const httplib::Request& req, httplib::Response& res) {
        seen = req.get_header_value("Cookie");
        res.set_content("x", "text/plain");
    });
    InetRequest(server.NamedUrl("dl9.lumo.localhost"));
    EXPECT_EQ(seen, "FTN5K=abc123");
    InetRequest(server.NamedUrl("elsewhere.localhost"));
    EXPECT_EQ(seen, "");
}

TEST_F(CookieStoreTest, AddressFormsAndIpHosts) {
    EXPECT_TRUE(SetCookie("HTTP://Svc.Lumo.Localhost:8080/any/path", "n", "v"));
    EXPECT_EQ(GetCookies("svc.lumo.localhost"), "n=v");
    EXPECT_EQ(GetCookies("http://svc.lumo.localhost:9/p"), "n=v");
    // An IP address has no parent domain: one entry, for that address only.
    EXPECT_TRUE(SetCookie("127.0.0.1", "ip", "1"));
    EXPECT_EQ(CountInJar("ip"), 1);
    EXPECT_EQ(GetCookies("127.0.0.1"), "ip=1");
    EXPECT_EQ(GetCookies("10.0.0.1"), "");
}

TEST_F(CookieStoreTest, NameLookup) {
    SetCookie("a.lumo.localhost", "sid", "abc");
    SetCookie("a.lumo.localhost", "tok", "YWJj==");
    EXPECT_EQ(GetCookies("a.lumo.localhost", "SID"), "SID=abc");
    EXPECT_EQ(GetCookies("a.lumo.localhost", "tok"), "tok=YWJj==");
    EXPECT_EQ(GetCookies("a.lumo.localhost", "none"), "");
}

TEST_F(CookieStoreTest, EmptyValueDeletesAndBadInputIsRefused) {
    SetCookie("a.lumo.localhost", "gone", "1");
    EXPECT_TRUE(SetCookie("a.lumo.localhost", "gone", ""));
    EXPECT_EQ(GetCookies("a.lumo.localhost"), "");
    EXPECT_EQ(CountInJar("gone"), 0);

    EXPECT_FALSE(SetCookie("a.lumo.localhost", "", "v"));
    EXPECT_FALSE(SetCookie("a.lumo.localhost", "bad name", "v"));
    EXPECT_FALSE(SetCookie("a.lumo.localhost", "n=m", "v"));
    EXPECT_FALSE(SetCookie("a.lumo.localhost", "n", "line\nbreak"));
    EXPECT_FALSE(SetCookie("a.lumo.localhost", "n", "tab\there"));
    EXPECT_FALSE(SetCookie("", "n", "v"));
    EXPECT_EQ(jar_->Cookies().size(), 0u);
    // Attributes cannot be smuggled in through the value.
    EXPECT_TRUE(SetCookie("a.lumo.localhost", "n", "v; domain=evil.example"));
    EXPECT_EQ(GetCookies("a.lumo.localhost"), "n=v");
}

TEST_F(CookieStoreTest, ExpiryDecidesWhatOutlivesARestart) {
    SetCookie("a.lumo.localhost", "session", "1");
    SetCookie("a.lumo.localhost", "lasting", "2", CookieDate{2099, 1, 1, 0, 0, 0});
    SetCookie("a.lumo.localhost", "zero", "3", CookieDate{});  // the zero date: a session cookie
    SetCookie("a.lumo.localhost", "stale", "4", CookieDate{2001, 1, 1, 0, 0, 0});
    EXPECT_EQ(GetCookies("a.lumo.localhost", "stale"), "");
    EXPECT_NE(GetCookies("a.lumo.localhost").find("zero=3"), std::string::npos);

    Reopen();
    EXPECT_EQ(GetCookies("a.lumo.localhost"), "lasting=2");
    EXPECT_EQ(GetCookies("b.lumo.localhost"), "lasting=2");
    struct stat st {};
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_NE(FileText().find("lasting\t2"), std::string::npos);
}

TEST_F(CookieStoreTest, DeleteCookiesExpiresEverythingTheHostWouldSend) {
    HttpServer server;
    server->Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "srv=1; Path=/; Max-Age=3600; HttpOnly");
        res.headers.emplace("Set-Cookie", "deep=2; Path=/sub; Max-Age=3600");
        res.set_content("x", "text/plain");
    });
    InetRequest(server.NamedUrl("svc.lumo.localhost"));
    SetCookie("svc.lumo.localhost", "mine", "3", CookieDate{2099, 1, 1, 0, 0, 0});
    SetCookie("other.localhost", "keep", "4", CookieDate{2099, 1, 1, 0, 0, 0});
    ASSERT_EQ(GetCookies("svc.lumo.localhost", "srv"), "srv=1");  // HttpOnly ones count

    DeleteCookies("svc.lumo.localhost");
    EXPECT_EQ(GetCookies("svc.lumo.localhost"), "");
    EXPECT_EQ(GetCookies("sibling.lumo.localhost"), "");
    EXPECT_EQ(CountInJar("srv"), 0);
    EXPECT_EQ(CountInJar("mine"), 0);
    // Only what a request for "/" would carry goes.
    EXPECT_EQ(CountInJar("deep"), 1);
    EXPECT_EQ(GetCookies("other.localhost"), "keep=4");
    Reopen();
    EXPECT_EQ(GetCookies("svc.lumo.localhost"), "");
    EXPECT_EQ(GetCookies("other.localhost"), "keep=4");
}

TEST_F(CookieStoreTest, GetCookiesGivesATextWithoutBlanksOrDeletedValues) {
    JarCookie c;
    c.domain = "a.lumo.localhost";
    c.name = "spaced";
    c.value = "a b";
    jar_->Store(c);
    c.name = "dead";
    c.value = "deleted";
    jar_->Store(c);
    EXPECT_EQ(GetCookies("a.lumo.localhost"), "spaced=ab");
}

TEST_F(CookieStoreTest, ConcurrentRequestsAllLandInTheJarAndTheFileStaysWhole) {
    HttpServer server;
    server->Get(R"(/set/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "c" + req.matches[1].str() + "=" + req.matches[1].str() + "; Max-Age=3600; Path=/");
        res.set_content("ok", "text/plain");
    });
    std::vector<std::future<void>> calls;
    for (int i = 0; i < 12; ++i)
        calls.push_back(std::async(std::launch::async, [&, i] {
            InetRequest(server.Url("/set/" + std::to_string(i)));
            SetCookie("127.0.0.1", "s" + std::to_string(i), "x", CookieDate{2099, 1, 1, 0, 0, 0});
        }));
    for (auto& c : calls) c.get();
    Reopen();
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(GetCookies("127.0.0.1", "c" + std::to_string(i)), "c" + std::to_string(i) + "=" + std::to_string(i));
        EXPECT_EQ(GetCookies("127.0.0.1", "s" + std::to_string(i)), "s" + std::to_string(i) + "=x");
    }
}

TEST(CookieJarPath, DefaultFollowsTheDataDirectoryRules) {
    const char* home = getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("LUMO_HOME", "/data/lumo", 1);
    setenv("XDG_DATA_HOME", "/xdg", 1);
    EXPECT_EQ(CookieJar::DefaultPath(), "/data/lumo/cookies.txt");
    unsetenv("LUMO_HOME");
    EXPECT_EQ(CookieJar::DefaultPath(), "/xdg/lumo/cookies.txt");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(CookieJar::DefaultPath(), "/home/u/.local/share/lumo/cookies.txt");
    setenv("HOME", savedHome.c_str(), 1);
}

TEST(CookieJarFile, DamagedLinesAreSkippedNotFatal) {
    char pattern[] = "/tmp/lumo-net-jarfile-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string path = dir + "/cookies.txt";
    {
        std::ofstream out(path);
        out << "# comment\n"
            << "garbage without tabs\n"
            << "a.lumo.localhost\tFALSE\t/\tFALSE\tnotanumber\tx\t1\n"
            << "\tTRUE\t/\tFALSE\t4102444800\tnodomain\t1\n"
            << "a.lumo.localhost\tFALSE\t/\tFALSE\t4102444800\tgood\tyes\n"
            << "#HttpOnly_a.lumo.localhost\tFALSE\t/\tFALSE\t4102444800\thid\tden\n";
    }
    CookieJar jar(path);
    const auto cookies = jar.Cookies();
    ASSERT_EQ(cookies.size(), 2u);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lumo::net
