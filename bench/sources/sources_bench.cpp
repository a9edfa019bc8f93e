// Figures of the torrent searches:
//
// 1. Search latency against the in-process simulator: from StartSearch until
//    the latest search has listed its rows, for each engine (the site's
//    10-result page, the JSON interface's 40 items listed as 30 rows),
//    against a bare HttpRequest of the same address (the peer), which is the
//    network share of it.
// 2. Parsing cost of one 200-result page per engine in the simulator's
//    markup: the matcher work of each engine, against a plain find() scan
//    that pulls the same fields out of the same text (the peer).
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "resolve/availability_checker.h"
#include "resolve/resolve_endpoints.h"
#include "resolve/ui_names.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"
#include "sources/json_search_answer.h"
#include "sources/source_names.h"
#include "sources/sources.h"
#include "sources/torrent_site_page.h"
#include "text/script_unescape.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace sim = lumo::sim;
namespace sources = lumo::sources;
namespace resolve = lumo::resolve;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Spread {
    double median = 0;
    double p90 = 0;
};

Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[std::min(values.size() - 1, values.size() * 9 / 10)]};
}

// Just what the search controller asks of the windows.
class BenchUi : public lumo::flow::FlowUi {
public:
    BenchUi() : list_(resolve::kSearchList, resolve::kSearchColumns) {}
    lumo::flow::ListModel* List(const std::string& name) override {
        return name == resolve::kSearchList ? &list_ : nullptr;
    }
    std::string Text(const std::string& control) override { return texts_[control]; }
    void SetText(const std::string& control, const std::string& text) override { texts_[control] = text; }
    void SetVisible(const std::string&, bool) override {}
    void SetImage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&, bool) override { return true; }
    void Inform(const std::string&, const std::string&, bool) override {}
    void ShowWindow(lumo::flow::WindowCode) override {}
    void CloseWindow(lumo::flow::WindowCode) override {}
    bool IsWindowLoaded(lumo::flow::WindowCode) override { return false; }
    int CurrentPage(const std::string&) override { return 0; }
    void SetCurrentPage(const std::string&, int) override {}
    void OpenInBrowser(const std::string&) override {}
    void SetClipboardText(const std::string&) override {}
    void EndProgram() override {}

    lumo::flow::ListModel& Rows() { return list_; }

private:
    lumo::flow::ListModel list_;
    std::map<std::string, std::string> texts_;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    QTimer tick;
    tick.start(1);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void SearchLatency(const sim::Simulator& simulator, sources::Sources& flows, BenchUi& ui, const char* engine,
                   const char* name, int runs) {
    const std::string keyword = "Birds";
    int listed = 0;
    int rows = 0;
    const auto connection = QObject::connect(&flows.Search(), &sources::SearchController::SearchListed,
                                             [&](int count) {
                                                 ++listed;
                                                 rows = count;
                                             });
    ui.SetText(sources::kEngineChoice, engine);
    ui.SetText(sources::kSearchBox, keyword);

    const bool site = std::string(engine) == sources::kTorrentSiteItem;
    const std::string address =
        site ? sources::TorrentSiteAddress(simulator.HostPort(sim::Service::Search), keyword, 1)
             : sources::JsonApiAddress(simulator.HostPort(sim::Service::Api), keyword, 1,
                                       sources::SearchTimestamp());
    std::vector<double> flow;
    std::vector<double> fetch;
    for (int run = 0; run < runs + 3; ++run) {
        const auto start = Clock::now();
        const int before = listed;
        flows.Search().StartSearch();
        if (!WaitFor([&] { return listed > before; }, std::chrono::seconds(10))) {
            std::printf("%s: search did not end\n", name);
            return;
        }
        const double flowMs = Ms(Clock::now() - start);
        const auto fetchStart = Clock::now();
        const std::string page = lumo::net::HttpRequest(address);
        const double fetchMs = Ms(Clock::now() - fetchStart);
        if (run >= 3) {  // the first runs warm the connections and caches up
            flow.push_back(flowMs);
            fetch.push_back(fetchMs);
        }
        if (page.empty()) std::printf("%s: bare fetch failed\n", name);
    }
    QObject::disconnect(connection);
    const Spread f = SpreadOf(flow);
    const Spread p = SpreadOf(fetch);
    std::printf("%-26s rows %2d  StartSearch->listed median %6.2f ms (p90 %6.2f)  bare fetch median %6.2f ms  "
                "ratio %.2f\n",
                name, rows, f.median, f.p90, p.median, p.median > 0 ? f.median / p.median : 0.0);
}

// 200 results in the simulator's markup.
std::string SitePage(const sim::Catalogue& catalogue) {
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body>\n";
    for (int i = 0; i < 200; ++i) {
        const auto& entry = catalogue.entries()[static_cast<size_t>(i) % catalogue.entries().size()];
        html += "<div class=\"search-item\">\n<div class=\"item-title\"><h3><a href=\"/torrent/" + entry.infoHash +
                ".html\" target=\"_blank\">" + entry.title + " <em>Birds</em></a></h3></div>\n"
                "<div class=\"item-list\"><ul>\n<li>" + entry.title + ".mp4 <span>" +
                sim::SizeText(entry.TotalSize()) + "</span></li>\n</ul></div>\n"
                "<div class=\"item-bar\"><span>创建时间：<b>" + entry.day +
                "</b></span> <span>文件大小：<b class=\"cpill yellow-pill\">" + sim::SizeText(entry.TotalSize()) +
                "</b></span> <span>下载热度：<b>" + std::to_string(entry.heat) +
                "</b></span> <a href=\"magnet:?xt=urn:btih:" + entry.infoHash + "\">磁力链接</a></div>\n</div>\n";
    }
    return html + "</body></html>\n";
}

