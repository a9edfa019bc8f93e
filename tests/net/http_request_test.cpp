#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "net/http_request.h"
#include "net/page_decoder.h"
#include "net_test_util.h"
#include "test_servers.h"

namespace lumo::net {
namespace {

using testing::ElapsedMs;
using testing::HttpServer;
using testing::RawServer;

// --- What goes out -------------------------------------------------------

TEST(HttpRequestWire, DefaultHeaderBlockInOrder) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = rec.Url("/p?q=1")});
    EXPECT_EQ(r.status, "200 OK");
    EXPECT_EQ(r.pageText, "ok");
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.requestLine, "GET /p?q=1 HTTP/1.1");
    const std::vector<std::string> expected = {
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept: text/html, application/xhtml+xml, */*",
        "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
        "Cache-Control: no-cache",
    };
    EXPECT_EQ(req.WithoutHost(), expected);
    EXPECT_EQ(req.Count("Cookie"), 0);
    EXPECT_EQ(req.Count("Expect"), 0);
    EXPECT_EQ(req.body, "");
}

TEST(HttpRequestWire, CallerLinesSuppressDefaultsByTheirOwnRules) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpRequestArgs args{.url = rec.Url()};
    // Case is ignored for User-Agent and Accept, not for Content-Type; a
    // line without the blank after the colon does not count.
    args.extraHeaders =
        "user-agent: LumoTest\r\naccept: text/plain\r\ncontent-type: text/plain\r\n"
        "Cache-Control:max-age=5\r\nX-Extra: 1";
    args.cookies = "a=1; b=2";
    HttpRequest(args);
    const auto req = testing::ParsedRequest(rec.Last());
    EXPECT_EQ(req.Values("User-Agent"), std::vector<std::string>{"LumoTest"});
    EXPECT_EQ(req.Values("Accept"), std::vector<std::string>{"text/plain"});
    // The default line comes later in the block and so replaces the caller's.
    EXPECT_EQ(req.Values("Content-Type"), std::vector<std::string>{"application/x-www-form-urlencoded"});
    EXPECT_EQ(req.Values("Cache-Control"), std::vector<std::string>{"no-cache"});
    EXPECT_EQ(req.Values("X-Extra"), std::vector<std::string>{"1"});
    EXPECT_EQ(req.Values("Cookie"), std::vector<std::string>{"a=1; b=2"});
}

TEST(HttpRequestWire, CookieLinesFromCallerAndText) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpRequestArgs args{.url = rec.Url(), .cookies = std::string("t=1")};
    args.extraHeaders = "cookie: mine=9";
    HttpRequest(args);
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Values("Cookie"), std::vector<std::string>{"mine=9"});

    // Supplied but empty: no Cookie line at all.
    HttpRequest(HttpRequestArgs{.url = rec.Url(), .cookies = std::string()});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Count("Cookie"), 0);
}

TEST(HttpRequestWire, MethodNumbersAndBodies) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
    struct Case {
        int method;
        const char* verb;
    };
    for (const Case c : {Case{0, "GET"}, Case{1, "POST"}, Case{3, "PUT"}, Case{7, "GET"}, Case{-1, "GET"}}) {
        HttpRequestArgs args{.url = rec.Url("/m"), .method = static_cast<HttpMethod>(c.method)};
        args.postData = "k=v";
        const HttpResult r = HttpRequest(args);
        const auto req = testing::ParsedRequest(rec.Last());
        EXPECT_EQ(req.requestLine, std::string(c.verb) + " /m HTTP/1.1") << c.method;
        EXPECT_EQ(req.body, "k=v") << c.method;
        EXPECT_EQ(req.Values("Content-Length"), std::vector<std::string>{"3"}) << c.method;
        EXPECT_EQ(r.pageText, "hello") << c.method;
    }
    // No body: nothing after the head, even for POST.
    HttpRequest(HttpRequestArgs{.url = rec.Url(), .method = HttpMethod::Post});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).body, "");
}

TEST(HttpRequestWire, HeadWithAndWithoutBodyDoesNotWaitForTheAnnouncedBody) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", /*holdOpen=*/true);
    for (const std::string body : {"", "x=1"}) {
        HttpResult r;
        const int64_t ms = ElapsedMs([&] {
            r = HttpRequest(HttpRequestArgs{.url = rec.Url("/h"), .method = HttpMethod::Head, .postData = body,
                                            .timeoutSeconds = 5});
        });
        const auto req = testing::ParsedRequest(rec.Last());
        EXPECT_EQ(req.requestLine, "HEAD /h HTTP/1.1");
        EXPECT_EQ(req.body, body);
        EXPECT_EQ(r.failure, 0);
        EXPECT_EQ(r.status, "200 OK");
        EXPECT_EQ(r.body, "");
        EXPECT_LT(ms, 3000);
    }
}

