#include <gtest/gtest.h>

#include "jar_fixture.h"
#include "net/cookie_store.h"
#include "net/inet_request.h"
#include "net_test_util.h"
#include "test_servers.h"

namespace lumo::net {
namespace {

using testing::ElapsedMs;
using testing::HttpServer;
using testing::RawServer;
using testing::Recorder;

class InetRequestTest : public testing::JarTest {};

TEST_F(InetRequestTest, DefaultBlockIsBuiltReturnedAndSent) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody");
    const std::string url = rec.Url("/q?x=1");
    const InetResult r = InetRequest(InetRequestArgs{.url = url});
    EXPECT_TRUE(r.setUp);
    EXPECT_EQ(r.body, "body");
    EXPECT_EQ(r.requestHeaders, "Accept: */*\r\nReferer: " + url +
                                    "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.requestLine, "GET /q?x=1 HTTP/1.1");
    const std::vector<std::string> expected = {
        "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
        "Accept: */*",
        "Referer: " + url,
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
    };
    EXPECT_EQ(req.WithoutHost(), expected);
    EXPECT_EQ(req.body, "");
}

TEST_F(InetRequestTest, SearchesAreCaseSensitiveAndTheCookieLineIsAlwaysAdded) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    InetRequestArgs args{.url = rec.Url(), .cookies = std::string("c=3")};
    args.extraHeaders = "accept: text/html\r\nCookie: mine=1\r\nReferer: http://origin.example/";
    const InetResult r = InetRequest(args);
    EXPECT_EQ(r.requestHeaders,
              "accept: text/html\r\nCookie: mine=1\r\nReferer: http://origin.example/\r\nAccept: */*"
              "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\nCookie: c=3");
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.Values("Accept"), (std::vector<std::string>{"text/html", "*/*"}));
    EXPECT_EQ(req.Values("Cookie"), (std::vector<std::string>{"mine=1", "c=3"}));
    EXPECT_EQ(req.Values("Referer"), std::vector<std::string>{"http://origin.example/"});
}

TEST_F(InetRequestTest, UserAgentComesFromTheBlockWhenItHasOne) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    InetRequest(InetRequestArgs{.url = rec.Url(), .extraHeaders = "Accept: a\r\nuser-agent: LumoAgent/2"});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Values("User-Agent"), std::vector<std::string>{"LumoAgent/2"});
    EXPECT_EQ(InetUserAgent("X: 1\r\nUser-Agent: A B\r\nY: 2"), "A B");
    EXPECT_EQ(InetUserAgent("X: 1"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
}

TEST_F(InetRequestTest, MethodsAndBodies) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", /*holdOpen=*/true);
    // GET (and every unknown number, PUT included) sends the head only.
    for (int m : {0, 3, 5, -1}) {
        const InetResult r = InetRequest(
            InetRequestArgs{.url = rec.Url("/m"), .method = static_cast<HttpMethod>(m), .postText = "a=1"});
        const auto req = testing::ParsedRequest(rec.Last());
        EXPECT_EQ(req.requestLine, "GET /m HTTP/1.1") << m;
        EXPECT_EQ(req.body, "") << m;
        EXPECT_EQ(r.postBytes, "a=1") << m;
    }
    // POST text goes out as GBK; the bytes come back in the result.
    const InetResult post = InetRequest(
        InetRequestArgs{.url = rec.Url("/m"), .method = HttpMethod::Post, .postText = "名字=张三"});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).body, "\xC3\xFB\xD7\xD6=\xD5\xC5\xC8\xFD");
    EXPECT_EQ(post.postBytes, "\xC3\xFB\xD7\xD6=\xD5\xC5\xC8\xFD");
    EXPECT_EQ(post.body, "ok");
    // Bytes given as bytes win over the text and go out untouched.
    const std::string raw("\x00\x01\xFFzz", 5);
    InetRequest(InetRequestArgs{.url = rec.Url("/m"), .method = HttpMethod::Post, .postText = "ignored",
                                .postBytes = raw});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).body, raw);
    // HEAD carries the body too, and does not wait for the announced body.
    InetResult head;
    const int64_t ms = ElapsedMs([&] {
        head = InetRequest(InetRequestArgs{.url = rec.Url("/m"), .method = HttpMethod::Head, .postText = "h=1",
                                           .timeoutSeconds = 5});
    });
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.requestLine, "HEAD /m HTTP/1.1");
    EXPECT_EQ(req.body, "h=1");
    EXPECT_EQ(head.responseHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_LT(ms, 3000);
}

