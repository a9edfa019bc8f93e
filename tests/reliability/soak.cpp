// The soak: Lumo's main road, over and over, for half an hour (--minutes),
// against the in-process simulator with the real engine (no video or sound
// device): a torrent search, the availability checks of its rows, the
// resolve of a playable row, the film playing (every other time through
// the engine's local copy, "cache while watching"), and stop. After a warm-up
// and then every minute it samples the resident memory, the threads and
// the open files, and it ends non-zero when the memory grew by 20 MB or
// more, when threads or open files grew at all, or when a cycle failed.
//
//   build/bin/reliability_soak [--minutes 30] [--warmup 60]
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flow/app_state.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "net/cookie_jar.h"
#include "playback/playback_controller.h"
#include "playback/player_options.h"
#include "player/engine_events.h"
#include "player/player_engine.h"
#include "reliability/process_figures.h"
#include "reliability/quiet_ui.h"
#include "remote/service_hosts.h"
#include "resolve/resolution.h"
#include "resolve/ui_names.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"
#include "sources/search_controller.h"
#include "sources/source_names.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace flow = lumo::flow;
namespace reliability = lumo::reliability;
namespace resolve = lumo::resolve;
namespace sim = lumo::sim;

constexpr long kRssGoalKb = 20 * 1024;

struct Options {
    double minutes = 30;
    double warmupSeconds = 60;
};

std::optional<Options> ReadOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--minutes" && hasValue) {
            options.minutes = std::atof(argv[++i]);
        } else if (arg == "--warmup" && hasValue) {
            options.warmupSeconds = std::atof(argv[++i]);
        } else {
            return std::nullopt;
        }
    }
    if (options.minutes <= 0 || options.warmupSeconds < 0) return std::nullopt;
    return options;
}

// Handles events until `done` holds; false when `timeout` ran out first.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done()) return true;
    const auto end = Clock::now() + timeout;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || Clock::now() >= end) loop.quit();
    });
    poll.start(10);
    loop.exec();
    return done();
}

void RunEventsFor(std::chrono::milliseconds span) {
    const auto until = Clock::now() + span;
    WaitFor([&] { return Clock::now() >= until; }, span + 1s);
}

struct Sample {
    double minute = 0;  // since the end of the warm-up
    int cycles = 0;
    long rssKb = 0;
    long anonKb = 0;  // of which not backed by a file
    int threads = 0;
    int files = 0;
};

// Taken between two cycles, once the workers of the last one have ended.
Sample Take(double minute, int cycles) {
    flow::WorkerThreads::WaitIdle(10s);
    RunEventsFor(200ms);  // finished QThreads delete themselves from here
    return {minute, cycles, reliability::ResidentKilobytes(), reliability::StatusKilobytes("RssAnon"),
            reliability::ThreadCount(), reliability::OpenFileCount()};
}

void Print(const char* label, const Sample& s) {
    std::printf("%-8s %6.1f min  cycles %5d  RSS %7.1f MB (anonymous %7.1f MB)  threads %3d  open files %3d\n",
                label, s.minute, s.cycles, s.rssKb / 1024.0, s.anonKb / 1024.0, s.threads, s.files);
    std::fflush(stdout);
}

// Search words whose first result page holds a film the hosts serve.
std::vector<std::string> Keywords(const sim::Catalogue& catalogue) {
    std::vector<std::string> words;
    for (const auto& entry : catalogue.entries()) {
        if (entry.kind != sim::EntryKind::Playable) continue;
        const std::string& title = entry.title;
        for (size_t start = 0; start < title.size() && words.size() < 6;) {
            size_t end = start;
            while (end < title.size() && std::isalpha(static_cast<unsigned char>(title[end]))) ++end;
            const std::string word = title.substr(start, end - start);
            start = end + 1;
            if (word.size() < 4 || std::find(words.begin(), words.end(), word) != words.end()) continue;
            const auto found = catalogue.Search(word);
            for (size_t i = 0; i < found.size() && i < 10; ++i) {
                if (found[i]->kind == sim::EntryKind::Playable) {
                    words.push_back(word);
                    break;
                }
            }
        }
    }
    return words;
}

// One road from the search box to a stopped film; the reason when it failed.
class Cycle {
public:
    Cycle(flow::AppState& state, reliability::QuietUi& ui, resolve::Resolution& resolution,
          lumo::sources::SearchController& search, lumo::playback::PlaybackController& controller,
          const sim::Catalogue& catalogue)
        : state_(state), ui_(ui), resolution_(resolution), search_(search), controller_(controller),
          catalogue_(catalogue) {
        QObject::connect(&search_, &lumo::sources::SearchController::SearchListed, &guard_,
                         [this](int rows) { listedRows_ = rows; });
        QObject::connect(&resolution_.Resolve(), &resolve::Resolver::ResolveEnded, &guard_,
                         [this](resolve::ResolveEnd end) { end_ = end; });
    }