TEST(HttpRequestWire, PostTextGoesOutAsGbkBytes) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpRequestArgs args{.url = rec.Url("/post"), .method = HttpMethod::Post};
    args.postData = "名字=张三&x=1";
    HttpRequest(args);
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).body, "\xC3\xFB\xD7\xD6=\xD5\xC5\xC8\xFD&x=1");
}

TEST(HttpRequestWire, LargePostBodyIsNotHeldBackForAContinue) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpRequestArgs args{.url = rec.Url(), .method = HttpMethod::Post, .timeoutSeconds = 5};
    args.postData.assign(2 * 1024 * 1024, 'z');
    HttpResult r;
    const int64_t ms = ElapsedMs([&] { r = HttpRequest(args); });
    EXPECT_EQ(r.status, "200 OK");
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).body.size(), args.postData.size());
    EXPECT_LT(ms, 3000);
}

TEST(HttpRequestWire, BasicCredentialsOnlyWithUserAndPassword) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpRequest(HttpRequestArgs{.url = rec.Url(), .user = "lumo", .password = "s3cret"});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Values("Authorization"),
              std::vector<std::string>{"Basic bHVtbzpzM2NyZXQ="});
    HttpRequest(HttpRequestArgs{.url = rec.Url(), .user = "lumo"});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Count("Authorization"), 0);
    HttpRequest(HttpRequestArgs{.url = rec.Url(), .password = "s3cret"});
    EXPECT_EQ(testing::ParsedRequest(rec.Last()).Count("Authorization"), 0);
}

TEST(HttpRequestWire, ProxyServesHttpAddressesWithItsOwnCredentials) {
    testing::Recorder proxy("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nvia proxy");
    const std::string proxyAddr = "127.0.0.1:" + std::to_string(proxy.Port());
    HttpRequestArgs args{.url = "http://lumo-target.invalid:8123/x?y=1", .proxy = proxyAddr,
                         .proxyUser = "pu", .proxyPassword = "pp"};
    const HttpResult r = HttpRequest(args);
    EXPECT_EQ(r.pageText, "via proxy");
    auto req = testing::ParsedRequest(proxy.Last());
    EXPECT_EQ(req.requestLine, "GET http://lumo-target.invalid:8123/x?y=1 HTTP/1.1");
    EXPECT_EQ(req.Values("Proxy-Authorization"), std::vector<std::string>{"Basic cHU6cHA="});

    args.proxyPassword.clear();
    HttpRequest(args);
    EXPECT_EQ(testing::ParsedRequest(proxy.Last()).Count("Proxy-Authorization"), 0);

    // An https address goes through the same proxy as a tunnel.
    args.url = "https://lumo-target.invalid/secure";
    const HttpResult tunnel = HttpRequest(args);
    EXPECT_NE(tunnel.failure, 0);
    EXPECT_EQ(testing::ParsedRequest(proxy.Last()).requestLine,
              "CONNECT lumo-target.invalid:443 HTTP/1.1");
}

TEST(HttpRequestWire, EnvironmentProxyIsIgnoredWithoutAProxyArgument) {
    testing::Recorder proxy("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nproxy");
    testing::Recorder server("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ndirect");
    const std::string envProxy = "http://127.0.0.1:" + std::to_string(proxy.Port());
    setenv("http_proxy", envProxy.c_str(), 1);
    setenv("HTTP_PROXY", envProxy.c_str(), 1);
    const std::string page = HttpRequest(server.Url());
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    EXPECT_EQ(page, "direct");
    EXPECT_EQ(proxy.Count(), 0);
}

// --- What comes back ------------------------------------------------------