TEST_F(InetRequestTest, BareHostAddressesUseHttp) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nbar");
    const std::string bare = "127.0.0.1:" + std::to_string(rec.Port()) + "/Path?Q=1";
    const InetResult r = InetRequest(InetRequestArgs{.url = bare});
    EXPECT_EQ(r.body, "bar");
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.requestLine, "GET /Path?Q=1 HTTP/1.1");
    EXPECT_EQ(req.Values("Referer"), std::vector<std::string>{bare});
}

TEST_F(InetRequestTest, LineBreaksInTheAddressCannotAddHeaders) {
    Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    InetRequest(InetRequestArgs{.url = rec.Url("/a\r\nX-Injected: 1")});
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.Count("X-Injected"), 0);
    EXPECT_EQ(req.requestLine, "GET /a%0D%0AX-Injected:%201 HTTP/1.1");
    EXPECT_EQ(req.Values("Referer"), std::vector<std::string>{rec.Url("/a%0D%0AX-Injected: 1")});
}

TEST_F(InetRequestTest, RedirectsFollowedOrNot) {
    HttpServer server;
    server->Get("/old", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/new");
        res.set_content("see /new", "text/plain");
    });
    server->Get("/new", [](const httplib::Request&, httplib::Response& res) { res.set_content("new", "text/plain"); });
    EXPECT_EQ(InetRequest(server.Url("/old")), "new");
    const InetResult r = InetRequest(InetRequestArgs{.url = server.Url("/old"), .disableRedirects = true});
    EXPECT_EQ(r.body, "see /new");
    EXPECT_EQ(r.responseHeaders.rfind("HTTP/1.1 302 Found\r\n", 0), 0u);
    EXPECT_NE(r.responseHeaders.find("\r\nLocation: /new\r\n"), std::string::npos);
}

TEST_F(InetRequestTest, RedirectWithBlankLocationIsTheFinalAnswer) {
    Recorder rec("HTTP/1.1 302 Found\r\nLocation:  \r\nSet-Cookie: s=1; path=/\r\nContent-Length: 5\r\n\r\nmoved");
    for (const bool disable : {false, true}) {
        const InetResult r =
            InetRequest(InetRequestArgs{.url = rec.Url(), .cookies = std::string("a=1"), .disableRedirects = disable});
        EXPECT_EQ(r.body, "moved") << disable;
        EXPECT_EQ(r.responseHeaders.rfind("HTTP/1.1 302 Found\r\n", 0), 0u) << disable;
        EXPECT_EQ(r.responseCookies, "s=1") << disable;
        EXPECT_EQ(r.cookies, "s=1; a=1") << disable;
    }
    // Through the jar the answer's cookie is kept as well.
    EXPECT_EQ(InetRequest(rec.Url()), "moved");
    EXPECT_EQ(GetCookies("127.0.0.1"), "s=1");
}

TEST_F(InetRequestTest, CookieTextIgnoresCookiesOfAFollowedRedirect) {
    HttpServer server;
    server->Get("/hop", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/end");
        res.set_header("Set-Cookie", "hop=1; path=/");
        res.set_content("moved", "text/plain");
    });
    std::string seen;
    server->Get("/end", [&](const httplib::Request& req, httplib::Response& res) {
        seen = req.get_header_value("Cookie");
        res.set_header("Set-Cookie", "end=2; path=/");
        res.set_content("arrived", "text/plain");
    });
    const InetResult r = InetRequest(InetRequestArgs{.url = server.Url("/hop"), .cookies = std::string("a=1")});
    EXPECT_EQ(r.body, "arrived");
    EXPECT_EQ(seen, "a=1");
    EXPECT_EQ(*r.cookies, "end=2; a=1");
    EXPECT_EQ(GetCookies("127.0.0.1"), "");  // the jar took neither
}

TEST_F(InetRequestTest, CookieTextIsMergedAndTheJarLeftAlone) {
    Recorder rec("HTTP/1.1 200 OK\r\nset-COOKIE: sid=new; Path=/; Max-Age=600\r\nSet-Cookie: gone=deleted\r\n"
                 "Content-Length: 0\r\n\r\n");
    SetCookie("127.0.0.1", "jarred", "1");
    const InetResult r =
        InetRequest(InetRequestArgs{.url = rec.Url(), .cookies = std::string("sid=old; gone=1; keep=2")});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Values("Cookie"),
              std::vector<std::string>{"sid=old; gone=1; keep=2"});
    EXPECT_EQ(r.responseCookies, "sid=new;gone=deleted");
    EXPECT_EQ(*r.cookies, "sid=new; keep=2");
    EXPECT_NE(r.responseHeaders.find("\r\nSet-Cookie: sid=new; Path=/; Max-Age=600\r\n"), std::string::npos);
    // The jar neither sent its cookie nor took the response's.
    EXPECT_EQ(GetCookies("127.0.0.1"), "jarred=1");
}

