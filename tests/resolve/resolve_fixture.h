#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "net/cookie_jar.h"
#include "remote/service_hosts.h"
#include "resolve/resolution.h"
#include "resolve/ui_names.h"
#include "sim/catalogue.h"
#include "sim/fault.h"
#include "sim/simulator.h"

namespace lumo::resolve::testing {

inline QCoreApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "lumo_resolve_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs the GUI thread's events until `done` holds; false on timeout.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    TestApplication();
    const auto end = std::chrono::steady_clock::now() + timeout;
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        } else if (std::chrono::steady_clock::now() > end) {
            loop.quit();
        }
    });
    poll.start(2);
    loop.exec();
    return met;
}

// Lets the GUI thread run for a while (to see that nothing more happens).
inline void RunEventsFor(std::chrono::milliseconds span) {
    WaitUntil([] { return false; }, span);
}

// Everything that touches the windows or the lists must run on the GUI
// thread; a worker doing so fails the test.
inline void ExpectGuiThread(const char* what) {
    if (QThread::currentThread() != TestApplication().thread())
        ADD_FAILURE() << what << " called off the GUI thread";
}

// The windows as the flows see them, scripted and recorded: every list the
// flows use, texts, message boxes, windows, check boxes, tabs, clipboard.
class RecordingUi : public flow::FlowUi {
public:
    struct Message {
        std::string text;
        std::string title;
        bool ownedByMain = true;
    };

    RecordingUi() {
        AddList(kSearchList, kSearchColumns);
        AddList(kResourceList, kResourceColumns);
        AddList(kFilmSourceList, kFilmSourceColumns);
        AddList(kFavouriteList, kFavouriteColumns);
        AddList(kExtraResourceList, kExtraResourceColumns);
        AddList(kMagnetFileList, kMagnetFileColumns);
        AddList(kPlayQueueList, kPlayQueueColumns);
    }

    flow::ListModel& AddList(const std::string& name, int columns) {
        auto& slot = lists_[name];
        slot = std::make_unique<flow::ListModel>(name, columns);
        flow::ListModel* list = slot.get();
        QObject::connect(list, &flow::ListModel::StateChanged, [](int) { ExpectGuiThread("SetState"); });
        QObject::connect(list, &flow::ListModel::CellChanged, [](int, int) { ExpectGuiThread("SetCell"); });
        QObject::connect(list, &flow::ListModel::RowAppended, [](int) { ExpectGuiThread("AppendRow"); });
        QObject::connect(list, &flow::ListModel::Cleared, [] { ExpectGuiThread("Clear"); });
        return *slot;
    }
    flow::ListModel& Get(const std::string& name) { return *lists_.at(name); }
    void DropList(const std::string& name) { lists_.erase(name); }

