// What the user starts from the login and player windows, under every fault
// switch: the forum login, the subtitle search and download, and the codec
// pack download.
#include <QObject>

#include <fstream>
#include <memory>

#include "account/login_fixture.h"
#include "faults/fault_matrix.h"
#include "playback/codec_download.h"
#include "playback/playback_controller.h"
#include "playback/player_options.h"
#include "playback/subtitle_controller.h"
#include "playback/subtitle_search.h"
#include "store/data_directory.h"

namespace lumo::faults {
namespace {

const bool kTableWriter = InstallTableWriter();

std::string Messages(const lumo::testing::ScriptedFlowUi& ui) {
    std::vector<std::string> texts;
    for (const auto& message : ui.messages) texts.push_back("\"" + message.text + "\"");
    return Join(texts);
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
        names.push_back(std::filesystem::relative(entry.path(), folder).string());
    return names;
}

class AccountFaults : public account::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        std::ofstream(store::ConfigIniPath(), std::ios::binary) << "[config]\r\nzhanghao=someone\r\n";
        std::ofstream(store::HistoryIniPath(), std::ios::binary) << "[jl]\r\nshuliang=0\r\n";
    }
    void NextCell(sim::Service service, sim::Fault fault, const std::string& pathPrefix = {}) {
        ASSERT_TRUE(flow::WorkerThreads::WaitIdle(60s));
        PumpFor(20ms);
        sim.ClearFaults();
        ui.messages.clear();
        ui.log.clear();
        ui.texts.clear();
        ui.opened.clear();
        fault.pathPrefix = pathPrefix;
        sim.SetFault(service, fault);
    }
};

TEST_F(AccountFaults, ForumLogin) {
    constexpr int kTimeoutSeconds = 5;  // the controller's setting, as the fixture sets it
    const auto& user = User("lumo");
    for (const sim::Fault& fault : SwitchesAndTimeOut()) {
        SCOPED_TRACE(SwitchName(fault));
        const int timeout = IsPastTheTimeOut(fault) ? kLoweredTimeoutSeconds : kTimeoutSeconds;
        controller->SetRequestTimeout(timeout);
        NextCell(sim::Service::Forum, fault);
        // Out of any earlier cell's session.
        if (state.loggedIn != 0) controller->Logout();
        ui.ShowWindow(flow::WindowCode::LOGIN);
        ui.checked.insert(account::kRememberBox);
        const FileSnapshot files(StoredFiles(home));
        // The login post, then the profile page.
        const double bound = 2.0 * timeout + 1;
        const auto start = Clock::now();
        const bool ok = LogIn(user.name, user.password);
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        FaultTable::Instance().Add({"Forum", "login", SwitchName(fault),
                                    Messages(ui) + (ok ? ", window closed" : ", login window stays open"), took,
                                    bound});
        ASSERT_EQ(ui.messages.size(), 1u) << Messages(ui);
        if (WholeAnswerArrives(fault)) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(ui.messages[0].text, "登录成功,欢迎您:" + user.name);
            EXPECT_EQ(state.loggedIn, 1);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(state.loggedIn, 0);
            // An answer that came back, even an error page, is the forum's
            // answer; only no answer at all gets the plain retry text.
            const bool answered = fault.kind == sim::FaultKind::Status || fault.kind == sim::FaultKind::Garbage;
            if (answered) {
                EXPECT_EQ(ui.messages[0].text.rfind("登录失败,请重新登录,", 0), 0u) << ui.messages[0].text;
            } else {
                EXPECT_EQ(ui.messages[0].text, "登录失败,请从新登录！");
            }
            EXPECT_EQ(ui.messages[0].title, "Lumo提示:");
            EXPECT_TRUE(files.Changed().empty()) << "a failed login remembered the account";
            EXPECT_EQ(ui.texts[account::kLoginTip], "");
            EXPECT_TRUE(ui.enabled[account::kLoginButton]);
            EXPECT_TRUE(ui.IsWindowLoaded(flow::WindowCode::LOGIN));
        }
    }
}