TEST_F(InetRequestTest, OneVariableForBothHoldsExactlyTheLatestResponsesCookies) {
    HttpServer server;
    server->Post("/login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "auth=tok1; path=/");
        res.set_content("welcome", "text/plain");
    });
    std::string seen;
    server->Get("/profile", [&](const httplib::Request& req, httplib::Response& res) {
        seen = req.get_header_value("Cookie");
        res.set_content("profile", "text/plain");
    });
    std::string session = "pre=0";
    InetResult login = InetRequest(InetRequestArgs{.url = server.Url("/login"), .method = HttpMethod::Post,
                                                   .cookies = session, .cookiesFollowResponse = true});
    session = *login.cookies;
    EXPECT_EQ(session, "auth=tok1");
    EXPECT_EQ(login.responseCookies, "auth=tok1");
    // The next response sets nothing: the request carried the session, and
    // afterwards the variable is empty.
    const InetResult profile = InetRequest(
        InetRequestArgs{.url = server.Url("/profile"), .cookies = session, .cookiesFollowResponse = true});
    EXPECT_EQ(seen, "auth=tok1");
    EXPECT_EQ(profile.body, "profile");
    EXPECT_EQ(*profile.cookies, "");
}

TEST_F(InetRequestTest, JarCarriesCookiesBetweenRequestsAndAcrossARestart) {
    HttpServer server;
    server->Get("/set", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "kept=v1; Max-Age=3600; Path=/");
        res.headers.emplace("Set-Cookie", "brief=v2; Path=/");
        res.headers.emplace("Set-Cookie", "hidden=v3; Max-Age=3600; Path=/; HttpOnly");
        res.set_content("set", "text/plain");
    });
    std::string seen;
    server->Get("/echo", [&](const httplib::Request& req, httplib::Response& res) {
        seen = req.get_header_value("Cookie");
        res.set_content("echo", "text/plain");
    });
    const InetResult set = InetRequest(InetRequestArgs{.url = server.Url("/set")});
    EXPECT_FALSE(set.cookies.has_value());
    EXPECT_EQ(set.responseCookies, "kept=v1; brief=v2; hidden=v3");
    InetRequest(server.Url("/echo"));
    EXPECT_NE(seen.find("kept=v1"), std::string::npos);
    EXPECT_NE(seen.find("brief=v2"), std::string::npos);
    EXPECT_NE(seen.find("hidden=v3"), std::string::npos);

    Reopen();  // persistent cookies come back, the session cookie does not
    seen.clear();
    InetRequest(server.Url("/echo"));
    EXPECT_NE(seen.find("kept=v1"), std::string::npos);
    EXPECT_NE(seen.find("hidden=v3"), std::string::npos);
    EXPECT_EQ(seen.find("brief"), std::string::npos);
    EXPECT_EQ(GetCookies("127.0.0.1", "HIDDEN"), "HIDDEN=v3");
}

TEST_F(InetRequestTest, UnusableAddressSendsNothingAndChangesNothing) {
    const InetResult r = InetRequest(InetRequestArgs{.url = "http://127.0.0.1:notaport/x",
                                                     .cookies = std::string("a = 1")});
    EXPECT_FALSE(r.setUp);
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.requestHeaders, "");
    EXPECT_EQ(*r.cookies, "a = 1");
    EXPECT_FALSE(InetRequest(InetRequestArgs{.url = ""}).setUp);
}

TEST_F(InetRequestTest, UnansweredRequestGivesEmptyResults) {
    const int port = testing::UnusedPort();
    const InetResult r = InetRequest(InetRequestArgs{.url = "http://127.0.0.1:" + std::to_string(port) + "/",
                                                     .cookies = std::string("a = 1"), .timeoutSeconds = 2});
    EXPECT_TRUE(r.setUp);
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(r.responseHeaders, "");
    EXPECT_EQ(r.responseCookies, "");
    EXPECT_EQ(*r.cookies, "a=1");
}

TEST_F(InetRequestTest, StalledServerEndsWithinTheTimeoutKeepingWhatArrived) {
    RawServer staller([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nsome");
        s.HoldUntilClosed(fd);
    });
    InetResult r;
    const int64_t ms = ElapsedMs([&] { r = InetRequest(InetRequestArgs{.url = staller.Url(), .timeoutSeconds = 1}); });
    EXPECT_EQ(r.body, "some");
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 1000 + 1500);
}

}  // namespace
}  // namespace lumo::net