TEST(HttpRequestResponse, RedirectFollowedOrReported) {
    HttpServer server;
    server->Get("/from", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/to");
        res.set_content("moved", "text/plain");
    });
    server->Get("/to", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("arrived", "text/plain");
    });

    const HttpResult followed = HttpRequest(HttpRequestArgs{.url = server.Url("/from")});
    EXPECT_EQ(followed.status, "200 OK");
    EXPECT_EQ(followed.pageText, "arrived");
    EXPECT_FALSE(followed.location.has_value());
    EXPECT_EQ(followed.responseHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

    const HttpResult stopped = HttpRequest(HttpRequestArgs{.url = server.Url("/from"), .disableRedirects = true});
    EXPECT_EQ(stopped.status, "302 Found");
    ASSERT_TRUE(stopped.location.has_value());
    EXPECT_EQ(*stopped.location, "/to");
    EXPECT_EQ(stopped.pageText, "moved");
    EXPECT_EQ(stopped.failure, 0);
}

// libcurl does not follow an empty Location, so such an answer is the last
// one and must come back whole, followed or not.
TEST(HttpRequestResponse, RedirectWithBlankLocationIsTheFinalAnswer) {
    for (const std::string location : {"Location:", "Location: \t "}) {
        testing::Recorder rec("HTTP/1.1 302 Found\r\n" + location +
                              "\r\nSet-Cookie: s=1; path=/\r\nContent-Length: 5\r\n\r\nmoved");
        for (const bool disable : {false, true}) {
            const HttpResult r = HttpRequest(
                HttpRequestArgs{.url = rec.Url(), .cookies = std::string("a=1"), .disableRedirects = disable});
            EXPECT_EQ(r.failure, 0) << location << disable;
            EXPECT_EQ(r.status, "302 Found") << location << disable;
            EXPECT_EQ(r.body, "moved") << location << disable;
            EXPECT_EQ(r.pageText, "moved") << location << disable;
            EXPECT_EQ(r.responseHeaders.rfind("HTTP/1.1 302 Found\r\n", 0), 0u) << location << disable;
            EXPECT_EQ(r.responseCookies, "s=1") << location << disable;
            EXPECT_EQ(r.cookies, "s=1; a=1") << location << disable;
        }
        EXPECT_EQ(rec.Count(), 2);
    }
}

// The cookie outputs describe the final answer, as the header block does: a
// cookie that a followed redirect sets is neither carried to the next hop
// nor merged. Turning redirects off is how a caller gets it.
TEST(HttpRequestResponse, CookiesOfAFollowedRedirectAreNotMerged) {
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
    const HttpResult followed = HttpRequest(HttpRequestArgs{.url = server.Url("/hop"), .cookies = std::string("a=1")});
    EXPECT_EQ(followed.pageText, "arrived");
    EXPECT_EQ(seen, "a=1");
    EXPECT_EQ(followed.responseCookies, "end=2");
    EXPECT_EQ(followed.cookies, "end=2; a=1");

    const HttpResult stopped = HttpRequest(
        HttpRequestArgs{.url = server.Url("/hop"), .cookies = std::string("a=1"), .disableRedirects = true});
    EXPECT_EQ(stopped.status, "302 Found");
    EXPECT_EQ(stopped.cookies, "hop=1; a=1");
}

TEST(HttpRequestResponse, ErrorStatusIsAPageNotAFailure) {
    HttpServer server;
    server->Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<html>nothing here</html>", "text/html");
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/missing"});
    EXPECT_EQ(r.status, "404 Not Found");
    EXPECT_EQ(r.failure, 0);
    EXPECT_EQ(r.pageText, "<html>nothing here</html>");
}

TEST(HttpRequestResponse, SetCookieInAnySpellingIsNormalisedAndCollected) {
    testing::Recorder rec(
        "HTTP/1.1 200 OK\r\n"
        "set-cookie: sid=abc; path=/; HttpOnly\r\n"
        "SET-COOKIE: uid=7\r\n"
        "X-Note: nothing\r\n"
        "Content-Length: 0\r\n\r\n");
    const HttpResult plain = HttpRequest(HttpRequestArgs{.url = rec.Url()});
    EXPECT_EQ(plain.responseCookies, "sid=abc; uid=7");
    EXPECT_FALSE(plain.cookies.has_value());
    EXPECT_NE(plain.responseHeaders.find("\r\nSet-Cookie: sid=abc; path=/; HttpOnly\r\n"), std::string::npos);
    EXPECT_NE(plain.responseHeaders.find("\r\nSet-Cookie: uid=7\r\n"), std::string::npos);
    EXPECT_EQ(plain.responseHeaders.substr(plain.responseHeaders.size() - 4), "\r\n\r\n");

    const HttpResult merged = HttpRequest(HttpRequestArgs{.url = rec.Url(), .cookies = std::string("uid=1; keep=2")});
    ASSERT_TRUE(merged.cookies.has_value());
    EXPECT_EQ(*merged.cookies, "sid=abc; uid=7; keep=2");
    EXPECT_EQ(merged.responseCookies, "sid=abc;uid=7");
}