    std::string Run(const std::string& keyword, bool json, bool cache) {
        flow::ListModel& results = ui_.Rows(resolve::kSearchList);
        ui_.SetChecked(resolve::kCacheCheckBox, cache);
        listedRows_.reset();
        ui_.texts[lumo::sources::kEngineChoice] = json ? lumo::sources::kJsonEngineItem
                                                       : lumo::sources::kTorrentSiteItem;
        ui_.texts[lumo::sources::kSearchBox] = keyword;
        search_.StartSearch();
        if (!WaitFor([&] { return listedRows_.has_value(); }, 30s)) return "the search did not list";
        if (*listedRows_ == 0) return "the search for " + keyword + " found nothing";
        const bool checked = WaitFor(
            [&] { return resolution_.Checker().PendingChecks(results) == 0 && AllChecked(results); }, 60s);
        if (!checked) return "the checks did not end";

        int row = -1;
        for (int r = 0; r < results.RowCount() && row < 0; ++r) {
            const sim::CatalogueEntry* entry = catalogue_.FindByInfoHash(results.Cell(r, 4));
            if (entry != nullptr && entry->kind == sim::EntryKind::Playable &&
                results.State(r) == flow::AvailabilityState::Playable)
                row = r;
        }
        if (row < 0) return "no playable row for " + keyword;
        results.SetSelectedRow(row);
        end_.reset();
        resolution_.Flows().PlayFromList(resolve::PlayFlows::TorrentList::Search, 2);
        if (!WaitFor([&] { return end_.has_value(); }, 60s)) return "the resolve did not end";
        if (*end_ != resolve::ResolveEnd::Found) return "the resolve found no host";

        lumo::player::PlayerEngine& engine = state_.player;
        if (!WaitFor([&] { return engine.GetState() == lumo::player::kStatePlaying; }, 30s))
            return "the film did not play (state " + std::to_string(engine.GetState()) + ")";
        RunEventsFor(1s);
        controller_.Stop();
        if (!WaitFor([&] { return !lumo::player::IsMediaOpen(engine.GetState()); }, 30s))
            return "the film did not stop";
        return {};
    }

private:
    static bool AllChecked(const flow::ListModel& list) {
        for (int row = 0; row < list.RowCount(); ++row) {
            const auto state = list.State(row);
            if (!state || *state == flow::AvailabilityState::Checking) return false;
        }
        return true;
    }

    flow::AppState& state_;
    reliability::QuietUi& ui_;
    resolve::Resolution& resolution_;
    lumo::sources::SearchController& search_;
    lumo::playback::PlaybackController& controller_;
    const sim::Catalogue& catalogue_;
    QObject guard_;
    std::optional<int> listedRows_;
    std::optional<resolve::ResolveEnd> end_;
};

