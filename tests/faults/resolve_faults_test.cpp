// The road from an info-hash to a playing film under every fault switch: the
// file-list service (magnet parse, availability checks), the offline service
// (availability checks, the resolve) and the 22 download hosts (host search,
// play address, playback on the real engine).
#include <stdlib.h>

#include <memory>

#include "faults/fault_matrix.h"
#include "playback/playback_controller.h"
#include "playback/player_names.h"
#include "playback/player_options.h"
#include "player/engine_events.h"
#include "player/player_engine.h"
#include "resolve/resolve_fixture.h"
#include "resolve/checked_list.h"
#include "resolve/resolver.h"
#include "store/data_directory.h"

namespace lumo::faults {
namespace {

using flow::AvailabilityState;
using resolve::ResolveEnd;
using resolve::testing::ResolveTest;

const bool kTableWriter = InstallTableWriter();

// Lumo's own limits for these requests (none has a setting): HttpRequest's
// 30 s per phase for the file list, InetRequest's 60 s for the offline
// service, 15 s per download-host probe, fifteen probes.
constexpr double kFileListSeconds = 30;
constexpr double kOfflineSeconds = 60;
constexpr double kProbeSeconds = 15;
constexpr int kProbes = 15;

class ResolveFaults : public ResolveTest {
protected:
    void SetUp() override {
        ResolveTest::SetUp();
        std::ofstream(home_ / "config.ini", std::ios::binary) << "[config]\r\nzhanghao=someone\r\n";
        std::ofstream(home_ / "lumojl.ini", std::ios::binary) << "[jl]\r\nshuliang=0\r\n";
    }

    // A clean window side and current item for the next cell, the services
    // healthy until the cell switches its fault on.
    void NextCell(sim::Service service, const sim::Fault& fault) {
        ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(60)));
        sim_->ClearFaults();
        for (const char* name : {resolve::kSearchList, resolve::kMagnetFileList, resolve::kPlayQueueList})
            List(name).Clear();
        ui_->messages.clear();
        ui_->log.clear();
        ui_->texts.clear();
        SetCurrent("", "", "");
        if (sim::IsDownloadHost(service)) {
            for (int host = 1; host <= sim::kDownloadHostCount; ++host) sim_->SetFault(sim::DownloadHost(host), fault);
        } else {
            sim_->SetFault(service, fault);
        }
    }

    std::string Messages() const {
        std::vector<std::string> texts;
        for (const auto& message : ui_->messages) texts.push_back("\"" + message.text + "\"");
        return Join(texts);
    }

    // A search row for the short film, checked; the row's final state.
    std::optional<AvailabilityState> CheckSearchRow(double* took) {
        flow::ListModel& list = List(resolve::kSearchList);
        AddSearchRow(ShortFilm());
        const auto start = Clock::now();
        resolution_->Checker().StartAvailabilityChecks(list, resolve::CheckedList::Search);
        PumpUntil([&] { return AllFinal(list); }, std::chrono::seconds(static_cast<int>(kFileListSeconds + kOfflineSeconds + 1)));
        *took = SecondsSince(start);
        return list.State(0);
    }

    // `playable`: the icon the row is meant to end with under a switch.
    void CheckSearchRowCells(sim::Service service, const char* serviceName,
                             const std::function<bool(const sim::Fault&)>& playable) {
        for (const sim::Fault& fault : Switches()) {
            SCOPED_TRACE(SwitchName(fault));
            NextCell(service, fault);
            const FileSnapshot files(StoredFiles(home_));
            double took = 0;
            const auto state = CheckSearchRow(&took);
            const double bound = kFileListSeconds + kOfflineSeconds;
            EXPECT_LE(took, bound);
            EXPECT_TRUE(files.Changed().empty());
            EXPECT_TRUE(ui_->messages.empty()) << Messages();
            FaultTable::Instance().Add({serviceName, "availability check of a search row", SwitchName(fault),
                                        "row icon: " + StateName(state), took, bound});
            EXPECT_EQ(state, playable(fault) ? AvailabilityState::Playable : AvailabilityState::NotPlayable);
            // A row that cannot be played carries no play data.
            if (!playable(fault))
                EXPECT_EQ(List(resolve::kSearchList).Cell(0, resolve::ColumnsOf(resolve::CheckedList::Search).sha1), "");
        }
    }
};

