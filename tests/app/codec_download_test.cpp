// The codec pack window against the in-process simulator: the start-up
// check brings it up when a codec folder is missing, it downloads the pack
// over HTTP, extracts it (refusing entries that point outside codecs/) and
// goes; a download cut off by the server is reported and the window can be
// closed; the missing-decoder question opens it modally.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/sim_session.h"
#include "app/flow_wiring.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "playback/codec_download.h"
#include "player/player_engine.h"
#include "player/test_engine_control.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

using namespace lumo::app;
namespace flow = lumo::flow;
namespace fs = std::filesystem;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

const char* kFolders[] = {"csf", "dcbass", "encoder", "hik", "intel", "lavfilters", "real", "wm"};

class CodecDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TestApplication();
        std::string error;
        sim_ = StartSimulator(&error).release();
        ASSERT_NE(sim_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(sim_, nullptr);
        ASSERT_TRUE(home.isValid());
        // The data directory one level down, so that an entry escaping it
        // would still land inside the temporary folder where the test sees it.
        data = fs::path(home.path().toStdString()) / "data";
        fs::create_directories(data);
        qputenv("LUMO_HOME", QByteArray::fromStdString(data.string()));
        const std::string services = (fs::path(home.path().toStdString()) / "services.ini").string();
        std::ofstream(services) << sim_->ServicesFileText();
        qputenv("LUMO_SERVICES", QByteArray::fromStdString(services));
        engine.Reset();
        sim_->ClearFaults();
        sim_->SetCodecPack(lumo::sim::CodecPackVariant::Full);
    }
    void TearDown() override {
        delete main.data();
        QApplication::processEvents();
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        qunsetenv("LUMO_SERVICES");
    }

    // `realEngine`: the engine library beside the test program, not the
    // stand-in.
    MainWindow& Start(bool realEngine = false) {
        MainWindowOptions options;
        if (!realEngine) options.engineLibraryPath = LUMO_TEST_ENGINE_FULL_PATH;
        options.prompter = &prompter;
        options.endProcess = [](int) {};
        options.loadRemoteAddresses = false;
        main = new MainWindow(state, options);
        main->show();
        // The engine that MAIN starts after its first paint is there now.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main));
        state.player.StartNow();
        return *main;
    }
    QWidget* CodecWindow() { return main->LoadedWindow(flow::WindowCode::CODECDL); }
    QString Text(const char* name) {
        auto* label = CodecWindow()->findChild<QLabel*>(U(name));
        return label != nullptr ? label->text() : QString();
    }
    // The temporary archives left in the data directory.
    int Archives() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(data)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("lumo", 0) == 0 && name.find(".zip") != std::string::npos) ++count;
        }
        return count;
    }

    static lumo::sim::Simulator* sim_;
    QTemporaryDir home;
    fs::path data;
    TestEngineControl engine{LUMO_TEST_ENGINE_FULL_PATH};
    flow::AppState state;
    ScriptedPrompter prompter;
    QPointer<MainWindow> main;
};

lumo::sim::Simulator* CodecDownloadTest::sim_ = nullptr;

bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return QTest::qWaitFor(done, ms); }

}  // namespace

TEST_F(CodecDownloadTest, AMissingFolderAtStartBringsThePackWhichIsExtractedWithoutItsEscapingEntries) {
    // Seven folders there, the last one checked missing; the pack carries
    // entries that point outside codecs/.
    for (const char* folder : kFolders) {
        if (std::string(folder) != "wm") fs::create_directories(data / "codecs" / folder);
    }
    sim_->SetCodecPack(lumo::sim::CodecPackVariant::Unsafe);
    Start();
    EXPECT_EQ(CodecWindow(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return CodecWindow() != nullptr; }, 6000)) << "the 3500 ms check never opened CODECDL";
    QPointer<QWidget> window = CodecWindow();
    EXPECT_EQ(window->parentWidget(), main.data()) << "owned by MAIN";
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), U("解码器下载"));
    EXPECT_EQ(Text("透明标签1"), U("正在为初次运行.下载解码器请稍后..."));
    // While it runs it refuses to close.
    window->close();
    QApplication::processEvents();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());

    // The size shows in kilobytes, then the pack is in and the window goes
    // with the welcome box.
    auto* download = window->findChild<lumo::playback::CodecDownload*>();
    ASSERT_NE(download, nullptr);
    ASSERT_TRUE(WaitFor([&] { return download->TotalSize() > 0; }));
    EXPECT_EQ(Text("状态条1_0").toStdString(), lumo::playback::CodecDownload::Kilobytes(download->TotalSize()) + "KB");
    const std::string archive = download->ArchivePath().filename().string();
    EXPECT_EQ(archive.size(), 10u) << archive;
    EXPECT_EQ(archive.rfind("lumo", 0), 0u) << archive;
    ASSERT_TRUE(WaitFor([&] { return window.isNull(); })) << Text("透明标签1").toStdString();
    ASSERT_FALSE(prompter.History().empty());
    EXPECT_EQ(prompter.History().back().text, U("解码器下载完毕,欢迎使用！"));
    EXPECT_EQ(prompter.History().back().title, U("Lumo提示:"));
    for (const char* folder : kFolders) EXPECT_TRUE(fs::is_directory(data / "codecs" / folder)) << folder;
    EXPECT_FALSE(fs::exists(data / "lumo_outside.txt"));
    EXPECT_FALSE(fs::exists(fs::path(home.path().toStdString()) / "lumo_outside.txt"));
    EXPECT_FALSE(fs::exists(data / "lumo_outside2.txt"));
    EXPECT_EQ(Archives(), 0);
}

