// Time to first frame of a loopback HTTP address: APlayer_OpenA until the
// engine reports playing, against bare libmpv's loadfile until its first
// playback restart. Both run alternately in the same process on the same
// server; each run uses a fresh player. Prints both medians and the ratio.
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
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_api.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 60;  // the medians move by a few ms between runs of 20

std::mutex playingMutex;
std::condition_variable playingChanged;
bool playing = false;

void OnState(int32_t, int32_t to) {
    if (to != ENGINE_STATE_PLAYING) return;
    std::lock_guard<std::mutex> lock(playingMutex);
    playing = true;
    playingChanged.notify_all();
}

// Milliseconds from APlayer_OpenA to state 5, or -1 on failure.
double EngineRun(const std::string& url, const std::string& cachePath) {
    EngineHandle engine = APlayer_Create(0, 0, 0, 852, 512, nullptr, &OnState, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr);
    if (!engine) return -1;
    {
        std::lock_guard<std::mutex> lock(playingMutex);
        playing = false;
    }
    if (!cachePath.empty()) APlayer_SetConfigA(engine, 2201, cachePath.c_str());
    auto start = Clock::now();
    APlayer_OpenA(engine, url.c_str());
    bool ok;
    {
        std::unique_lock<std::mutex> lock(playingMutex);
        ok = playingChanged.wait_for(lock, std::chrono::seconds(30), [] { return playing; });
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    APlayer_Destroy(engine);
    return ok ? ms : -1;
}

// Milliseconds from loadfile to the first MPV_EVENT_PLAYBACK_RESTART, or -1.
double BareRun(const std::string& url) {
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    if (!mpv) return -1;
    for (auto [name, value] : {std::pair{"vo", "null"}, {"ao", "null"}, {"config", "no"}, {"terminal", "no"},
                               {"load-scripts", "no"}, {"idle", "yes"}})
        mpv_set_option_string(mpv, name, value);
    if (mpv_initialize(mpv) < 0) {
        mpv_terminate_destroy(mpv);
        return -1;
    }
    const char* command[] = {"loadfile", url.c_str(), nullptr};
    auto start = Clock::now();
    mpv_command_async(mpv, 0, command);
    double ms = -1;
    auto deadline = start + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        mpv_event* event = mpv_wait_event(mpv, 1.0);
        if (event->event_id == MPV_EVENT_PLAYBACK_RESTART) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        if (event->event_id == MPV_EVENT_END_FILE) break;
    }
    mpv_terminate_destroy(mpv);
    return ms;
}

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

    // One untimed run of each warms the file cache and the libraries.
    EngineRun(url, std::string());
    BareRun(url);
    std::vector<double> engine, bare, cached;
    bool failed = false;
    for (int i = 0; i < kRuns && !failed; ++i) {
        double a = EngineRun(url, std::string());
        double b = BareRun(url);
        double c = EngineRun(url, cachePath);
        if (a < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "run %d failed (engine %.1f, bare %.1f, cached %.1f)\n", i, a, b, c);
            failed = true;
        }
        engine.push_back(a);
        bare.push_back(b);
        cached.push_back(c);
    }
    std::filesystem::remove(cachePath);
    server.stop();
    serverThread.join();
    if (failed) return 1;

    double e = Median(engine), b = Median(bare), c = Median(cached);
    std::printf("time to first frame over loopback HTTP, %d runs each (%zu bytes)\n", kRuns, body.size());
    std::printf("  bare libmpv loadfile -> playback restart: median %8.2f ms\n", b);
    std::printf("  engine APlayer_OpenA -> state 5:          median %8.2f ms  ratio %.3f (goal <= 1.1)\n", e, e / b);
    std::printf("  engine with cache while watching:         median %8.2f ms  ratio %.3f\n", c, c / b);
    std::printf("  cache while watching / without:           ratio %.3f (goal <= 1.05: %s)\n", c / e,
                c / e <= 1.05 ? "met" : "not met");
    return 0;
}