int Soak(const Options& options) {
    char pattern[] = "/tmp/lumo-soak-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 2;
    const std::filesystem::path home = pattern;
    ::setenv("LUMO_HOME", pattern, 1);
    lumo::net::CookieJar::Open((home / "cookies.txt").string());

    sim::SimOptions simOptions;
    simOptions.servicesFile = std::filesystem::path();
    sim::Simulator simulator(simOptions);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "soak: the simulator did not start: %s\n", error.c_str());
        return 2;
    }
    lumo::remote::ServiceHosts hosts = lumo::remote::ServiceHosts::Defaults();
    hosts.ApplyText(simulator.ServicesFileText());

    int code = 0;
    {
        flow::AppState state;
        state.SetRemoteAddress(resolve::ResolveEndpoints::kFileListKey, simulator.FileListPrefix());
        reliability::QuietUi ui;
        resolve::Resolution resolution(state, ui, hosts);
        lumo::sources::SearchController search(ui, resolution.Checker(), hosts);

        lumo::player::PlayerEngine& engine = state.player;
        if (!engine.LoadLibrary(LUMO_ENGINE_PATH)) {
            std::fprintf(stderr, "soak: cannot load %s\n", LUMO_ENGINE_PATH);
            return 2;
        }
        lumo::player::EngineEvents events;
        if (engine.Create(0, 0, 0, 852, 512, lumo::player::EngineEvents::Callbacks()) == 0) {
            std::fprintf(stderr, "soak: the engine did not start\n");
            return 2;
        }
        lumo::playback::PlayerOptions playerOptions(state, ui);
        lumo::playback::PlaybackController controller(state, ui, playerOptions);
        QObject::connect(&events, &lumo::player::EngineEvents::stateChanged, &controller,
                         [&](int, int newState) { controller.OnStateChanged(newState); });
        QObject::connect(&events, &lumo::player::EngineEvents::buffer, &controller,
                         [&](int percent) { controller.OnBuffer(percent); });

        const std::vector<std::string> keywords = Keywords(simulator.catalogue());
        if (keywords.empty()) {
            std::fprintf(stderr, "soak: no search word finds a playable film\n");
            return 2;
        }
        Cycle cycle(state, ui, resolution, search, controller, simulator.catalogue());

        std::printf("soak: %.1f min after a warm-up of %.0f s; search words:", options.minutes,
                    options.warmupSeconds);
        for (const auto& word : keywords) std::printf(" %s", word.c_str());
        std::printf("\n");

        int cycles = 0;
        int failures = 0;
        // Two cycles at a time, the second through the local copy: the
        // engine keeps the last copy's files open until the next film, so
        // samples are taken at the same point of the pair.
        auto runPair = [&] {
            for (const bool cache : {false, true}) {
                const std::string keyword = keywords[static_cast<size_t>(cycles) % keywords.size()];
                const std::string problem = cycle.Run(keyword, cycles % 3 == 2, cache);
                ++cycles;
                if (!problem.empty()) {
                    ++failures;
                    std::printf("cycle %d failed: %s\n", cycles, problem.c_str());
                }
            }
        };

        const auto start = Clock::now();
        const auto warmupEnd = start + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(options.warmupSeconds));
        while (Clock::now() < warmupEnd || cycles == 0) runPair();
        std::vector<Sample> samples{Take(0, cycles)};
        Print("warm-up", samples.back());

        const auto measuredFrom = Clock::now();
        const auto measuredEnd = measuredFrom + std::chrono::duration_cast<Clock::duration>(
                                                    std::chrono::duration<double>(options.minutes * 60));
        int minute = 1;
        while (Clock::now() < measuredEnd) {
            runPair();
            const double elapsed = std::chrono::duration<double>(Clock::now() - measuredFrom).count() / 60;
            if (elapsed >= minute && Clock::now() < measuredEnd) {
                samples.push_back(Take(elapsed, cycles));
                Print("minute", samples.back());
                ++minute;
            }
        }
        const double total = std::chrono::duration<double>(Clock::now() - measuredFrom).count() / 60;
        samples.push_back(Take(total, cycles));
        Print("end", samples.back());

        const Sample& first = samples.front();
        const Sample& last = samples.back();
        long peak = 0;
        for (const Sample& s : samples) peak = std::max(peak, s.rssKb);
        const long growth = last.rssKb - first.rssKb;
        std::printf(
            "soak: %d cycles (%d in the measured %.1f min), %d failed; RSS %.1f -> %.1f MB (growth %+.1f MB, "
            "peak %.1f MB, goal < 20 MB); threads %d -> %d; open files %d -> %d\n",
            cycles, cycles - first.cycles, total, failures, first.rssKb / 1024.0, last.rssKb / 1024.0,
            growth / 1024.0, peak / 1024.0, first.threads, last.threads, first.files, last.files);

        if (growth >= kRssGoalKb) {
            std::printf("soak: FAIL resident memory grew by %.1f MB\n", growth / 1024.0);
            code = 1;
        }
        if (last.threads > first.threads) {
            std::printf("soak: FAIL threads grew from %d to %d\n", first.threads, last.threads);
            code = 1;
        }
        if (last.files > first.files) {
            std::printf("soak: FAIL open files grew from %d to %d\n", first.files, last.files);
            code = 1;
        }
        if (failures > 0) {
            std::printf("soak: FAIL %d of %d cycles failed\n", failures, cycles);
            code = 1;
        }
        if (code == 0) std::printf("soak: every goal met\n");
        engine.Close();
        engine.Destroy();
    }
    flow::WorkerThreads::WaitIdle(30s);
    simulator.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ReadOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: %s [--minutes 30] [--warmup 60]\n", argv[0]);
        return 2;
    }
    // The real engine, with no video or sound device.
    ::setenv("LUMO_ENGINE_VO", "null", 1);
    ::setenv("LUMO_ENGINE_AO", "null", 1);
    QCoreApplication app(argc, argv);
    return Soak(*options);
}