TEST(HttpRequestResponse, NoCookiesLeaveTheOutputsEmpty) {
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = rec.Url(), .cookies = std::string("a = 1")});
    EXPECT_EQ(r.responseCookies, "");
    EXPECT_EQ(*r.cookies, "a=1");
}

TEST(HttpRequestResponse, ContentIsNotDecodedEvenWhenEncoded) {
    const std::string gzipBytes("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    testing::Recorder rec("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 10\r\n\r\n" + gzipBytes);
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = rec.Url()});
    EXPECT_EQ(r.failure, 0);
    EXPECT_EQ(r.body, gzipBytes);
}

TEST(HttpRequestResponse, ZeroByteEndsThePageButNotTheBody) {
    HttpServer server;
    server->Get("/z", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("abc\0def", 7), "application/octet-stream");
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = server.Url("/z")});
    EXPECT_EQ(r.pageText, "abc");
    EXPECT_EQ(r.body, std::string("abc\0def", 7));
}

TEST(HttpRequestResponse, ChunkedBodiesArriveWhole) {
    HttpServer server;
    server->Get("/chunks", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
            if (offset >= 30000) {
                sink.done();
                return true;
            }
            const std::string part(1000, static_cast<char>('a' + offset / 1000 % 26));
            return sink.write(part.data(), part.size());
        });
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = server.Url("/chunks")});
    ASSERT_EQ(r.body.size(), 30000u);
    EXPECT_EQ(r.body[0], 'a');
    EXPECT_EQ(r.body[29999], 'd');
}

// --- Charsets -------------------------------------------------------------

TEST(HttpRequestCharset, GbkPageWithoutDeclaration) {
    HttpServer server;
    server->Get("/gbk", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(testing::ToGbk("<html><body>中文页面</body></html>"), "text/html");
    });
    EXPECT_EQ(HttpRequest(server.Url("/gbk")), "<html><body>中文页面</body></html>");
}

TEST(HttpRequestCharset, Utf8DeclaredEarlyOrLate) {
    HttpServer server;
    const std::string early = "<html><head><meta charset=\"utf-8\"></head><body>中文ü</body></html>";
    const std::string viaContent =
        "<html><head><META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
        "</head><body>中文ü</body></html>";
    // Past the first 1024 characters the declaration no longer counts and
    // the bytes are read as GBK.
    const std::string lateGbk = testing::ToGbk("<html>" + std::string(1100, ' ') +
                                               "<meta charset=\"utf-8\"><body>中文</body></html>");
    server->Get("/early", [&](const httplib::Request&, httplib::Response& res) { res.set_content(early, "text/html"); });
    server->Get("/content", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(viaContent, "text/html");
    });
    server->Get("/late", [&](const httplib::Request&, httplib::Response& res) { res.set_content(lateGbk, "text/html"); });
    EXPECT_EQ(HttpRequest(server.Url("/early")), early);
    EXPECT_EQ(HttpRequest(server.Url("/content")), viaContent);
    EXPECT_EQ(HttpRequest(server.Url("/late")), "<html>" + std::string(1100, ' ') +
                                                    "<meta charset=\"utf-8\"><body>中文</body></html>");
}

TEST(HttpRequestCharset, DeclaredGbkUnknownAndBomPages) {
    HttpServer server;
    const std::string gbkPage = "<meta charset=gb2312>简体中文";
    const std::string oddPage = "<meta charset=x-lumo-none>中文";
    server->Get("/gbk", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(testing::ToGbk(gbkPage), "text/html");
    });
    server->Get("/odd", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(testing::ToGbk(oddPage), "text/html");
    });
    server->Get("/bom", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("\xEF\xBB\xBF<meta charset=utf-8>é", "text/html");
    });
    EXPECT_EQ(HttpRequest(server.Url("/gbk")), gbkPage);
    EXPECT_EQ(HttpRequest(server.Url("/odd")), oddPage);
    EXPECT_EQ(HttpRequest(server.Url("/bom")), "<meta charset=utf-8>é");
}