std::string JsonEscaped(const std::string& utf8) {
    // \u escapes for everything outside ASCII, as the interface writes them.
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        unsigned code = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (int k = 1; k < length && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", code & 0xFFFF);
        out += buffer;
        i += length;
    }
    return out;
}

std::string JsonAnswer(const sim::Catalogue& catalogue) {
    std::string json = "{\"status\":1,\"msg\":\"\",\"total\":200,\"page\":1,\"pagesize\":200,\"data\":[";
    for (int i = 0; i < 200; ++i) {
        const auto& entry = catalogue.entries()[static_cast<size_t>(i) % catalogue.entries().size()];
        if (i > 0) json += ',';
        json += "{\"hash\":\"" + entry.infoHash + "\",\"title\":\"" + JsonEscaped(entry.title) + "\",\"size\":\"" +
                sim::SizeText(entry.TotalSize()) + "\",\"day\":\"" + entry.day + "\",\"hot\":\"" +
                std::to_string(entry.heat) + "\",\"files\":\"" + std::to_string(entry.files.size()) + "\"}";
    }
    return json + "]}";
}

// The peer: the same fields pulled out with find() alone.
size_t ScanBetween(std::string_view text, std::string_view left, std::string_view right, std::vector<std::string>& out) {
    size_t at = 0;
    while ((at = text.find(left, at)) != std::string_view::npos) {
        at += left.size();
        const size_t end = text.find(right, at);
        if (end == std::string_view::npos) break;
        out.emplace_back(text.substr(at, end - at));
        at = end + right.size();
    }
    return out.size();
}

size_t ScanSite(std::string_view page) {
    std::vector<std::string> keys, titles, sizes;
    ScanBetween(page, "href=\"/torrent/", ".html\"", keys);
    ScanBetween(page, "target=\"_blank\">", "</a>", titles);
    ScanBetween(page, "文件大小：<b class=\"cpill yellow-pill\">", "</b>", sizes);
    return keys.size() + titles.size() + sizes.size();
}

size_t ScanJson(std::string_view decoded) {
    std::vector<std::string> hashes, titles, sizes;
    ScanBetween(decoded, "{\"hash\":\"", "\"", hashes);
    ScanBetween(decoded, "\"title\":\"", "\",\"size\"", titles);
    ScanBetween(decoded, "\"size\":\"", "\"", sizes);
    return hashes.size() + titles.size() + sizes.size();
}

template <typename Work>
double MicrosPerCall(int calls, Work work) {
    size_t sink = 0;
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) sink += work();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
    if (sink == 1) std::printf(" ");
    return us;
}

void ParsingCost(const sim::Catalogue& catalogue) {
    const int calls = 200;
    const std::string site = SitePage(catalogue);
    const std::string json = JsonAnswer(catalogue);
    const std::string decoded = lumo::text::ScriptUnescape(json);

    const size_t siteRows = sources::ParseTorrentSitePage(site).rows.size();
    const double siteMatch = MicrosPerCall(calls, [&] { return sources::ParseTorrentSitePage(site).rows.size(); });
    const double siteScan = MicrosPerCall(calls, [&] { return ScanSite(site); });
    std::printf("%-26s %zu KB, %zu rows  matcher %8.1f us  find() scan %7.1f us  ratio %.1f\n",
                "parse site page (200)", site.size() / 1024, siteRows, siteMatch, siteScan, siteMatch / siteScan);

    const size_t jsonRows = sources::ParseJsonSearchAnswer(decoded).rows.size();
    const double unescape = MicrosPerCall(calls, [&] { return lumo::text::ScriptUnescape(json).size(); });
    const double jsonMatch = MicrosPerCall(calls, [&] { return sources::ParseJsonSearchAnswer(decoded).rows.size(); });
    const double jsonScan = MicrosPerCall(calls, [&] { return ScanJson(decoded); });
    std::printf("%-26s %zu KB, %zu rows  matcher %8.1f us  find() scan %7.1f us  ratio %.1f  (+ unescape %.1f us)\n",
                "parse JSON answer (200)", json.size() / 1024, jsonRows, jsonMatch, jsonScan, jsonMatch / jsonScan,
                unescape);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "lumo-sources-bench";
    std::filesystem::create_directories(home);
    setenv("LUMO_HOME", home.c_str(), 1);
    QCoreApplication app(argc, argv);

    sim::SimOptions options;
    options.servicesFile = std::filesystem::path();
    sim::Simulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    {
        lumo::flow::AppState state;
        // No file-list address: the checks the listing starts end at once
        // without touching the simulator, so they do not disturb the timing.
        lumo::remote::ServiceHosts hosts = lumo::remote::ServiceHosts::Defaults();
        hosts.ApplyText(simulator.ServicesFileText());
        resolve::ResolveEndpoints endpoints(state, hosts);
        resolve::AvailabilityChecker checker(endpoints);
        BenchUi ui;
        sources::Sources flows(state, ui, checker, hosts);

        const int runs = 40;
        std::printf("search latency against the simulator, %d runs each:\n", runs);
        SearchLatency(simulator, flows, ui, sources::kTorrentSiteItem, "engine 2 (torrent site)", runs);
        SearchLatency(simulator, flows, ui, sources::kJsonEngineItem, "engine 1 (JSON interface)", runs);
        ui.Rows().Clear();
        lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(10));
    }

    std::printf("parsing cost of one 200-result page:\n");
    ParsingCost(simulator.catalogue());
    simulator.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