// The subtitle panel's search and the download of one hit, the fault on
// each in turn.
class SubtitleFaults : public AccountFaults {
protected:
    void SetUp() override {
        AccountFaults::SetUp();
        ui.AddList(playback::SubtitleSearch::kList, 2);
        options = std::make_unique<playback::PlayerOptions>(state, ui);
        playbackController = std::make_unique<playback::PlaybackController>(state, ui, *options);
        const std::string site = sim.BaseAddress(sim::Service::Subtitles);
        subtitles = std::make_unique<playback::SubtitleController>(state, ui, *playbackController, site);
        search = std::make_unique<playback::SubtitleSearch>(state, ui, *subtitles, site, store::DataDirectory());
        QObject::connect(search.get(), &playback::SubtitleSearch::Done, [this] { ++done; });
    }
    void TearDown() override {
        search.reset();
        subtitles.reset();
        playbackController.reset();
        options.reset();
        AccountFaults::TearDown();
    }
    std::string Status() { return ui.texts[playback::SubtitleSearch::kStatus]; }
    bool RunSearch(double seconds) {
        const int before = done;
        search->Search();
        return lumo::testing::WaitFor([&] { return done > before; }, std::chrono::seconds(int(seconds) + 1));
    }

    std::unique_ptr<playback::PlayerOptions> options;
    std::unique_ptr<playback::PlaybackController> playbackController;
    std::unique_ptr<playback::SubtitleController> subtitles;
    std::unique_ptr<playback::SubtitleSearch> search;
    int done = 0;
};

// The subtitle site's own limit on both requests.
constexpr double kSubtitleSeconds = 15;

TEST_F(SubtitleFaults, SubtitleSiteSearchAndDownload) {
    const auto& film = sim.catalogue().films().front();
    const std::filesystem::path folder = home / "subtitles";
    for (const bool download : {false, true}) {
        for (const sim::Fault& fault : Switches()) {
            SCOPED_TRACE(SwitchName(fault) + (download ? " download" : " search"));
            NextCell(sim::Service::Subtitles, sim::Fault{}, {});
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
            state.subtitleSearchTerm = film.imdb;
            auto& list = *ui.List(playback::SubtitleSearch::kList);
            Clock::time_point start = Clock::now();
            if (download) {
                // A healthy search lists the hits; the fault meets the file.
                ASSERT_TRUE(RunSearch(kSubtitleSeconds));
                ASSERT_GT(list.RowCount(), 0) << Status();
                sim.SetFault(sim::Service::Subtitles, [&] {
                    sim::Fault onFiles = fault;
                    onFiles.pathPrefix = "/download/";
                    return onFiles;
                }());
                const int before = done;
                start = Clock::now();
                search->Download(0);
                ASSERT_TRUE(lumo::testing::WaitFor([&] { return done > before; },
                                                   std::chrono::seconds(int(kSubtitleSeconds) + 1)));
            } else {
                sim.SetFault(sim::Service::Subtitles, fault);
                start = Clock::now();
                ASSERT_TRUE(RunSearch(kSubtitleSeconds));
            }
            const double took = SecondsSince(start);
            EXPECT_LE(took, kSubtitleSeconds);
            const std::vector<std::string> saved = FilesIn(folder);
            FaultTable::Instance().Add(
                {"Subtitles", download ? "subtitle download" : "subtitle search", SwitchName(fault),
                 "panel status \"" + Status() + "\"" +
                     (download ? ", " + std::to_string(saved.size()) + " file(s) saved" : ""),
                 took, kSubtitleSeconds});
            EXPECT_TRUE(ui.messages.empty()) << Messages(ui);
            if (!download) {
                if (Harmless(fault)) {
                    EXPECT_EQ(Status(), "找到" + std::to_string(list.RowCount()) + "个字幕，双击载入");
                    EXPECT_GT(list.RowCount(), 0);
                } else if (fault.kind == sim::FaultKind::Empty || fault.kind == sim::FaultKind::Garbage) {
                    EXPECT_EQ(Status(), "没有找到字幕");
                    EXPECT_EQ(list.RowCount(), 0);
                } else {
                    EXPECT_EQ(Status(), "字幕网站无法访问");
                    EXPECT_EQ(list.RowCount(), 0);
                }
            } else if (Harmless(fault)) {
                EXPECT_EQ(Status().rfind("已载入字幕：", 0), 0u) << Status();
                EXPECT_EQ(saved.size(), 1u);
            } else {
                // Nothing that is not a whole subtitle may land in the folder.
                EXPECT_TRUE(saved.empty()) << Join(saved);
                if (fault.kind == sim::FaultKind::Empty || fault.kind == sim::FaultKind::Garbage) {
                    EXPECT_EQ(Status(), "下载的文件不是字幕文件");
                } else {
                    EXPECT_EQ(Status(), "字幕网站无法访问");
                }
            }
        }
    }
}

