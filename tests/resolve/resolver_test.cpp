// ResolvePlayAddress against the service simulator, with the stand-in
// engine recording the calls it gets.
#include <filesystem>
#include <string>
#include <vector>

#include "net/cookie_store.h"
#include "player/test_engine_control.h"
#include "resolve/resolve_fixture.h"
#include "sim/fault.h"
#include "store/data_directory.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace lumo::resolve::testing {
namespace {

using sim::EntryKind;
using sim::Service;

class ResolverTest : public ResolveTest {
protected:
    void SetUp() override {
        ResolveTest::SetUp();
        engine_.Reset();
        ASSERT_TRUE(state_->player.LoadLibrary(LUMO_TEST_ENGINE_FULL_PATH));
        state_->player.Create(0, 0, 0, 852, 512, {});
        engine_.Reset();
    }

    std::vector<store::HistoryRow> History() const {
        return store::LoadHistory(store::IniFile(store::HistoryIniPath()));
    }
    std::string JarCookie() const { return net::GetCookies(SimHosts().OfflineHost(), "FTN5K"); }
    std::vector<std::string> TopStatuses() const {
        std::vector<std::string> out;
        for (const auto& entry : ui_->log)
            if (entry.rfind("text 标签_顶部状态=", 0) == 0) out.push_back(entry.substr(std::string("text 标签_顶部状态=").size()));
        return out;
    }

    TestEngineControl engine_{LUMO_TEST_ENGINE_FULL_PATH};
};

TEST_F(ResolverTest, TakesLineOneAfterOneProbeAndOpensWithTheCookie) {
    const auto& media = MediaOf(Feature());
    SetCurrent(Feature());
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);

    sim_->WaitIdle();
    EXPECT_EQ(Requests(sim::DownloadHost(1)), 1u);
    EXPECT_EQ(DownloadProbes(), 1u);
    EXPECT_EQ(Requests(Service::Offline), 1u);
    const std::string url = sim_->DownloadAddress(media, 1);
    EXPECT_EQ(resolution_->Resolve().PlayUrl(), url);
    EXPECT_EQ(resolution_->Resolve().DownloadHost(), SimHosts().HostLine(1));
    // Cookie first, then the open; no cache path when caching is off.
    EXPECT_EQ(engine_.Log(), "SetConfigA(1105,FTN5K=" + media.cookie + ");OpenA(" + url + ")");
    EXPECT_EQ(JarCookie(), "FTN5K=" + media.cookie);

    EXPECT_EQ(TopStatuses(), (std::vector<std::string>{"正在获取播放地址...", ""}));
    EXPECT_TRUE(ui_->visibility[kPlayLoading]);
    EXPECT_TRUE(ui_->messages.empty());

    flow::ListModel& queue = List(kPlayQueueList);
    ASSERT_EQ(queue.RowCount(), 1);
    EXPECT_EQ(queue.Cell(0, 1), "√");
    EXPECT_EQ(queue.Cell(0, 2), Feature().title);
    EXPECT_EQ(queue.Cell(0, 3), std::to_string(Feature().files.front().size));
    EXPECT_EQ(queue.Cell(0, 4), Feature().files.front().sha1);
    EXPECT_EQ(queue.Cell(0, 5), Feature().infoHash);
    const auto history = History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0], (store::HistoryRow{Feature().title, std::to_string(Feature().files.front().size),
                                             Feature().files.front().sha1, Feature().infoHash}));
}

TEST_F(ResolverTest, TakesLineNineAfterNineProbes) {
    SetCurrent(ShortFilm());
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);
    sim_->WaitIdle();
    for (int host = 1; host <= 9; ++host) EXPECT_EQ(Requests(sim::DownloadHost(host)), 1u) << host;
    EXPECT_EQ(DownloadProbes(), 9u);
    EXPECT_EQ(resolution_->Resolve().PlayUrl(), sim_->DownloadAddress(MediaOf(ShortFilm()), 9));
    EXPECT_EQ(resolution_->Resolve().DownloadHost(), SimHosts().HostLine(9));
    EXPECT_EQ(engine_.Calls("OpenA"), 1);
}

