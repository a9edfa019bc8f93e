// The codec pack download through the CODECDL window (window created to
// archive complete, and to the window gone after extraction) against a bare
// libcurl download of the same simulator address into a file, in the same
// process, runs interleaved. Offscreen; the in-process simulator serves.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/flow_wiring.h"
#include "app/main_window.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "playback/codec_download.h"
#include "remote/service_hosts.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

namespace {

constexpr int kRuns = 15;

// Answers the end's message box at once, as a user who is not there.
class SilentPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void Inform(QWidget*, const QString&, const QString&) override {}
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

size_t WriteFile(char* data, size_t size, size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<FILE*>(file));
}

// The peer: one easy handle, straight into a file.
double CurlDownload(const std::string& url, const std::string& target) {
    QElapsedTimer clock;
    clock.start();
    CURL* curl = curl_easy_init();
    FILE* file = std::fopen(target.c_str(), "wb");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    const CURLcode code = curl_easy_perform(curl);
    std::fclose(file);
    curl_easy_cleanup(curl);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (code != CURLE_OK) std::fprintf(stderr, "curl: %s\n", curl_easy_strerror(code));
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("LUMO_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);

    lumo::sim::SimOptions options;
    lumo::sim::Catalogue::Options catalogue;
    catalogue.mediaDir = lumo::sim::Simulator::DefaultMediaDir();
    std::string error;
    options.catalogue = lumo::sim::Catalogue::Build(catalogue, &error);
    if (!options.catalogue) {
        std::fprintf(stderr, "catalogue: %s\n", error.c_str());
        return 1;
    }
    options.servicesFile = std::filesystem::path();
    lumo::sim::Simulator sim(options);
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const std::string services = (std::filesystem::path(home.path().toStdString()) / "services.ini").string();
    std::ofstream(services) << sim.ServicesFileText();
    qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));
    const std::string url = lumo::remote::ServiceHosts::FromEnvironment().CodecPackAddress();

    lumo::flow::AppState state;
    SilentPrompter prompter;
    lumo::app::MainWindowOptions windowOptions;
    windowOptions.prompter = &prompter;
    windowOptions.endProcess = [](int) {};
    windowOptions.loadRemoteAddresses = false;
    auto* main = new lumo::app::MainWindow(state, windowOptions);
    // The bench opens the window itself.
    if (auto* check = main->findChild<QTimer*>(QStringLiteral("时钟验证解码器"))) check->stop();

    std::vector<double> window;
    std::vector<double> job;
    QElapsedTimer clock;
    double loadedAt = 0;
    // Connected after the window wiring, so it runs once the download has
    // started: what comes before is building the window.
    QObject::connect(&main->Flows()->Ui(), &lumo::app::WidgetFlowUi::WindowLoaded, main,
                     [&] { loadedAt = static_cast<double>(clock.nsecsElapsed()) / 1e6; });
    std::vector<double> whole;
    std::vector<double> curl;
    int64_t packBytes = 0;
    const std::string curlTarget = (std::filesystem::path(home.path().toStdString()) / "curl.zip").string();
    for (int run = 0; run < kRuns; ++run) {
        clock.start();
        double downloaded = -1;
        main->Flows()->Ui().ShowCodecWindow(false);
        QPointer<QWidget> codec = main->LoadedWindow(lumo::flow::WindowCode::CODECDL);
        auto* download = codec->findChild<lumo::playback::CodecDownload*>();
        // A plain event loop: a polling wait would add its own sleeps.
        QEventLoop loop;
        QObject::connect(download, &lumo::playback::CodecDownload::Downloaded, download,
                         [&] {
                             downloaded = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                             job.push_back(downloaded - loadedAt);
                         });
        QObject::connect(codec.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        if (!codec.isNull() || downloaded < 0) {
            std::fprintf(stderr, "run %d: the window did not finish\n", run);
            return 1;
        }
        window.push_back(downloaded);
        whole.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        curl.push_back(CurlDownload(url, curlTarget));
        packBytes = static_cast<int64_t>(std::filesystem::file_size(curlTarget));
    }
    delete main;

    const double w = Median(window);
    const double c = Median(curl);
    std::printf("codec pack %lld bytes, %d runs, medians\n", static_cast<long long>(packBytes), kRuns);
    std::printf("  CODECDL window created to archive complete: %8.2f ms\n", w);
    std::printf("  of which the download job alone:           %8.2f ms\n", Median(job));
    std::printf("  bare libcurl to a file:                     %8.2f ms\n", c);
    std::printf("  ratio window / curl:                        %8.2f (goal <= 1.2)\n", w / c);
    std::printf("  CODECDL to window gone (extract, 500 ms settle): %8.2f ms\n", Median(whole));
    curl_global_cleanup();
    return 0;
}
