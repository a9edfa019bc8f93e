// Throughput of one download host serving a 50 MB file over loopback,
// fetched with `curl -o /dev/null` with the right cookie, against the same
// file served by `python3 -m http.server` and fetched the same way in the
// same run. Prints both rates (best of several rounds) and their ratio.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/random.h"
#include "sim/simulator.h"

extern char** environ;

namespace {

constexpr size_t kFileSize = 50u * 1024 * 1024;
constexpr int kRounds = 5;

int FreePort() {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    close(sock);
    return ntohs(addr.sin_port);
}

bool Accepts(int port) {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(sock);
    return ok;
}

// Bytes per second of one curl download; 0 when it failed or came short.
double CurlRate(const std::string& url, const std::string& cookie) {
    std::string command = "curl -s -o /dev/null -w '%{http_code} %{size_download} %{speed_download}'";
    if (!cookie.empty()) command += " -H 'Cookie: " + cookie + "'";
    command += " '" + url + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    int status = 0;
    double size = 0, speed = 0;
    const int read = std::fscanf(pipe, "%d %lf %lf", &status, &size, &speed);
    pclose(pipe);
    if (read != 3 || status != 200 || static_cast<size_t>(size) != kFileSize) return 0;
    return speed;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("lumo-bench-sim-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "payload.bin";
    {
        lumo::sim::SplitMix64 rng(42);
        std::ofstream out(file, std::ios::binary);
        out << rng.Bytes(kFileSize);
    }

    lumo::sim::SimOptions options;
    options.servicesFile = fs::path();
    options.extraMedia.push_back({file, {1}});
    lumo::sim::Simulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "bench_sim_download: %s\n", error.c_str());
        return 1;
    }
    const lumo::sim::MediaFile& media = *sim.catalogue().MediaByRole("payload.bin");
    const std::string simUrl = sim.DownloadAddress(media, 1);
    const std::string cookie = "FTN5K=" + media.cookie;

    const int port = FreePort();
    const std::string portText = std::to_string(port);
    const std::string dirText = dir.string();
    std::vector<char*> argv = {const_cast<char*>("python3"), const_cast<char*>("-m"),
                               const_cast<char*>("http.server"), const_cast<char*>("--bind"),
                               const_cast<char*>("127.0.0.1"), const_cast<char*>("--directory"),
                               const_cast<char*>(dirText.c_str()), const_cast<char*>(portText.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t python = 0;
    if (posix_spawnp(&python, "python3", &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "bench_sim_download: cannot start python3\n");
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 200 && !Accepts(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const std::string stockUrl = "http://127.0.0.1:" + portText + "/payload.bin";

    // Alternate the two so that both meet the same machine load.
    std::vector<double> simRates, stockRates;
    CurlRate(simUrl, cookie);  // warm the page cache and the servers
    CurlRate(stockUrl, "");
    for (int round = 0; round < kRounds; ++round) {
        simRates.push_back(CurlRate(simUrl, cookie));
        stockRates.push_back(CurlRate(stockUrl, ""));
    }
    kill(python, SIGTERM);
    waitpid(python, nullptr, 0);
    sim.Stop();
    fs::remove_all(dir);

    const double simBest = *std::max_element(simRates.begin(), simRates.end());
    const double stockBest = *std::max_element(stockRates.begin(), stockRates.end());
    if (simBest <= 0 || stockBest <= 0) {
        std::fprintf(stderr, "bench_sim_download: a download failed (sim %.0f B/s, stock %.0f B/s)\n", simBest,
                     stockBest);
        return 1;
    }
    const double mb = 1024.0 * 1024.0;
    std::printf("file: %zu MB over loopback, best of %d curl downloads each\n", kFileSize / (1024 * 1024), kRounds);
    std::printf("lumo-sim download host:   %8.1f MB/s\n", simBest / mb);
    std::printf("python3 -m http.server:   %8.1f MB/s\n", stockBest / mb);
    std::printf("ratio (sim / stock):      %8.2f  (goal >= 0.80)\n", simBest / stockBest);
    return 0;
}