    flow::ListModel* List(const std::string& name) override {
        ExpectGuiThread("List");
        auto it = lists_.find(name);
        return it == lists_.end() ? nullptr : it->second.get();
    }
    std::string Text(const std::string& control) override {
        ExpectGuiThread("Text");
        return texts[control];
    }
    void SetText(const std::string& control, const std::string& text) override {
        ExpectGuiThread("SetText");
        texts[control] = text;
        log.push_back("text " + control + "=" + text);
    }
    void SetVisible(const std::string& control, bool visible) override {
        ExpectGuiThread("SetVisible");
        visibility[control] = visible;
        log.push_back(std::string(visible ? "show " : "hide ") + control);
    }
    void SetImage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string& text, const std::string& title, bool ownedByMain) override {
        ExpectGuiThread("AskYesNo");
        messages.push_back({text, title, ownedByMain});
        return false;
    }
    void Inform(const std::string& text, const std::string& title, bool ownedByMain) override {
        ExpectGuiThread("Inform");
        messages.push_back({text, title, ownedByMain});
        log.push_back("inform " + text);
    }
    void ShowWindow(flow::WindowCode window) override {
        ExpectGuiThread("ShowWindow");
        loaded.insert(window);
        log.push_back("window " + std::to_string(static_cast<int>(window)));
    }
    void CloseWindow(flow::WindowCode window) override {
        ExpectGuiThread("CloseWindow");
        log.push_back("close " + std::to_string(static_cast<int>(window)));
    }
    bool IsWindowLoaded(flow::WindowCode window) override {
        ExpectGuiThread("IsWindowLoaded");
        return loaded.count(window) != 0;
    }
    int CurrentPage(const std::string& control) override {
        ExpectGuiThread("CurrentPage");
        return pages[control];
    }
    void SetCurrentPage(const std::string& control, int page) override { pages[control] = page; }
    void OpenInBrowser(const std::string&) override {}
    void SetClipboardText(const std::string& text) override {
        ExpectGuiThread("SetClipboardText");
        clipboard = text;
        ++clipboardWrites;
    }
    void EndProgram() override {}
    bool IsChecked(const std::string& control) override {
        ExpectGuiThread("IsChecked");
        return checked.count(control) != 0;
    }
    void SetColours(const std::string& control, uint32_t text, uint32_t background) override {
        ExpectGuiThread("SetColours");
        colours[control] = {text, background};
    }

    std::vector<std::string> Informed() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.text);
        return out;
    }

    std::map<std::string, std::string> texts;
    std::map<std::string, bool> visibility;
    std::vector<Message> messages;
    std::vector<std::string> log;
    std::set<flow::WindowCode> loaded;
    std::map<std::string, int> pages;
    std::set<std::string> checked;
    std::map<std::string, std::pair<uint32_t, uint32_t>> colours;
    std::string clipboard;
    int clipboardWrites = 0;

private:
    std::map<std::string, std::unique_ptr<flow::ListModel>> lists_;
};

// A fault switch of the simulator.
inline sim::Fault MakeFault(sim::FaultKind kind, int count = 0) {
    sim::Fault fault;
    fault.kind = kind;
    fault.count = count;
    return fault;
}

// The catalogue every simulator of the program serves, built once.
inline std::shared_ptr<const sim::Catalogue> SharedCatalogue() {
    static const std::shared_ptr<const sim::Catalogue> catalogue = [] {
        sim::Catalogue::Options options;
        options.mediaDir = sim::Simulator::DefaultMediaDir();
        std::string error;
        auto built = sim::Catalogue::Build(options, &error);
        if (!built) throw std::runtime_error("catalogue: " + error);
        return built;
    }();
    return catalogue;
}

