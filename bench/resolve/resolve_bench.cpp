// Figures of the resolution against the in-process service simulator:
//
// 1. A 50-row search list until every row has its final state. The starts
//    are 100 ms apart, so about 5 s is expected; printed: the time, the
//    overhead beyond 50 x 100 ms, and that overhead against one check run
//    alone (the peer).
// 2. While those checks run: the longest time the GUI thread spent in one
//    event (goal: under 5 ms), against the median event.
// 3. Resolve latency from StartResolve to the engine's open call with the
//    file on host line 1 and on line 9, against one bare length probe.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "net/content_probe.h"
#include "net/cookie_jar.h"
#include "net/cookie_store.h"
#include "resolve/availability_check.h"
#include "resolve/resolution.h"
#include "resolve/ui_names.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumo::flow::AvailabilityState;
using lumo::flow::ListModel;
namespace resolve = lumo::resolve;
namespace sim = lumo::sim;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times every event the GUI thread delivers (outermost deliveries only, so
// an event sent from inside another counts once).
class TimingApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QCoreApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const auto start = Clock::now();
        const bool handled = QCoreApplication::notify(receiver, event);
        const double ms = Ms(Clock::now() - start);
        --depth_;
        if (recording) {
            times.push_back(ms);
            if (ms > longest) {
                longest = ms;
                longestType = event->type();
            }
        }
        return handled;
    }

    void StartRecording() {
        times.clear();
        longest = 0;
        recording = true;
    }

    bool recording = false;
    std::vector<double> times;
    double longest = 0;
    int longestType = 0;

private:
    int depth_ = 0;
};

class BenchUi : public lumo::flow::FlowUi {
public:
    BenchUi() {
        lists_[resolve::kSearchList] = std::make_unique<ListModel>(resolve::kSearchList, resolve::kSearchColumns);
        lists_[resolve::kPlayQueueList] =
            std::make_unique<ListModel>(resolve::kPlayQueueList, resolve::kPlayQueueColumns);
    }
    ListModel* List(const std::string& name) override {
        auto it = lists_.find(name);
        return it == lists_.end() ? nullptr : it->second.get();
    }
    std::string Text(const std::string& control) override { return texts_[control]; }
    void SetText(const std::string& control, const std::string& text) override { texts_[control] = text; }
    void SetVisible(const std::string&, bool) override {}
    void SetImage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&, bool) override { return false; }
    void Inform(const std::string& text, const std::string&, bool) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void ShowWindow(lumo::flow::WindowCode) override {}
    void CloseWindow(lumo::flow::WindowCode) override {}
    bool IsWindowLoaded(lumo::flow::WindowCode) override { return true; }
    int CurrentPage(const std::string&) override { return 0; }
    void SetCurrentPage(const std::string&, int) override {}
    void OpenInBrowser(const std::string&) override {}
    void SetClipboardText(const std::string&) override {}
    void EndProgram() override {}

private:
    std::map<std::string, std::unique_ptr<ListModel>> lists_;
    std::map<std::string, std::string> texts_;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds timeout) {
    const auto end = Clock::now() + timeout;
    QEventLoop loop;
    QTimer poll;
    bool met = done();
    if (met) return true;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        } else if (Clock::now() > end) {
            loop.quit();
        }
    });
    poll.start(1);
    loop.exec();
    return met;
}

