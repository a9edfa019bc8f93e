// The whole road with the real engine library: a playable search row is
// resolved, the engine gets the cookie and the cache path and plays the
// file from the simulated download host.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "player/player_engine.h"
#include "resolve/resolve_fixture.h"

namespace lumo::resolve::testing {
namespace {

class EnginePlaybackTest : public ResolveTest {
protected:
    void SetUp() override {
        ::setenv("LUMO_ENGINE_VO", "null", 1);
        ::setenv("LUMO_ENGINE_AO", "null", 1);
        ResolveTest::SetUp();
        ASSERT_TRUE(state_->player.LoadLibrary(LUMO_ENGINE_PATH));
        ASSERT_NE(state_->player.Create(0, 0, 0, 852, 512, {}), 0);
    }
    void TearDown() override {
        state_->player.Close();
        state_->player.Destroy();
        ResolveTest::TearDown();
    }
};

TEST_F(EnginePlaybackTest, ASearchRowPlaysFromItsDownloadHostAndIsCached) {
    flow::ListModel& list = List(kSearchList);
    AddSearchRow(ShortFilm());
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    ASSERT_EQ(list.State(0), flow::AvailabilityState::Playable);

    ui_->checked.insert(kCacheCheckBox);
    list.SetSelectedRow(0);
    std::optional<ResolveEnd> end;
    QObject::connect(&resolution_->Resolve(), &Resolver::ResolveEnded, [&](ResolveEnd e) { end = e; });
    resolution_->Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    ASSERT_TRUE(WaitUntil([&] { return end.has_value(); }));
    ASSERT_EQ(end, ResolveEnd::Found);

    // Playing means the engine fetched the file from host 9, whose answer
    // needs the FTN5K cookie the resolve handed over.
    ASSERT_TRUE(WaitUntil([&] { return state_->player.GetState() == player::kStatePlaying; },
                          std::chrono::seconds(30)))
        << "state " << state_->player.GetState();
    const auto& media = MediaOf(ShortFilm());
    // The probe and at least one of the engine's own requests got the file.
    int served = 0;
    for (const auto& request : sim_->Requests(sim::DownloadHost(9)))
        if (request.status / 100 == 2 && request.Header("Cookie").find("FTN5K=" + media.cookie) != std::string::npos)
            ++served;
    EXPECT_GE(served, 2);

    const std::filesystem::path cache = home_ / "lumohc" / ShortFilm().title;
    EXPECT_TRUE(WaitUntil([&] {
        std::error_code ignored;
        return std::filesystem::file_size(cache, ignored) > 0 && !ignored;
    })) << cache;
    EXPECT_EQ(List(kPlayQueueList).RowCount(), 1);
}

}  // namespace
}  // namespace lumo::resolve::testing