TEST_F(ResolveFaults, FileListForTheMagnetWindow) {
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::FileList, fault);
        const FileSnapshot files(StoredFiles(home_));
        flow::ListModel& list = List(resolve::kMagnetFileList);
        ui_->texts[resolve::kMagnetInputBox] = "magnet:?xt=urn:btih:" + Series().infoHash;
        const auto start = Clock::now();
        const bool parsed = resolution_->Magnet().ParseMagnetInput();
        // The listed files are then checked with the offline service, one each.
        if (parsed) PumpUntil([&] { return AllFinal(list); }, std::chrono::seconds(3 * 60 + 1));
        const double took = SecondsSince(start);
        const double bound = kFileListSeconds + list.RowCount() * kOfflineSeconds;
        EXPECT_LE(took, bound);
        EXPECT_TRUE(files.Changed().empty());

        std::string seen;
        if (parsed) {
            seen = std::to_string(list.RowCount()) + " files listed, first " + StateName(list.State(0));
        } else {
            seen = Messages() + ", " + std::to_string(list.RowCount()) + " rows";
        }
        FaultTable::Instance().Add({"FileList", "magnet parse -> file list", SwitchName(fault), seen, took, bound});

        if (WholeAnswerArrives(fault)) {
            EXPECT_TRUE(parsed);
            EXPECT_EQ(list.RowCount(), 3);
            EXPECT_TRUE(ui_->messages.empty()) << Messages();
        } else {
            EXPECT_FALSE(parsed);
            EXPECT_EQ(list.RowCount(), 0);
            ASSERT_EQ(ui_->messages.size(), 1u);
            EXPECT_EQ(ui_->messages[0].text, "未能成功解析！");
        }
    }
}

TEST_F(ResolveFaults, FileListForTheAvailabilityCheck) {
    CheckSearchRowCells(sim::Service::FileList, "FileList", WholeAnswerArrives);
}

// Only the service's "not held" cookie marks a row; an answer without any
// cookie counts as held, and the host search finds out (see below).
TEST_F(ResolveFaults, OfflineServiceForTheAvailabilityCheck) {
    CheckSearchRowCells(sim::Service::Offline, "Offline", [](const sim::Fault&) { return true; });
}

TEST_F(ResolveFaults, OfflineServiceForTheResolve) {
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Offline, fault);
        const FileSnapshot files(StoredFiles(home_));
        SetCurrent(ShortFilm());
        const auto start = Clock::now();
        const std::optional<ResolveEnd> end = ResolveNow();
        const double took = SecondsSince(start);
        const double bound = kOfflineSeconds + kProbes * kProbeSeconds;
        ASSERT_TRUE(end.has_value());
        EXPECT_LE(took, bound);

        const std::string top = ui_->texts[resolve::kTopStatus];
        const std::string seen = *end == ResolveEnd::Found
                                     ? "play address found on " + resolution_->Resolve().DownloadHost() +
                                           ", queue row written"
                                     : Messages() + ", top status \"" + top + "\"";
        FaultTable::Instance().Add({"Offline", "resolve (play information)", SwitchName(fault), seen, took, bound});

        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(*end, ResolveEnd::Found);
            EXPECT_EQ(List(resolve::kPlayQueueList).RowCount(), 1);
        } else {
            // No download path in the answer: every host line is probed
            // for nothing, and the search ends without a host.
            EXPECT_EQ(*end, ResolveEnd::NoHost);
            ASSERT_EQ(ui_->messages.size(), 1u);
            EXPECT_EQ(ui_->messages[0].text, "获取云播放地址失败,请换一个啦！");
            EXPECT_EQ(top, "获取云播地址失败..");
            EXPECT_FALSE(ui_->visibility[resolve::kPlayLoading]);
            EXPECT_EQ(List(resolve::kPlayQueueList).RowCount(), 0);
            EXPECT_TRUE(files.Changed().empty()) << Join(files.Changed());
        }
    }
}

