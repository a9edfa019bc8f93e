// The home page's web view on a private X server against the simulator:
// start-up to the first painted main window as Lumo starts (the web view
// never shown) against the same start-up with the home page shown at once
// (the web engine started), in the same run; and a channel click to the
// channel page loaded.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/main_window.h"
#include "app/web_browser.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "flow/worker_threads.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

namespace {

constexpr int kRuns = 8;

class QuietPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void Inform(QWidget*, const QString&, const QString&) override {}
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

// Waits for the first paint of `widget`.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    lumo::sim::SimOptions options;
    lumo::sim::Catalogue::Options catalogue;
    catalogue.mediaDir = lumo::sim::Simulator::DefaultMediaDir();
    options.catalogue = lumo::sim::Catalogue::Build(catalogue, &error);
    options.servicesFile = std::filesystem::path();
    lumo::sim::Simulator sim(options);
    if (!options.catalogue || !sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const std::string services = home.filePath(QStringLiteral("services.ini")).toStdString();
    std::ofstream(services) << sim.ServicesFileText();
    qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));

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
    const double a = Median(lazy), b = Median(eager), c = Median(lazyAfter);
    std::printf("start-up to first paint, web view never shown: %8.1f ms (median of %d)\n", a, kRuns);
    std::printf("start-up to first paint, home page shown first: %8.1f ms (median of %d)\n", b, kRuns);
    std::printf("  ratio shown / never shown:                    %8.2fx\n", b / a);
    std::printf("start-up never shown, engine already running:   %8.1f ms; ratio to the first %.2fx\n", c, c / a);
    std::printf("channel click to page loaded:                   %8.1f ms (median of %zu)\n", Median(channel),
                channel.size());
    return 0;
}
