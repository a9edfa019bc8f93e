// Magnet link to first video frame through the windows, against the sum of
// the exchanges no player of this service can avoid, each measured directly
// in the same run: the file list (libcurl), the offline service's answer
// (libcurl), the download-host probes in Lumo's order until one reports the
// file's length (libcurl, stopped after the headers) and the engine's own
// open of the found address until it plays. Both with the simulator adding
// 0 ms and 50 ms before every answer. Then the same path through the windows
// with "cache while watching" on against off.
//
// The clock of the window path starts at the click on "解析" with the link
// in MAGNETWIN, the double-click follows as soon as the row is marked
// playable, and the clock stops when the engine's "playing" reaches the GUI
// thread.
//
//   app_magnet_bench [runs per figure, default 7]
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/list_view.h"
#include "app/magnet_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "app/sim_session.h"
#include "app/skinned_button.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "flow/worker_threads.h"
#include "player/engine_events.h"
#include "player/player_engine.h"
#include "resolve/resolve_endpoints.h"
#include "store/data_directory.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Counts the questions: a resume offer would mean a run was not fresh.
class CountingPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override {
        ++questions;
        return false;
    }
    void Inform(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
    int questions = 0;
};

// Runs the GUI thread until `done`, looking every millisecond; false after
// the timeout.
bool Spin(const std::function<bool()>& done, int timeoutMs = 30000) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1);
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        } else if (Clock::now() > end) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    return met;
}

size_t Keep(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}
size_t StopAtBody(char*, size_t, size_t, void*) { return 0; }

// One fresh handle per exchange, as Lumo's requests use.
std::string CurlGet(const std::string& url, const std::string* postBody = nullptr) {
    CURL* curl = curl_easy_init();
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (postBody) curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->c_str());
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
}

// The Content-Length a host reports for the file, -1 without one.
int64_t ProbeLength(const std::string& url, const std::string& cookie) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &StopAtBody);
    curl_easy_perform(curl);
    long status = 0;
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    curl_easy_cleanup(curl);
    return status >= 200 && status < 300 ? static_cast<int64_t>(length) : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Direct {
    std::vector<double> fileList, offline, probes, open, sum;
    int probeCount = 0;
};

class Bench {
public:
    Bench(lumo::sim::Simulator& sim, lumo::flow::AppState& state, lumo::app::MainWindow& main)
        : sim_(sim), state_(state), main_(main) {
        events_ = main_.findChild<lumo::player::EngineEvents*>(QStringLiteral("引擎事件"));
        entry_ = sim_.catalogue().EntryById(1);
        media_ = sim_.catalogue().MediaOf(entry_->files.front());
        main_.Control<QAbstractButton>("左边磁力解析")->click();
        magnet_ = qobject_cast<lumo::app::MagnetWindow*>(main_.LoadedWindow(lumo::flow::WindowCode::MAGNETWIN));
    }

    bool Ready() const { return events_ && magnet_ && media_; }

    // Milliseconds from the parse click to playing, -1 on failure.
    double ThroughWindows() {
        magnet_->Input()->setText(QString::fromStdString("magnet:?xt=urn:btih:" + entry_->infoHash));
        const auto start = Clock::now();
        magnet_->ParseButton()->click();
        lumo::app::ListView* files = magnet_->List();
        if (!Spin([&] { return files->RowCount() == 1 && files->StateValue(0) == 0; })) return -1;
        const QPoint centre = files->visualItemRect(files->topLevelItem(0)).center();
        const double ms = UntilPlaying(start, [&] {
            QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, centre);
        });
        Close();
        return ms;
    }

    bool DirectRun(Direct& out) {
        auto start = Clock::now();
        const std::string list = CurlGet(sim_.FileListPrefix() + entry_->infoHash);
        const double fileList = MsSince(start);
        start = Clock::now();
        const std::string query = "hash=" + media_->sha1 + "&filename=System";
        const std::string answer = CurlGet(sim_.PlayInfoAddress(), &query);
        const double offline = MsSince(start);
        start = Clock::now();
        std::string url;
        int probes = 0;
        for (int host = 1; host <= lumo::sim::kDownloadHostCount && url.empty(); ++host) {
            ++probes;
            const std::string address = sim_.DownloadAddress(*media_, host);
            if (ProbeLength(address, "FTN5K=" + media_->cookie) == static_cast<int64_t>(media_->bytes.size()))
                url = address;
        }
        const double probing = MsSince(start);
        if (list.find(media_->sha1) == std::string::npos || answer.find(media_->cookie) == std::string::npos ||
            url.empty()) {
            std::fprintf(stderr, "the direct exchanges failed (list %zu bytes, answer %zu bytes, url %s)\n",
                         list.size(), answer.size(), url.c_str());
            return false;
        }
        state_.player.SetConfigA(1105, "FTN5K=" + media_->cookie);
        const double open = UntilPlaying(Clock::now(), [&] { state_.player.OpenA(url); });
        Close();
        if (open < 0) return false;
        out.fileList.push_back(fileList);
        out.offline.push_back(offline);
        out.probes.push_back(probing);
        out.open.push_back(open);
        out.sum.push_back(fileList + offline + probing + open);
        out.probeCount = probes;
        return true;
    }

    void SetCache(bool on) {
        main_.Control<QCheckBox>("选择框缓存")->setChecked(on);
        QDir(QString::fromStdString(lumo::store::CacheDirectory().string())).removeRecursively();
    }