// The download hosts, with the real engine playing what the host search
// found and the playback controller telling the user how it went.
class PlaybackFaults : public ResolveFaults {
protected:
    void SetUp() override {
        ::setenv("LUMO_ENGINE_VO", "null", 1);
        ::setenv("LUMO_ENGINE_AO", "null", 1);
        ResolveFaults::SetUp();
        events_ = std::make_unique<player::EngineEvents>();
        ASSERT_TRUE(state_->player.LoadLibrary(LUMO_ENGINE_PATH));
        ASSERT_NE(state_->player.Create(0, 0, 0, 852, 512, player::EngineEvents::Callbacks()), 0);
        options_ = std::make_unique<playback::PlayerOptions>(*state_, *ui_);
        controller_ = std::make_unique<playback::PlaybackController>(*state_, *ui_, *options_);
        QObject::connect(events_.get(), &player::EngineEvents::stateChanged,
                         [this](int, int newState) { controller_->OnStateChanged(newState); });
    }
    void TearDown() override {
        state_->player.Close();
        PumpFor(200ms);
        state_->player.Destroy();
        controller_.reset();
        options_.reset();
        events_.reset();
        ResolveFaults::TearDown();
    }

    std::unique_ptr<player::EngineEvents> events_;
    std::unique_ptr<playback::PlayerOptions> options_;
    std::unique_ptr<playback::PlaybackController> controller_;
};

TEST_F(PlaybackFaults, DownloadHostsForTheHostSearchAndPlayback) {
    constexpr double kEngineOpenSeconds = 30;
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        state_->player.Close();
        PumpUntil([&] { return state_->player.GetState() == player::kStateReady; }, 5s);
        NextCell(sim::DownloadHost(1), fault);
        const FileSnapshot files(StoredFiles(home_));
        SetCurrent(ShortFilm());
        const auto start = Clock::now();
        const std::optional<ResolveEnd> end = ResolveNow();
        ASSERT_TRUE(end.has_value());
        // After an open, the engine either plays or falls back to ready.
        bool played = false;
        if (*end == ResolveEnd::Found) {
            PumpUntil(
                [&] {
                    const int s = state_->player.GetState();
                    played = played || s == player::kStatePlaying;
                    return played || (s == player::kStateReady &&
                                      ui_->texts[playback::kStatus] == "无法打开此文件或地址,请检查后再试");
                },
                std::chrono::seconds(static_cast<int>(kEngineOpenSeconds)));
        }
        const double took = SecondsSince(start);
        const double bound = kOfflineSeconds + kProbes * kProbeSeconds + kEngineOpenSeconds;
        EXPECT_LE(took, bound);

        std::string seen;
        if (*end == ResolveEnd::Found) {
            seen = played ? "plays (engine state playing)"
                          : "engine status \"" + ui_->texts[playback::kStatus] + "\", queue row marked not playable";
        } else {
            seen = Messages() + ", top status \"" + ui_->texts[resolve::kTopStatus] + "\"";
        }
        FaultTable::Instance().Add({"Download hosts 1-22", "resolve -> host search -> play address -> engine",
                                    SwitchName(fault), seen, took, bound});

        if (Harmless(fault)) {
            EXPECT_EQ(*end, ResolveEnd::Found);
            EXPECT_TRUE(played) << "engine state " << state_->player.GetState();
        } else if (fault.kind == sim::FaultKind::Garbage) {
            // The host answers with the right length, so the search takes it;
            // the engine then finds no film in it.
            EXPECT_EQ(*end, ResolveEnd::Found);
            EXPECT_FALSE(played);
            EXPECT_EQ(ui_->texts[playback::kStatus], "无法打开此文件或地址,请检查后再试");
            ASSERT_EQ(List(resolve::kPlayQueueList).RowCount(), 1);
            EXPECT_EQ(List(resolve::kPlayQueueList).State(0), AvailabilityState::NotPlayable);
        } else {
            EXPECT_EQ(*end, ResolveEnd::NoHost);
            ASSERT_EQ(ui_->messages.size(), 1u);
            EXPECT_EQ(ui_->messages[0].text, "获取云播放地址失败,请换一个啦！");
            EXPECT_EQ(ui_->texts[resolve::kTopStatus], "获取云播地址失败..");
            EXPECT_EQ(List(resolve::kPlayQueueList).RowCount(), 0);
            EXPECT_TRUE(files.Changed().empty()) << Join(files.Changed());
            EXPECT_EQ(state_->player.GetState(), player::kStateReady);
        }
    }
}

}  // namespace
}  // namespace lumo::faults
