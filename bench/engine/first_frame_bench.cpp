// Time to first frame of a loopback HTTP address: APlayer_OpenA until the
// engine reports playing, against bare libmpv's loadfile until its first
// playback restart. As in Lumo, a player opens film after film: in each round
// the engine without a copy, bare libmpv and the engine with cache while
// watching are made once and take turns on the same server, each closing its
// film before the next turn. Prints the three medians and the ratios.
#include <httplib.h>
#include <mpv/client.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_api.h"

namespace {

using Clock = std::chrono::steady_clock;
// A player keeps its luck (where its threads and memory land) for all its
// films, so the runs are spread over fresh players in rounds.
constexpr int kRounds = 8;
constexpr int kRunsPerRound = 10;

std::mutex stateMutex;
std::condition_variable stateChanged;
int32_t engineState = ENGINE_STATE_READY;

void OnState(int32_t, int32_t to) {
    std::lock_guard<std::mutex> lock(stateMutex);
    engineState = to;
    stateChanged.notify_all();
}

bool WaitForState(int32_t wanted) {
    std::unique_lock<std::mutex> lock(stateMutex);
    return stateChanged.wait_for(lock, std::chrono::seconds(30), [&] { return engineState == wanted; });
}

// One engine plays at a time, so the state callback needs no handle.
struct EnginePlayer {
    EngineHandle engine = APlayer_Create(0, 0, 0, 852, 512, nullptr, &OnState, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr);
    ~EnginePlayer() {
        if (engine) APlayer_Destroy(engine);
    }

    // Milliseconds from APlayer_OpenA to state 5, or -1 on failure.
    double Run(const std::string& url, const std::string& cachePath) {
        if (!engine) return -1;
        if (!cachePath.empty()) APlayer_SetConfigA(engine, 2201, cachePath.c_str());
        auto start = Clock::now();
        APlayer_OpenA(engine, url.c_str());
        bool ok = WaitForState(ENGINE_STATE_PLAYING);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        APlayer_Close(engine);
        return WaitForState(ENGINE_STATE_READY) && ok ? ms : -1;
    }
};

struct BarePlayer {
    mpv_handle* mpv = nullptr;

    BarePlayer() {
        std::setlocale(LC_NUMERIC, "C");
        mpv = mpv_create();
        if (!mpv) return;
        for (auto [name, value] : {std::pair{"vo", "null"}, {"ao", "null"}, {"config", "no"}, {"terminal", "no"},
                                   {"load-scripts", "no"}, {"idle", "yes"}})
            mpv_set_option_string(mpv, name, value);
        if (mpv_initialize(mpv) < 0) {
            mpv_terminate_destroy(mpv);
            mpv = nullptr;
        }
    }
    ~BarePlayer() {
        if (mpv) mpv_terminate_destroy(mpv);
    }

    // Waits for `id`; false on a deadline or on the end of the file first.
    bool WaitFor(mpv_event_id id, Clock::time_point deadline) {
        while (Clock::now() < deadline) {
            mpv_event* event = mpv_wait_event(mpv, 1.0);
            if (event->event_id == id) return true;
            if (event->event_id == MPV_EVENT_END_FILE && id != MPV_EVENT_IDLE) return false;
        }
        return false;
    }

    // Milliseconds from loadfile to the first MPV_EVENT_PLAYBACK_RESTART, or -1.
    double Run(const std::string& url) {
        if (!mpv) return -1;
        const char* load[] = {"loadfile", url.c_str(), nullptr};
        auto start = Clock::now();
        mpv_command_async(mpv, 0, load);
        bool ok = WaitFor(MPV_EVENT_PLAYBACK_RESTART, start + std::chrono::seconds(30));
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const char* stop[] = {"stop", nullptr};
        mpv_command_async(mpv, 0, stop);
        return WaitFor(MPV_EVENT_IDLE, Clock::now() + std::chrono::seconds(30)) && ok ? ms : -1;
    }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main() {
    ::setenv("LUMO_ENGINE_VO", "null", 1);
    ::setenv("LUMO_ENGINE_AO", "null", 1);
    std::ifstream in(LUMO_BENCH_MEDIA, std::ios::binary);
    std::string body((std::istreambuf_iterator<char>(in)), {});
    if (body.empty()) {
        std::fprintf(stderr, "missing media %s\n", LUMO_BENCH_MEDIA);
        return 1;
    }
    httplib::Server server;
    server.Get("/film.mp4", [&](const httplib::Request& request, httplib::Response& response) {
        // cpp-httplib 0.11 does not cut a range at the end of the body itself.
        for (auto& range : const_cast<httplib::Request&>(request).ranges)
            if (range.second >= static_cast<ssize_t>(body.size())) range.second = static_cast<ssize_t>(body.size()) - 1;
        response.set_content_provider(body.size(), "video/mp4", [&](size_t offset, size_t length, httplib::DataSink& sink) {
            return sink.write(body.data() + offset, std::min<size_t>(length, 64 * 1024));
        });
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/film.mp4";
    std::string cachePath = (std::filesystem::temp_directory_path() / "lumo-bench-first-frame").string();

    std::vector<double> engine, direct, cached;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round) {
        EnginePlayer plain, caching;
        BarePlayer bare;
        // One untimed run of each warms the file cache and the player.
        plain.Run(url, std::string());
        bare.Run(url);
        caching.Run(url, cachePath);
        for (int i = 0; i < kRunsPerRound && !failed; ++i) {
            double a = plain.Run(url, std::string());
            double b = bare.Run(url);
            double c = caching.Run(url, cachePath);
            if (a < 0 || b < 0 || c < 0) {
                std::fprintf(stderr, "round %d run %d failed (engine %.1f, bare %.1f, cached %.1f)\n", round, i, a,
                             b, c);
                failed = true;
            }
            engine.push_back(a);
            direct.push_back(b);
            cached.push_back(c);
        }
    }
    std::filesystem::remove(cachePath);
    server.stop();
    serverThread.join();
    if (failed) return 1;

    double e = Median(engine), b = Median(direct), c = Median(cached);
    std::printf("time to first frame over loopback HTTP, %d runs each in %d rounds (%zu bytes)\n", kRounds * kRunsPerRound,
                kRounds, body.size());
    std::printf("  bare libmpv loadfile -> playback restart: median %8.2f ms\n", b);
    std::printf("  engine APlayer_OpenA -> state 5:          median %8.2f ms  ratio %.3f (goal <= 1.1)\n", e, e / b);
    std::printf("  engine with cache while watching:         median %8.2f ms  ratio %.3f\n", c, c / b);
    std::printf("  cache while watching / without:           ratio %.3f (goal <= 1.05: %s)\n", c / e,
                c / e <= 1.05 ? "met" : "not met");
    return 0;
}
