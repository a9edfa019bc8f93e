// A Lumo start-up in a process of its own, for the web view benchmark:
// MAIN made and shown, "painted" on standard output at its first paint;
// with --later the home page is then shown and loaded ("loaded"). Each line
// tells whether the web engine was mapped into the process by then. Links
// what the program links, and no web engine.
#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/start_up.h"
#include "app/web_browser.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "startup_probe.h"

using namespace lumo::bench;

int main(int argc, char** argv) {
    const bool later = argc > 1 && std::string(argv[1]) == "--later";
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir home;
    qputenv("LUMO_HOME", home.path().toUtf8());
    lumo::app::SetApplicationAttributes();
    QApplication app(argc, argv);
    QuietPrompter prompter;
    lumo::flow::AppState state;
    lumo::app::MainWindowOptions window;
    window.prompter = &prompter;
    window.endProcess = [](int) {};
    window.loadRemoteAddresses = false;
    PaintWatch watch;
    auto* main = new lumo::app::MainWindow(state, window);
    main->Control<QWidget>("外形框3")->installEventFilter(&watch);
    main->show();
    while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("painted %d\n", WebEngineMapped() ? 1 : 0);
    std::fflush(stdout);
    if (later) {
        std::string error;
        auto sim = StartSimulator(home, &error);
        if (!sim) return 1;
        auto* browser = main->Control<lumo::app::WebBrowser>("互联网浏览器1");
        bool loaded = false;
        QObject::connect(browser, &lumo::app::WebBrowser::PageLoaded, [&] { loaded = true; });
        main->Control<QAbstractButton>("左边首页")->click();
        browser->Navigate(QString::fromStdString(sim->BaseAddress(lumo::sim::Service::Website) + "/tj.htm"));
        if (!QTest::qWaitFor([&] { return loaded; }, 60000)) return 1;
        std::printf("loaded %d\n", WebEngineMapped() ? 1 : 0);
    }
    delete main;
    lumo::flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    return 0;
}
