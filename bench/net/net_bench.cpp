// HttpRequest against bare libcurl on loopback: the same 1 MB page fetched
// the same number of times, one fresh handle and connection per fetch on
// both sides. HttpRequest also builds its header block, parses the response
// headers and decodes the page to UTF-8; the ratio shows what that costs.

#include <curl/curl.h>
#include <httplib.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include "net/http_request.h"
#include "text/charset.h"

namespace {

constexpr int kFetches = 200;
constexpr size_t kPageBytes = 1024 * 1024;

size_t Append(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// What a caller of bare libcurl would write for one page.
std::string CurlFetch(const std::string& url) {
    std::string body;
    CURL* h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_perform(h);
    curl_easy_cleanup(h);
    return body;
}

struct Clocks {
    double wall = 0;  // seconds
    double cpu = 0;   // seconds of this thread's CPU: the client's own work
};

template <typename F>
Clocks Time(F&& f) {
    timespec c0{}, c1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
    const auto start = std::chrono::steady_clock::now();
    f();
    const auto end = std::chrono::steady_clock::now();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
    return {std::chrono::duration<double>(end - start).count(),
            double(c1.tv_sec - c0.tv_sec) + double(c1.tv_nsec - c0.tv_nsec) / 1e9};
}

struct Side {
    double wall = 0;
    double cpu = 0;
    double bestRound = 1e9;
    void Add(const Clocks& c) {
        wall += c.wall;
        cpu += c.cpu;
        bestRound = std::min(bestRound, c.wall);
    }
};

constexpr int kRounds = 8;

std::pair<Side, Side> Measure(const std::string& url, size_t expectedPageBytes) {
    Side lumoSide, curlSide;
    // One warm-up each, outside the timing.
    lumo::net::HttpRequest(url);
    CurlFetch(url);
    size_t lumoBytes = 0, curlBytes = 0;
    // Interleaved rounds, so drift of a shared machine hits both sides alike.
    for (int round = 0; round < kRounds; ++round) {
        lumoSide.Add(Time([&] {
            for (int i = 0; i < kFetches / kRounds; ++i) lumoBytes = lumo::net::HttpRequest(url).size();
        }));
        curlSide.Add(Time([&] {
            for (int i = 0; i < kFetches / kRounds; ++i) curlBytes = CurlFetch(url).size();
        }));
    }
    if (lumoBytes != expectedPageBytes || curlBytes != kPageBytes)
        std::printf("  (unexpected sizes: HttpRequest %zu, libcurl %zu)\n", lumoBytes, curlBytes);
    return {lumoSide, curlSide};
}

void Print(const char* label, const std::pair<Side, Side>& m) {
    const auto& [l, c] = m;
    const double mb = double(kFetches) * kPageBytes / (1024.0 * 1024.0);
    std::printf("%s\n", label);
    std::printf("  HttpRequest:  %7.3f s wall, %7.1f MB/s, %6.2f ms/fetch, client CPU %6.3f s\n", l.wall, mb / l.wall,
                1000.0 * l.wall / kFetches, l.cpu);
    std::printf("  bare libcurl: %7.3f s wall, %7.1f MB/s, %6.2f ms/fetch, client CPU %6.3f s\n", c.wall, mb / c.wall,
                1000.0 * c.wall / kFetches, c.cpu);
    std::printf("  ratio HttpRequest / libcurl: wall %.3f, best round %.3f, client CPU %.3f (goal: 1.2 or less)\n",
                l.wall / c.wall, l.bestRound / c.bestRound, l.cpu / c.cpu);
}

}  // namespace

int main() {
    curl_global_init(CURL_GLOBAL_DEFAULT);

    // A page that declares UTF-8 (ASCII markup with Chinese text), and a GBK
    // page without a declaration, each exactly 1 MB.
    std::string utf8Page = "<html><head><meta charset=\"utf-8\"><title>Lumo</title></head><body>\n";
    while (utf8Page.size() < kPageBytes - 64) utf8Page += "<p>row 中文字幕 1080p magnet link</p>\n";
    utf8Page.resize(kPageBytes, ' ');
    std::string gbkPage = lumo::text::Utf8ToGbk(utf8Page.substr(0, 0)) + "<html><body>\n";
    const std::string gbkRow = lumo::text::Utf8ToGbk("<p>row 中文字幕 1080p magnet link</p>\n");
    while (gbkPage.size() < kPageBytes - 64) gbkPage += gbkRow;
    gbkPage.resize(kPageBytes, ' ');
    const size_t gbkAsUtf8 = lumo::text::GbkToUtf8(gbkPage).size();

    httplib::Server server;
    server.set_tcp_nodelay(true);  // no delayed-ACK waits between head and body
    server.Get("/utf8", [&](const httplib::Request&, httplib::Response& res) { res.set_content(utf8Page, "text/html"); });
    server.Get("/gbk", [&](const httplib::Request&, httplib::Response& res) { res.set_content(gbkPage, "text/html"); });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);

    std::printf("Loopback, %d fetches of a %zu-byte page each side, a new connection per fetch\n", kFetches,
                kPageBytes);
    Print("Page declaring UTF-8:", Measure(base + "/utf8", kPageBytes));
    Print("GBK page without declaration (decoded to UTF-8):", Measure(base + "/gbk", gbkAsUtf8));

    server.stop();
    thread.join();
    curl_global_cleanup();
    return 0;
}