// The URL-only form hands the body over to the page instead of copying it;
// the page must be the one the full form decodes.
TEST(HttpRequestCharset, UrlOnlyFormGivesTheFullFormsPage) {
    HttpServer server;
    const std::string big = "<meta charset=utf-8>" + std::string(300000, 'a') + "中文";
    const std::vector<std::pair<std::string, std::string>> pages = {
        {"/zero", std::string("<meta charset=utf-8>ab\0cd", 25)},
        {"/bomzero", std::string("\xEF\xBB\xBF<meta charset=utf-8>\xC3\xA9\0x", 27)},
        {"/invalid", "<meta charset=utf-8>" + testing::ToGbk("中文")},
        {"/big", big},
    };
    for (const auto& [path, body] : pages) {
        server->Get(path, [body = body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/html");
        });
    }
    server->Get("/chunked", [&big](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [&big](size_t offset, httplib::DataSink& sink) {
            if (offset >= big.size()) {
                sink.done();
                return true;
            }
            return sink.write(big.data() + offset, std::min<size_t>(7000, big.size() - offset));
        });
    });
    for (const std::string path : {"/zero", "/bomzero", "/invalid", "/big", "/chunked"}) {
        const HttpResult full = HttpRequest(HttpRequestArgs{.url = server.Url(path)});
        EXPECT_EQ(HttpRequest(server.Url(path)), full.pageText) << path;
    }
    EXPECT_EQ(HttpRequest(server.Url("/zero")), "<meta charset=utf-8>ab");
    EXPECT_EQ(HttpRequest(server.Url("/bomzero")), "<meta charset=utf-8>é");
    EXPECT_EQ(HttpRequest(server.Url("/big")), big);
    EXPECT_EQ(HttpRequest(server.Url("/chunked")), big);
    // Not UTF-8 after all: converted like any page, not handed back raw.
    EXPECT_NE(HttpRequest(server.Url("/invalid")), pages[2].second);
}

TEST(PageDecoder, DeclarationCountsCharactersNotBytes) {
    // 600 two-byte characters put the tag past byte 1024 but well inside the
    // first 1024 characters.
    std::string wide;
    for (int i = 0; i < 600; ++i) wide += "中";
    EXPECT_EQ(DeclaredCharset(testing::ToGbk(wide + "<meta charset=utf-8>")), "utf-8");
    std::string wider;
    for (int i = 0; i < 1030; ++i) wider += "中";
    EXPECT_EQ(DeclaredCharset(testing::ToGbk(wider + "<meta charset=utf-8>")), "");
    EXPECT_EQ(DeclaredCharset(std::string(1010, 'x') + "<meta charset=big5>"), "");
    EXPECT_EQ(DeclaredCharset(std::string(900, 'x') + "<meta charset=big5>"), "big5");
    // A zero byte ends the text that is searched.
    EXPECT_EQ(DeclaredCharset(std::string("x\0<meta charset=big5>", 21)), "");
    EXPECT_EQ(DeclaredCharset("<META content='text/html;charset=\"GBK\"'>"), "GBK");
}

// --- Failures ---------------------------------------------------------------

TEST(HttpRequestFailure, BadAddressesAre701) {
    for (const char* url : {"", "not a url", "ftp://127.0.0.1/x", "127.0.0.1/x", "http://"}) {
        const HttpResult r = HttpRequest(HttpRequestArgs{.url = url, .cookies = std::string("k=v")});
        EXPECT_EQ(r.failure, 701) << url;
        EXPECT_EQ(r.status, "701 解析URL地址失败!") << url;
        EXPECT_EQ(r.pageText, "");
        EXPECT_EQ(*r.cookies, "k=v");  // left as it was
    }
}

TEST(HttpRequestFailure, RefusedConnectionIs711AndQuick) {
    const int port = testing::UnusedPort();
    HttpResult r;
    const int64_t ms = ElapsedMs([&] {
        r = HttpRequest(HttpRequestArgs{.url = "http://127.0.0.1:" + std::to_string(port) + "/", .timeoutSeconds = 2});
    });
    EXPECT_EQ(r.failure, 711);
    EXPECT_EQ(r.status, "711 发送请求失败!");
    EXPECT_EQ(r.pageText, "");
    EXPECT_EQ(r.responseHeaders, "");
    EXPECT_LT(ms, 2000);
}