bool AllFinal(const ListModel& list) {
    for (int row = 0; row < list.RowCount(); ++row) {
        const auto state = list.State(row);
        if (!state || *state == AvailabilityState::Checking) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "lumo-resolve-bench";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    ::setenv("LUMO_HOME", home.c_str(), 1);
    TimingApplication app(argc, argv);
    lumo::net::CookieJar::Open((home / "cookies.txt").string());

    sim::SimOptions options;
    options.servicesFile = std::filesystem::path();
    options.threadsPerService = 16;
    sim::Simulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const sim::Catalogue& catalogue = simulator.catalogue();

    lumo::flow::AppState state;
    state.SetRemoteAddress(resolve::ResolveEndpoints::kFileListKey, simulator.FileListPrefix());
    BenchUi ui;
    lumo::remote::ServiceHosts hosts = lumo::remote::ServiceHosts::Defaults();
    hosts.ApplyText(simulator.ServicesFileText());
    resolve::Resolution resolution(state, ui, hosts);

    // Peer of the list figure: one check alone, on this thread.
    std::vector<double> single;
    for (int i = 0; i < 10; ++i) {
        const auto& entry = catalogue.entries()[static_cast<size_t>(i)];
        resolve::CheckReport report;
        report.writeCell = [](int, std::string) {};
        report.setState = [](AvailabilityState) {};
        const auto start = Clock::now();
        resolve::AvailabilityCheck(resolve::CheckedList::Search, entry.infoHash,
                                   resolution.Endpoints().ForChecks(), report);
        single.push_back(Ms(Clock::now() - start));
    }

    // 1 and 2: fifty rows of every kind.
    constexpr int kRows = 50;
    ListModel& list = *ui.List(resolve::kSearchList);
    for (int i = 0; i < kRows; ++i) {
        const auto& entry = catalogue.entries()[static_cast<size_t>(i)];
        std::vector<std::string> cells(resolve::kSearchColumns);
        cells[2] = entry.title;
        cells[4] = entry.infoHash;
        list.AppendRow(cells);
    }
    app.StartRecording();
    const auto listStart = Clock::now();
    resolution.Checker().StartAvailabilityChecks(list, resolve::CheckedList::Search);
    const bool finished = WaitUntil([&] { return AllFinal(list); }, std::chrono::seconds(60));
    const double listMs = Ms(Clock::now() - listStart);
    app.recording = false;
    std::map<AvailabilityState, int> states;
    for (int row = 0; row < kRows; ++row) ++states[*list.State(row)];

    const double overhead = listMs - kRows * 100.0;
    std::printf("availability checks, %d search rows (%d playable, %d not, %d several)%s\n", kRows,
                states[AvailabilityState::Playable], states[AvailabilityState::NotPlayable],
                states[AvailabilityState::SeveralFiles], finished ? "" : " -- DID NOT FINISH");
    std::printf("  every row final after     %8.1f ms\n", listMs);
    std::printf("  overhead beyond 50x100 ms %8.1f ms\n", overhead);
    // The last start is due at 49 x 100 ms; what follows it is that row's
    // own check plus the cost of carrying results to the GUI thread.
    const double afterLastStart = listMs - (kRows - 1) * 100.0;
    std::printf("  beyond the last start     %8.1f ms   (due at %d ms)\n", afterLastStart, (kRows - 1) * 100);
    std::printf("  one check alone (median)  %8.2f ms   beyond last start / one check = %.2f\n", Median(single),
                afterLastStart / std::max(Median(single), 0.001));
    std::vector<double> sorted = app.times;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : sorted) total += t;
    const double p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
    std::printf("GUI thread while the checks ran: %zu events, busy %.1f ms of %.1f ms (%.2f%%)\n", sorted.size(),
                total, listMs, 100.0 * total / std::max(listMs, 0.001));
    std::printf("  longest event             %8.3f ms (event type %d; goal < 5 ms, ratio to goal %.3f)\n",
                app.longest, app.longestType, app.longest / 5.0);
    std::printf("  99th percentile event     %8.3f ms\n", p99);

    // 3: resolve latency. The files are in the queue already, so the end of
    // a resolve is the open call plus a mark move, with no history write.
    lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    struct Case {
        const char* name;
        const sim::CatalogueEntry* entry;
    };
    const Case cases[] = {{"line 1", catalogue.EntryById(1)}, {"line 9", catalogue.EntryById(3)}};
    ListModel& queue = *ui.List(resolve::kPlayQueueList);
    for (const Case& c : cases) {
        const auto& file = c.entry->files.front();
        queue.AppendRow({"", "", c.entry->title, std::to_string(file.size), file.sha1, c.entry->infoHash});
    }
    std::map<std::string, double> medians;
    for (const Case& c : cases) {
        const auto& file = c.entry->files.front();
        std::vector<double> samples;
        for (int i = 0; i < 20; ++i) {
            state.currentSha1 = file.sha1;
            state.currentSize = std::to_string(file.size);
            state.currentTitle = c.entry->title;
            state.currentInfoHash = c.entry->infoHash;
            bool opened = false;
            auto connection = QObject::connect(&resolution.Resolve(), &resolve::Resolver::ResolveEnded,
                                               [&](resolve::ResolveEnd end) { opened = end == resolve::ResolveEnd::Found; });
            const auto start = Clock::now();
            resolution.Resolve().StartResolve();
            WaitUntil([&] { return !resolution.Resolve().Resolving(); }, std::chrono::seconds(30));
            const double ms = Ms(Clock::now() - start);
            QObject::disconnect(connection);
            if (!opened) std::fprintf(stderr, "resolve on %s did not open\n", c.name);
            samples.push_back(ms);
        }
        medians[c.name] = Median(samples);
    }
    std::vector<double> probes;
    const std::string probeUrl = simulator.DownloadAddress(*catalogue.MediaOf(catalogue.EntryById(1)->files.front()), 1);
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        lumo::net::ProbeContentLength(probeUrl);
        probes.push_back(Ms(Clock::now() - start));
    }
    std::printf("resolve latency, StartResolve to the engine's open call (median of 20)\n");
    std::printf("  host on line 1            %8.2f ms\n", medians["line 1"]);
    std::printf("  host on line 9            %8.2f ms   line 9 / line 1 = %.2f\n", medians["line 9"],
                medians["line 9"] / std::max(medians["line 1"], 0.001));
    std::printf("  one bare length probe     %8.2f ms   (line 9 - line 1) / 8 probes = %.2f ms\n", Median(probes),
                (medians["line 9"] - medians["line 1"]) / 8);

    lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    simulator.Stop();
    std::filesystem::remove_all(home);
    return finished ? 0 : 1;
}