TEST_F(ResolverTest, FailsWhenOnlyLinesBeyondFifteenHoldTheFile) {
    SetCurrent(FarHostFilm());
    ASSERT_EQ(ResolveNow(), ResolveEnd::NoHost);
    sim_->WaitIdle();
    for (int host = 1; host <= 15; ++host) EXPECT_EQ(Requests(sim::DownloadHost(host)), 1u) << host;
    for (int host = 16; host <= 22; ++host) EXPECT_EQ(Requests(sim::DownloadHost(host)), 0u) << host;

    ASSERT_EQ(ui_->messages.size(), 1u);
    EXPECT_EQ(ui_->messages[0].text, "获取云播放地址失败,请换一个啦！");
    EXPECT_EQ(ui_->messages[0].title, "Lumo提示：");
    EXPECT_EQ(TopStatuses().back(), "获取云播地址失败..");
    EXPECT_FALSE(ui_->visibility[kListLoading]);
    EXPECT_FALSE(ui_->visibility[kPlayLoading]);
    EXPECT_EQ(resolution_->Resolve().PlayUrl(), sim_->DownloadAddress(MediaOf(FarHostFilm()), 15));
    EXPECT_EQ(engine_.Log(), "");
    EXPECT_EQ(List(kPlayQueueList).RowCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(store::HistoryIniPath()));
}

TEST_F(ResolverTest, UnplayableFilesEndWithoutProbing) {
    // The service does not hold it.
    SetCurrent(OfKind(EntryKind::NotHeld));
    ASSERT_EQ(ResolveNow(), ResolveEnd::Unplayable);
    // The sha1 says nothing can be asked.
    SetCurrent(std::string(40, '0'), "1000", "zero");
    ASSERT_EQ(ResolveNow(), ResolveEnd::Unplayable);

    sim_->WaitIdle();
    EXPECT_EQ(DownloadProbes(), 0u);
    EXPECT_EQ(Requests(Service::Offline), 2u);
    ASSERT_EQ(ui_->messages.size(), 2u);
    for (const auto& message : ui_->messages) {
        EXPECT_EQ(message.text, "暂时无法播放");
        EXPECT_EQ(message.title, "");
    }
    EXPECT_EQ(TopStatuses().back(), "暂时无法播放此内容...");
    EXPECT_FALSE(ui_->visibility[kPlayLoading]);
    EXPECT_EQ(engine_.Log(), "");
    EXPECT_EQ(List(kPlayQueueList).RowCount(), 0);
}

TEST_F(ResolverTest, HostsReportingAnotherLengthAreSkipped) {
    const auto& feature = Feature().files.front();
    // Host 1 lies about the length: line 3 is the next that holds the file.
    sim::Fault wrong = MakeFault(sim::FaultKind::WrongLength);
    wrong.bytes = 7;
    sim_->SetFault(sim::DownloadHost(1), wrong);
    SetCurrent(Feature());
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);
    EXPECT_EQ(resolution_->Resolve().DownloadHost(), SimHosts().HostLine(3));

    // An expected size written with a leading zero never matches.
    sim_->ClearFaults();
    SetCurrent(feature.sha1, "0" + std::to_string(feature.size), "zero-led");
    ASSERT_EQ(ResolveNow(), ResolveEnd::NoHost);

    // Neither does a failed offline query (no path, no cookie).
    sim_->SetFault(Service::Offline, MakeFault(sim::FaultKind::Drop));
    SetCurrent(Feature());
    ASSERT_EQ(ResolveNow(), ResolveEnd::NoHost);
    EXPECT_EQ(engine_.Calls("OpenA"), 1);
}

TEST_F(ResolverTest, CachingSendsASafeCachePathBetweenCookieAndOpen) {
    ui_->checked.insert(kCacheCheckBox);
    const auto& feature = Feature().files.front();
    SetCurrent(feature.sha1, std::to_string(feature.size), "  ../电影/第1集  ", Feature().infoHash);
    ASSERT_FALSE(std::filesystem::exists(home_ / "lumohc"));
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);

    const std::filesystem::path cache = home_ / "lumohc" / "  .._电影_第1集  ";
    const std::string url = sim_->DownloadAddress(MediaOf(Feature()), 1);
    EXPECT_EQ(engine_.Log(), "SetConfigA(1105,FTN5K=" + MediaOf(Feature()).cookie + ");SetConfigA(2201," +
                                 cache.string() + ");OpenA(" + url + ")");
    EXPECT_TRUE(std::filesystem::is_directory(home_ / "lumohc"));
    EXPECT_EQ(state_->cacheProgressText, "0");
    // The queue and the current title lose the blanks; the cache path of
    // the same resolve keeps them.
    EXPECT_EQ(List(kPlayQueueList).Cell(0, 2), "../电影/第1集");
    EXPECT_EQ(state_->currentTitle, "../电影/第1集");
}

