// The home page's web view on a private X server against the simulator.
// Whole processes, from their start to the first painted main window: Lumo
// whose web view is never shown, Lumo that shows the home page after that
// first paint, and Lumo with the web engine's libraries mapped at start (as
// a program linked against them would). In one process: the same start-up
// with the home page shown at once (the web engine started), and a channel
// click to the channel page loaded.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/start_up.h"
#include "app/web_browser.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "flow/worker_threads.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"
#include "startup_probe.h"

using namespace lumo::bench;

namespace {

constexpr int kRuns = 8;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from starting a child process to its first paint; negative
// when it failed. `engineMapped` tells whether the web engine was in the
// process at that paint.
double TimeChild(const QString& mode, const QStringList& preload, bool* engineMapped) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!preload.isEmpty()) environment.insert(QStringLiteral("LD_PRELOAD"), preload.join(QLatin1Char(':')));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/app_startup_child"), mode.isEmpty() ? QStringList() : QStringList{mode});
    double ms = -1;
    QByteArray out;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
        child.waitForReadyRead(100);
        out += child.readAll();
        if (ms < 0 && out.contains("painted")) {
            ms = timer.nsecsElapsed() / 1e6;
            *engineMapped = out.contains("painted 1");
        }
        if (child.state() == QProcess::NotRunning && child.bytesAvailable() == 0) break;
    }
    child.waitForFinished(-1);
    if (child.exitCode() != 0 || (mode == QStringLiteral("--later") && !out.contains("loaded 1"))) return -1;
    return ms;
}

// The web engine's libraries, as the dynamic loader would map them for a
// program linked against them.
QStringList WebEngineLibraries() {
    QStringList found;
    for (const char* name : {"libQt6WebEngineCore.so.6", "libQt6WebEngineWidgets.so.6"}) {
        for (const char* dir : {"/lib/x86_64-linux-gnu/", "/usr/lib/x86_64-linux-gnu/", "/usr/lib/"}) {
            const QString path = QString::fromLatin1(dir) + QString::fromLatin1(name);
            if (QFileInfo::exists(path)) {
                found << path;
                break;
            }
        }
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    XvfbServer server;
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "no X server: %s\n", error.c_str());
        return 1;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(server.Display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir home;
    qputenv("LUMO_HOME", home.path().toUtf8());
    lumo::app::SetApplicationAttributes();
    QApplication app(argc, argv);

    // Whole processes first, alternating the kinds so that the machine's
    // drift falls on all of them alike.
    const QStringList engine = WebEngineLibraries();
    std::vector<double> never, later, linked;
    bool mappedNever = false, mappedLater = false, mappedLinked = false, failed = false;
    for (int run = 0; run < kRuns + 1; ++run) {
        const double n = TimeChild(QString(), {}, &mappedNever);
        const double l = TimeChild(QStringLiteral("--later"), {}, &mappedLater);
        const double p = TimeChild(QString(), engine, &mappedLinked);
        if (n < 0 || l < 0 || p < 0) failed = true;
        if (run == 0) continue;  // warm-up: the disk cache
        never.push_back(n);
        later.push_back(l);
        linked.push_back(p);
    }
    if (failed) {
        std::fprintf(stderr, "a start-up process failed\n");
        return 1;
    }

    auto sim = StartSimulator(home, &error);
    if (!sim) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    QuietPrompter prompter;
    // One start-up: MAIN made and shown, until its first paint. With
    // `homeFirst` the home page is shown before, which starts the engine.
    auto startUp = [&](bool homeFirst, double* channelMs) {
        lumo::flow::AppState state;
        lumo::app::MainWindowOptions window;
        window.prompter = &prompter;
        window.endProcess = [](int) {};
        window.loadRemoteAddresses = channelMs != nullptr;
        PaintWatch watch;
        QElapsedTimer timer;
        timer.start();
        QPointer<lumo::app::MainWindow> main = new lumo::app::MainWindow(state, window);
        main->Control<QWidget>("外形框3")->installEventFilter(&watch);
        if (homeFirst) main->Control<QAbstractButton>("左边首页")->click();
        main->show();
        while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double ms = timer.nsecsElapsed() / 1e6;
        std::fprintf(stderr, "start-up %.1f ms\n", ms);
        if (channelMs != nullptr) {
            QTest::qWaitFor([&] { return !state.RemoteAddress("TJDZ").empty(); }, 20000);
            main->Control<QAbstractButton>("左边首页")->click();
            auto* browser = main->Control<lumo::app::WebBrowser>("互联网浏览器1");
            QTest::qWaitFor([&] { return !state.homeBrowserAddress.empty(); }, 60000);
            bool loaded = false;
            QObject::connect(browser, &lumo::app::WebBrowser::PageLoaded, [&] { loaded = true; });
            QElapsedTimer click;
            click.start();
            main->Control<QAbstractButton>("超级按钮其他")->click();
            QTest::qWaitFor([&] { return loaded; }, 60000);
            *channelMs = click.nsecsElapsed() / 1e6;
        }
        delete main.data();
        QCoreApplication::processEvents();
        lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        return ms;
    };

    std::vector<double> lazy, eager, lazyAfter, channel;
    startUp(false, nullptr);  // warm-up: fonts, styles, X connection
    for (int run = 0; run < kRuns; ++run) lazy.push_back(startUp(false, nullptr));
    for (int run = 0; run < kRuns; ++run) eager.push_back(startUp(true, nullptr));
    // The same lazy start-up once the engine runs in the process: the peer
    // that shows whether the first figure pays for anything of the engine.
    for (int run = 0; run < kRuns; ++run) lazyAfter.push_back(startUp(false, nullptr));
    for (int run = 0; run < 3; ++run) {
        double ms = 0;
        startUp(false, &ms);
        channel.push_back(ms);
    }
    const double n = Median(never), l = Median(later), p = Median(linked);
    std::printf("process start to first paint, web view never shown:      %8.1f ms (median of %d; engine mapped: %s)\n",
                n, kRuns, mappedNever ? "yes" : "no");
    std::printf("process start to first paint, home page shown afterwards: %8.1f ms (engine mapped at the paint: %s)\n",
                l, mappedLater ? "yes" : "no");
    std::printf("  ratio shown afterwards / never shown:                    %8.2fx (goal <= 1.05)\n", l / n);
    std::printf("process start to first paint, engine libraries mapped:    %8.1f ms (as if linked in: %s)\n", p,
                mappedLinked ? "yes" : "no");
    std::printf("  ratio engine mapped / never shown:                       %8.2fx\n", p / n);
    const double a = Median(lazy), b = Median(eager), c = Median(lazyAfter);
    std::printf("in one process, start-up to first paint, never shown: %8.1f ms (median of %d)\n", a, kRuns);
    std::printf("in one process, start-up, home page shown first:    %8.1f ms (median of %d)\n", b, kRuns);
    std::printf("  ratio shown / never shown:                    %8.2fx\n", b / a);
    std::printf("start-up never shown, engine already running:   %8.1f ms; ratio to the first %.2fx\n", c, c / a);
    std::printf("channel click to page loaded:                   %8.1f ms (median of %zu)\n", Median(channel),
                channel.size());
    return 0;
}