TEST(HttpRequestFailure, UnknownHostIs711) {
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = "http://lumo-no-such-host.invalid/", .timeoutSeconds = 3});
    EXPECT_EQ(r.failure, 711);
}

TEST(HttpRequestFailure, SilentServerIs712WithinTheTimeout) {
    RawServer silent([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.HoldUntilClosed(fd);
    });
    HttpResult r;
    const int64_t ms = ElapsedMs([&] {
        r = HttpRequest(HttpRequestArgs{.url = silent.Url(), .timeoutSeconds = 1});
    });
    EXPECT_EQ(r.failure, 712);
    EXPECT_EQ(r.status, "712 服务器未响应!");
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 1000 + 1500);
}

TEST(HttpRequestFailure, ServerThatHangsUpWithoutAnswerIs712) {
    RawServer rude([](int fd, RawServer&) { RawServer::ReadRequest(fd); });
    EXPECT_EQ(HttpRequest(HttpRequestArgs{.url = rude.Url(), .timeoutSeconds = 2}).failure, 712);
    // Something that is not an HTTP answer at all.
    RawServer garbage([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "garbage\r\n\r\n");
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = garbage.Url(), .timeoutSeconds = 2});
    EXPECT_EQ(r.failure, 712);
    EXPECT_EQ(r.pageText, "");
}

TEST(HttpRequestFailure, StallMidBodyKeepsWhatArrivedAndTheResponseStatus) {
    RawServer staller([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nSet-Cookie: part=1\r\nContent-Length: 100\r\n\r\nfirst part");
        s.HoldUntilClosed(fd);
    });
    HttpResult r;
    const int64_t ms = ElapsedMs([&] {
        r = HttpRequest(HttpRequestArgs{.url = staller.Url(), .timeoutSeconds = 1});
    });
    EXPECT_EQ(r.failure, 713);
    EXPECT_EQ(r.status, "200 OK");
    EXPECT_EQ(r.body, "first part");
    EXPECT_EQ(r.pageText, "first part");
    EXPECT_EQ(r.responseCookies, "part=1");
    EXPECT_LT(ms, 1000 + 1500);
}

TEST(HttpRequestFailure, ConnectionLostMidBodyIs713) {
    RawServer dropper([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 50\r\n\r\nshort");
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = dropper.Url(), .timeoutSeconds = 2});
    EXPECT_EQ(r.failure, 713);
    EXPECT_EQ(r.status, "404 Not Found");
    EXPECT_EQ(r.body, "short");
}

TEST(HttpRequestTimeout, SilenceCountsNotTotalTime) {
    // A byte every 300 ms for about 2.4 s passes a 1-second limit.
    RawServer trickle([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n");
        for (int i = 0; i < 8; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (!s.Send(fd, "x")) return;
        }
    });
    const HttpResult r = HttpRequest(HttpRequestArgs{.url = trickle.Url(), .timeoutSeconds = 1});
    EXPECT_EQ(r.failure, 0);
    EXPECT_EQ(r.body, "xxxxxxxx");
}

TEST(HttpRequestTimeout, ZeroMeansThirtySecondsNotNone) {
    RawServer slow([](int fd, RawServer& s) {
        RawServer::ReadRequest(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        s.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nlate");
    });
    EXPECT_EQ(HttpRequest(HttpRequestArgs{.url = slow.Url(), .timeoutSeconds = 0}).pageText, "late");
    EXPECT_EQ(HttpRequest(HttpRequestArgs{.url = slow.Url(), .timeoutSeconds = -5}).pageText, "late");
}

TEST(HttpRequestConcurrency, ParallelCallsAreIndependent) {
    HttpServer server;
    server->Get(R"(/n/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "n=" + req.matches[1].str());
        res.set_content("page " + req.matches[1].str(), "text/plain");
    });
    std::vector<std::future<HttpResult>> calls;
    for (int i = 0; i < 8; ++i)
        calls.push_back(std::async(std::launch::async, [&, i] {
            return HttpRequest(HttpRequestArgs{.url = server.Url("/n/" + std::to_string(i)),
                                               .cookies = std::string("base=1")});
        }));
    for (int i = 0; i < 8; ++i) {
        const HttpResult r = calls[i].get();
        EXPECT_EQ(r.pageText, "page " + std::to_string(i));
        EXPECT_EQ(*r.cookies, "n=" + std::to_string(i) + "; base=1");
    }
}

}  // namespace
}  // namespace lumo::net