TEST_F(CodecDownloadTest, ACutOffDownloadIsReportedTheWindowClosesAndNoArchiveStays) {
    for (const char* folder : kFolders) fs::create_directories(data / "codecs" / folder);
    lumo::sim::Fault cut;
    cut.kind = lumo::sim::FaultKind::WrongLength;
    cut.bytes = 200000;
    sim_->SetFault(lumo::sim::Service::Codecs, cut);
    Start();
    // All folders there: no window at start-up.
    QTest::qWait(4000);
    EXPECT_EQ(CodecWindow(), nullptr);

    // The engine reports a missing decoder; on Yes the window opens modally.
    prompter.AnswerNext(true);
    engine.Fire(7, 12);
    ASSERT_TRUE(WaitFor([&] { return CodecWindow() != nullptr; }, 5000));
    ASSERT_FALSE(prompter.History().empty());
    EXPECT_EQ(prompter.History().back().text, U("缺少解码器12--是否打开解码器下载工具进行下载？"));
    QPointer<QWidget> window = CodecWindow();
    EXPECT_TRUE(window->isModal());
    EXPECT_EQ(window->parentWidget(), nullptr);

    ASSERT_TRUE(WaitFor([&] { return Text("透明标签1").startsWith(U("下载失败")); })) << Text("透明标签1").toStdString();
    EXPECT_EQ(Archives(), 0);
    window->close();
    EXPECT_TRUE(WaitFor([&] { return window.isNull(); }, 3000)) << "a failed download must let the window go";
    EXPECT_EQ(CodecWindow(), nullptr);
}

TEST_F(CodecDownloadTest, AfterTheDownloadTheLastLocalFileIsOpenedAgainUnlessATorrentPlays) {
    for (const char* folder : kFolders) fs::create_directories(data / "codecs" / folder);
    Start();
    state.lastLocalMediaPath = "/films/local film.mkv";
    auto download = [&] {
        const int opens = engine.Calls("OpenA");
        prompter.AnswerNext(true);
        engine.Fire(7, 3);
        EXPECT_TRUE(WaitFor([&] { return CodecWindow() != nullptr; }, 5000));
        EXPECT_TRUE(WaitFor([&] { return CodecWindow() == nullptr; })) << "the download never ended";
        return engine.Calls("OpenA") - opens;
    };
    EXPECT_EQ(download(), 1);
    EXPECT_NE(engine.Log().find("local film.mkv"), std::string::npos) << engine.Log();
    // With a torrent's film current, it just plays on.
    state.currentInfoHash = "0123456789abcdef0123456789abcdef01234567";
    EXPECT_EQ(download(), 0);
    for (const auto& asked : prompter.History()) {
        EXPECT_NE(asked.text, U("解码器下载完毕,欢迎使用！")) << "no welcome box while a film is there";
    }
    EXPECT_EQ(Archives(), 0);
}

TEST_F(CodecDownloadTest, ADecoderTheRealEngineLacksLeadsToTheQuestionAndTheModalWindow) {
    for (const char* folder : kFolders) fs::create_directories(data / "codecs" / folder);
    qputenv("LUMO_ENGINE_VO", "null");
    qputenv("LUMO_ENGINE_AO", "null");
    Start(true);
    ASSERT_TRUE(state.player.HasLibrary()) << "liblumo-engine.so beside the test program";
    prompter.AnswerNext(true);
    state.player.OpenA(LUMO_TEST_NO_DECODER);
    ASSERT_TRUE(WaitFor([&] { return CodecWindow() != nullptr; })) << "the engine's report never reached the question";
    ASSERT_FALSE(prompter.History().empty());
    EXPECT_TRUE(prompter.History().front().text.startsWith(U("缺少解码器"))) << prompter.History().front().text.toStdString();
    EXPECT_TRUE(CodecWindow()->isModal());
    EXPECT_TRUE(WaitFor([&] { return CodecWindow() == nullptr; })) << "the download never ended";
    state.player.Destroy();
    delete main.data();
    state.player = lumo::player::PlayerEngine();
    qunsetenv("LUMO_ENGINE_VO");
    qunsetenv("LUMO_ENGINE_AO");
}
