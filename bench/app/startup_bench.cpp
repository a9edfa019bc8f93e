// Start-up to the first painted main window: a fresh Lumo process (the
// start-up routine of the program, against the simulator) against a bare Qt
// program showing one window of the same size, each timed from the moment
// the process is started until its window's first paint has been handled,
// alternately in the same run on a private X server.
//
//   app_startup_bench [runs, default 10]
#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/sim_session.h"
#include "app/xvfb_server.h"

namespace {

// Milliseconds from the start of a process to each stage it reported:
// main (the program's own code runs), application (QApplication made),
// window (the window built), painted.
struct Stages {
    double main = -1, application = -1, window = -1, painted = -1;
};

// Starts `program` and reads the stages it reports; painted stays -1 when it
// reports no paint.
Stages TimeStart(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return {};
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now().time_since_epoch();
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed != 0) {
        close(out[0]);
        return {};
    }
    // A program that never paints is ended after 30 s.
    std::string text;
    char buffer[64];
    pollfd wait{out[0], POLLIN, 0};
    while (poll(&wait, 1, 30000) > 0) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const long long startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(start).count();
    Stages stages;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos) continue;
        const double ms = (std::atoll(line.c_str() + blank + 1) - startNs) / 1e6;
        const std::string name = line.substr(0, blank);
        if (name == "main") stages.main = ms;
        if (name == "application") stages.application = ms;
        if (name == "window") stages.window = ms;
        if (name == "painted") stages.painted = ms;
    }
    return stages;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    XvfbServer server;
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "no X server: %s\n", error.c_str());
        return 1;
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("LUMO_ENGINE_AO", "null", 1);
    setenv("LUMO_ENGINE_VO", "x11", 1);
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    QTemporaryDir home;
    setenv("LUMO_HOME", home.path().toUtf8().constData(), 1);
    // The address list comes from the simulator, as with the run command.
    std::unique_ptr<lumo::sim::Simulator> sim = StartSimulatorFor(home.path(), &error);
    if (!sim) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    // The Lumo side is a program of its own that links what the program
    // links, and not the simulator this one carries.
    const std::string lumo = (self.parent_path() / "app_startup_window").string();
    const std::string bare = (self.parent_path() / "app_bare_window").string();
    // One untimed start of each: the file cache, the fonts, the first config.ini.
    TimeStart(lumo, {});
    TimeStart(bare, {});
    std::vector<Stages> lumoRuns, bareRuns;
    for (int run = 0; run < runs; ++run) {
        const Stages a = TimeStart(lumo, {});
        const Stages b = TimeStart(bare, {});
        if (a.painted < 0 || b.painted < 0) {
            std::fprintf(stderr, "run %d: a program did not paint (lumo %.1f, bare %.1f)\n", run, a.painted, b.painted);
            return 1;
        }
        lumoRuns.push_back(a);
        bareRuns.push_back(b);
    }
    auto median = [](const std::vector<Stages>& all, double Stages::*stage) {
        std::vector<double> values;
        for (const Stages& s : all) values.push_back(s.*stage);
        return Median(values);
    };
    auto row = [&](const char* name, const std::vector<Stages>& all) {
        std::vector<double> painted;
        for (const Stages& s : all) painted.push_back(s.painted);
        std::printf("  %-24s %7.1f ms (min %.1f, max %.1f)   stages: code runs %.1f, QApplication %.1f,"
                    " window built %.1f\n",
                    name, Median(painted), *std::min_element(painted.begin(), painted.end()),
                    *std::max_element(painted.begin(), painted.end()), median(all, &Stages::main),
                    median(all, &Stages::application), median(all, &Stages::window));
    };
    const double l = median(lumoRuns, &Stages::painted), b = median(bareRuns, &Stages::painted);
    std::printf("process start to first painted window, median of %d, stages in ms from the start\n", runs);
    row("bare Qt window 854x608:", bareRuns);
    row("Lumo main window:", lumoRuns);
    std::printf("  ratio Lumo / bare:       %7.2fx (goal <= 2x and Lumo < 200 ms: %s)\n", l / b,
                l / b <= 2.0 && l < 200 ? "met" : "not met");
    return 0;
}