// One simulator for the test program, a fresh data directory (and cookie
// jar) per test, and the whole resolution wired to a recording UI.
class ResolveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TestApplication();
        sim::SimOptions options;
        options.catalogue = SharedCatalogue();
        options.servicesFile = std::filesystem::path();
        options.threadsPerService = 8;
        sim_ = new sim::Simulator(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    static void TearDownTestSuite() {
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        delete sim_;
        sim_ = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(sim_, nullptr);
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo-resolve-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        ::setenv("LUMO_HOME", home_.c_str(), 1);
        net::CookieJar::Open((home_ / "cookies.txt").string());
        sim_->ClearFaults();
        sim_->ClearPages();
        sim_->ResetCounters();

        state_ = std::make_unique<flow::AppState>();
        state_->SetRemoteAddress(ResolveEndpoints::kFileListKey, sim_->FileListPrefix());
        ui_ = std::make_unique<RecordingUi>();
        resolution_ = std::make_unique<Resolution>(*state_, *ui_, SimHosts());
    }

    void TearDown() override {
        resolution_.reset();
        EXPECT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(30)));
        sim_->WaitIdle();
        ui_.reset();
        state_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    static remote::ServiceHosts SimHosts() {
        remote::ServiceHosts hosts = remote::ServiceHosts::Defaults();
        hosts.ApplyText(sim_->ServicesFileText());
        return hosts;
    }

    static const sim::Catalogue& Catalogue() { return sim_->catalogue(); }
    static const sim::CatalogueEntry& Entry(int id) { return *Catalogue().EntryById(id); }
    static const sim::CatalogueEntry& OfKind(sim::EntryKind kind) { return Catalogue().FirstOfKind(kind); }
    // The entries the catalogue fixes: 1 feature (hosts 1, 3, 7, 16),
    // 2 three episodes, 3 short film (first on host 9), 4 only on host 18,
    // 5 a subtitle under 1000 bytes.
    static const sim::CatalogueEntry& Feature() { return Entry(1); }
    static const sim::CatalogueEntry& Series() { return Entry(2); }
    static const sim::CatalogueEntry& ShortFilm() { return Entry(3); }
    static const sim::CatalogueEntry& FarHostFilm() { return Entry(4); }
    static const sim::CatalogueEntry& Subtitle() { return Entry(5); }
    static const sim::MediaFile& MediaOf(const sim::CatalogueEntry& entry) {
        return *Catalogue().MediaOf(entry.files.front());
    }

    static uint64_t Requests(sim::Service service) { return sim_->Counters(service).requests; }
    static uint64_t DownloadProbes() {
        uint64_t total = 0;
        for (int host = 1; host <= sim::kDownloadHostCount; ++host) total += Requests(sim::DownloadHost(host));
        return total;
    }

    flow::ListModel& List(const std::string& name) { return ui_->Get(name); }

    // A search-results row for an entry: title and info-hash.
    int AddSearchRow(const sim::CatalogueEntry& entry) {
        std::vector<std::string> cells(kSearchColumns);
        cells[2] = entry.title;
        cells[4] = entry.infoHash;
        return List(kSearchList).AppendRow(cells);
    }
    int AddResourceRow(const sim::CatalogueEntry& entry) {
        std::vector<std::string> cells(kResourceColumns);
        cells[2] = entry.title;
        cells[3] = entry.infoHash;
        return List(kResourceList).AppendRow(cells);
    }
    int AddFilmSourceRow(const sim::CatalogueEntry& entry) {
        std::vector<std::string> cells(kFilmSourceColumns);
        cells[2] = entry.title;
        cells[4] = sim_->BaseAddress(sim::Service::Films) + "/bt/" + entry.infoHash + ".html";
        return List(kFilmSourceList).AppendRow(cells);
    }

    static bool AllFinal(const flow::ListModel& list) {
        for (int row = 0; row < list.RowCount(); ++row) {
            const auto state = list.State(row);
            if (!state || *state == flow::AvailabilityState::Checking) return false;
        }
        return true;
    }
    bool CheckAll(flow::ListModel& list, CheckedList kind) {
        resolution_->Checker().StartAvailabilityChecks(list, kind);
        return WaitUntil([&] { return AllFinal(list); });
    }

    // Resolves the current item and waits for its end.
    std::optional<ResolveEnd> ResolveNow() {
        std::optional<ResolveEnd> end;
        auto connection = QObject::connect(&resolution_->Resolve(), &Resolver::ResolveEnded,
                                           [&](ResolveEnd e) { end = e; });
        resolution_->Resolve().StartResolve();
        WaitUntil([&] { return end.has_value(); }, std::chrono::seconds(60));
        QObject::disconnect(connection);
        return end;
    }

    void SetCurrent(const std::string& sha1, const std::string& size, const std::string& title,
                    const std::string& infoHash = {}) {
        state_->currentSha1 = sha1;
        state_->currentSize = size;
        state_->currentTitle = title;
        state_->currentInfoHash = infoHash;
    }
    void SetCurrent(const sim::CatalogueEntry& entry) {
        const auto& file = entry.files.front();
        SetCurrent(file.sha1, std::to_string(file.size), entry.title, entry.infoHash);
    }

    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    static inline sim::Simulator* sim_ = nullptr;
    std::filesystem::path home_;
    std::unique_ptr<flow::AppState> state_;
    std::unique_ptr<RecordingUi> ui_;
    std::unique_ptr<Resolution> resolution_;
};

}  // namespace lumo::resolve::testing