private:
    double UntilPlaying(Clock::time_point start, const std::function<void()>& act) {
        double playingAt = -1;
        QEventLoop loop;
        auto watch = QObject::connect(events_, &lumo::player::EngineEvents::stateChanged, &loop, [&](int, int now) {
            if (now != lumo::player::kStatePlaying || playingAt >= 0) return;
            playingAt = MsSince(start);
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        act();
        if (playingAt < 0) loop.exec();
        QObject::disconnect(watch);
        return playingAt;
    }

    void Close() {
        state_.player.Close();
        Spin([&] { return state_.player.GetState() == lumo::player::kStateReady; }, 10000);
        QTest::qWait(100);
        // Each run starts fresh: no resume offer from the last one.
        std::filesystem::remove(lumo::store::HistoryIniPath());
    }

    lumo::sim::Simulator& sim_;
    lumo::flow::AppState& state_;
    lumo::app::MainWindow& main_;
    lumo::player::EngineEvents* events_ = nullptr;
    const lumo::sim::CatalogueEntry* entry_ = nullptr;
    const lumo::sim::MediaFile* media_ = nullptr;
    QPointer<lumo::app::MagnetWindow> magnet_;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
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
    curl_global_init(CURL_GLOBAL_DEFAULT);
    lumo::app::SetApplicationAttributes();
    QApplication app(argc, argv);
    std::unique_ptr<lumo::sim::Simulator> sim = StartSimulatorFor(home.path(), &error);
    if (!sim) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    lumo::flow::AppState state;
    CountingPrompter prompter;
    lumo::app::MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    QPointer<lumo::app::MainWindow> main = new lumo::app::MainWindow(state, options);
    main->move(20, 20);
    main->show();
    if (!QTest::qWaitForWindowExposed(main) || !state.player.HasLibrary() ||
        !Spin([&] { return !state.RemoteAddress(lumo::resolve::ResolveEndpoints::kFileListKey).empty(); }) ||
        !Spin([&] { return main->LoadedWindow(lumo::flow::WindowCode::NOTICE) != nullptr; })) {
        std::fprintf(stderr, "Lumo did not come up with its address list and engine\n");
        return 1;
    }
    main->LoadedWindow(lumo::flow::WindowCode::NOTICE)
        ->findChild<QAbstractButton*>(QString::fromUtf8("超级按钮结束"))
        ->click();
    Bench bench(*sim, state, *main);
    if (!bench.Ready()) {
        std::fprintf(stderr, "MAGNETWIN or the film is missing\n");
        return 1;
    }

    std::printf("magnet link -> first frame of a 4 s H.264 film on loopback, median of %d runs each\n", runs);
    for (const int latency : {0, 50}) {
        sim->SetLatencyAll(std::chrono::milliseconds(latency));
        Direct warm;
        bench.ThroughWindows();  // untimed: connections, decoders, file cache
        bench.DirectRun(warm);
        std::vector<double> windows;
        Direct direct;
        for (int run = 0; run < runs; ++run) {
            const double ms = bench.ThroughWindows();
            if (ms < 0 || !bench.DirectRun(direct)) {
                std::fprintf(stderr, "run %d at %d ms failed\n", run, latency);
                return 1;
            }
            windows.push_back(ms);
        }
        const double w = Median(windows), d = Median(direct.sum);
        std::printf("simulator latency %d ms per request:\n", latency);
        std::printf("  direct exchanges: file list %.1f + offline %.1f + %d host probes %.1f + engine open %.1f"
                    " = %.1f ms (median of sums)\n",
                    Median(direct.fileList), Median(direct.offline), direct.probeCount, Median(direct.probes),
                    Median(direct.open), d);
        std::printf("  through the windows (parse click -> playing): %.1f ms\n", w);
        std::printf("  ratio windows / direct: %.2fx (goal <= 1.2x: %s)\n", w / d, w / d <= 1.2 ? "met" : "not met");
    }

    sim->SetLatencyAll(std::chrono::milliseconds(0));
    std::vector<double> plain, cached;
    bench.SetCache(true);
    bench.ThroughWindows();
    for (int run = 0; run < runs; ++run) {
        bench.SetCache(false);
        plain.push_back(bench.ThroughWindows());
        bench.SetCache(true);
        cached.push_back(bench.ThroughWindows());
    }
    bench.SetCache(false);
    const double p = Median(plain), c = Median(cached);
    std::printf("cache while watching (through the windows, 0 ms): off %.1f ms, on %.1f ms, ratio %.3fx"
                " (goal <= 1.05x: %s)\n",
                p, c, c / p, c / p <= 1.05 ? "met" : "not met");
    if (prompter.questions > 0) std::printf("  (%d questions were answered No)\n", prompter.questions);

    state.player.Destroy();
    delete main.data();
    lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    return 0;
}