TEST_F(AccountFaults, CodecPackDownload) {
    // The download job's limit: connect, and any silence of the server.
    constexpr double kSilenceSeconds = 30;
    const std::string pack = hosts.CodecPackAddress();
    const std::filesystem::path data = store::DataDirectory();
    // Also a pack cut short under a length that matches the cut: the
    // transfer looks complete, the archive is not.
    std::vector<sim::Fault> switches = Switches();
    sim::Fault cut;
    cut.kind = sim::FaultKind::WrongLength;
    cut.bytes = -20000;
    switches.push_back(cut);
    for (const sim::Fault& fault : switches) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Codecs, fault);
        std::error_code ignored;
        std::filesystem::remove_all(data / "codecs", ignored);
        const FileSnapshot files(StoredFiles(home));
        ui.ShowWindow(flow::WindowCode::CODECDL);
        std::optional<bool> ended;
        auto download = std::make_unique<playback::CodecDownload>(state, ui, pack, data);
        QObject::connect(download.get(), &playback::CodecDownload::Ended, [&](bool ok) { ended = ok; });
        const auto start = Clock::now();
        download->Start();
        // A throttled pack takes its size over the rate; anything else must
        // end within the silence limit.
        const double bound = Harmless(fault) ? 120 : kSilenceSeconds;
        ASSERT_TRUE(lumo::testing::WaitFor([&] { return ended.has_value(); },
                                           std::chrono::seconds(static_cast<int>(bound) + 1)));
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        const std::string headline = ui.texts[playback::CodecDownload::kHeadline];
        const std::vector<std::string> unpacked = FilesIn(data / "codecs");
        FaultTable::Instance().Add(
            {"Codecs", "codec pack download", SwitchName(fault),
             *ended ? Messages(ui) + ", window closed, " + std::to_string(unpacked.size()) + " entries unpacked"
                    : "window headline \"" + headline + "\", window may be closed",
             took, bound});
        EXPECT_TRUE(files.Changed().empty());
        EXPECT_FALSE(std::filesystem::exists(download->ArchivePath())) << "the temporary archive stays behind";
        if (Harmless(fault)) {
            EXPECT_TRUE(*ended);
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "解码器下载完毕,欢迎使用！");
            EXPECT_FALSE(ui.IsWindowLoaded(flow::WindowCode::CODECDL));
        } else {
            EXPECT_FALSE(*ended);
            EXPECT_TRUE(download->MayClose());
            EXPECT_TRUE(headline.rfind("下载失败：", 0) == 0 || headline.rfind("解压失败：", 0) == 0) << headline;
            EXPECT_TRUE(ui.messages.empty()) << Messages(ui);
            // Half a pack would pass the next start's folder check.
            EXPECT_TRUE(unpacked.empty()) << Join(unpacked);
        }
        download.reset();
    }
}

}  // namespace
}  // namespace lumo::faults