TEST_F(ResolverTest, AFileAlreadyQueuedOnlyMovesTheMark) {
    flow::ListModel& queue = List(kPlayQueueList);
    const auto& feature = Feature().files.front();
    queue.AppendRow({"", "√", "other", "10", "OTHERSHA1", "OTHERHASH"});
    queue.AppendRow({"", "", "old title", std::to_string(feature.size), feature.sha1, "OLDHASH"});
    SetCurrent(feature.sha1, std::to_string(feature.size), "new title", Feature().infoHash);
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);

    ASSERT_EQ(queue.RowCount(), 2);
    EXPECT_EQ(queue.Cell(0, 1), "");
    EXPECT_EQ(queue.Cell(1, 1), "√");
    EXPECT_EQ(queue.Cell(1, 2), "old title");
    EXPECT_EQ(queue.Cell(1, 5), "OLDHASH");
    EXPECT_FALSE(std::filesystem::exists(store::HistoryIniPath()));
    EXPECT_EQ(engine_.Calls("OpenA"), 1);
    // The title is not trimmed on this path either.
    EXPECT_EQ(state_->currentTitle, "new title");
}

TEST_F(ResolverTest, ANewerResolveLeavesTheOlderOneNoSay) {
    // The older resolve's play-information answer comes late, after the
    // newer one has set its own cookie and opened its file.
    sim::Fault slow = MakeFault(sim::FaultKind::Delay);
    slow.ms = 1200;
    slow.count = 1;
    sim_->SetFault(Service::Offline, slow);
    SetCurrent(Feature());
    resolution_->Resolve().StartResolve();
    ASSERT_TRUE(WaitUntil([] { return Requests(Service::Offline) >= 1; }));

    SetCurrent(ShortFilm());
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);
    const size_t messagesAfterNewer = ui_->messages.size();
    const size_t logAfterNewer = ui_->log.size();

    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    sim_->WaitIdle();
    RunEventsFor(std::chrono::milliseconds(100));

    const auto& shortMedia = MediaOf(ShortFilm());
    EXPECT_EQ(engine_.Log(), "SetConfigA(1105,FTN5K=" + shortMedia.cookie + ");OpenA(" +
                                 sim_->DownloadAddress(shortMedia, 9) + ")");
    EXPECT_EQ(ui_->messages.size(), messagesAfterNewer);
    EXPECT_EQ(ui_->log.size(), logAfterNewer);
    EXPECT_EQ(List(kPlayQueueList).RowCount(), 1);
    ASSERT_EQ(History().size(), 1u);
    EXPECT_EQ(History()[0].sha1, ShortFilm().files.front().sha1);
    // The older resolve neither probed nor replaced the newer one's cookie.
    EXPECT_EQ(DownloadProbes(), 9u);
    EXPECT_EQ(JarCookie(), "FTN5K=" + shortMedia.cookie);
}

TEST_F(ResolverTest, AnAbandonedHostSearchStopsAndStaysSilent) {
    // Slow hosts keep the older resolve probing when the newer starts.
    for (int host = 1; host <= 15; ++host) {
        sim::Fault slow = MakeFault(sim::FaultKind::Delay);
        slow.ms = 150;
        slow.count = 1;
        sim_->SetFault(sim::DownloadHost(host), slow);
    }
    SetCurrent(FarHostFilm());
    resolution_->Resolve().StartResolve();
    ASSERT_TRUE(WaitUntil([] { return DownloadProbes() >= 2; }));
    sim_->ClearFaults();

    SetCurrent(Feature());
    ASSERT_EQ(ResolveNow(), ResolveEnd::Found);
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    sim_->WaitIdle();
    RunEventsFor(std::chrono::milliseconds(100));

    EXPECT_TRUE(ui_->messages.empty());
    EXPECT_LT(DownloadProbes(), 15u);
    EXPECT_EQ(engine_.Calls("OpenA"), 1);
    EXPECT_EQ(TopStatuses().back(), "");
    EXPECT_EQ(JarCookie(), "FTN5K=" + MediaOf(Feature()).cookie);
}

TEST_F(ResolverTest, AResolverGoneMidwayChangesNothing) {
    sim::Fault slow = MakeFault(sim::FaultKind::Delay);
    slow.ms = 500;
    sim_->SetFault(Service::Offline, slow);
    SetCurrent(Feature());
    resolution_->Resolve().StartResolve();
    EXPECT_FALSE(state_->resolveWorker.isNull());
    ASSERT_TRUE(WaitUntil([] { return Requests(Service::Offline) >= 1; }));
    resolution_.reset();

    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    RunEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(engine_.Log(), "");
    EXPECT_EQ(List(kPlayQueueList).RowCount(), 0);
    EXPECT_EQ(DownloadProbes(), 0u);
    // The worker's QThread has deleted itself.
    EXPECT_TRUE(WaitUntil([&] { return state_->resolveWorker.isNull(); }));
}

}  // namespace
}  // namespace lumo::resolve::testing
