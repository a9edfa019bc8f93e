// The availability checks of the four lists against the service simulator.
#include <algorithm>
#include <chrono>
#include <map>
#include <vector>

#include "net/http_request.h"
#include "resolve/resolve_fixture.h"
#include "sim/fault.h"

namespace lumo::resolve::testing {
namespace {

using flow::AvailabilityState;
using sim::EntryKind;
using sim::Service;

class AvailabilityTest : public ResolveTest {};

TEST_F(AvailabilityTest, SearchRowsReachEveryState) {
    flow::ListModel& list = List(kSearchList);
    const int playable = AddSearchRow(Feature());
    const int several = AddSearchRow(Series());
    const int notHeld = AddSearchRow(OfKind(EntryKind::NotHeld));
    const int tiny = AddSearchRow(Subtitle());
    const int zeroSha1 = AddSearchRow(OfKind(EntryKind::ZeroSha1));
    const int unknown = AddSearchRow(OfKind(EntryKind::UnknownHash));
    const int farHost = AddSearchRow(FarHostFilm());
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));

    EXPECT_EQ(list.State(playable), AvailabilityState::Playable);
    EXPECT_EQ(list.State(several), AvailabilityState::SeveralFiles);
    EXPECT_EQ(list.State(notHeld), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(tiny), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(zeroSha1), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(unknown), AvailabilityState::NotPlayable);
    // Held by the service: the check cannot know that no usable host has it.
    EXPECT_EQ(list.State(farHost), AvailabilityState::Playable);

    const auto& file = Feature().files.front();
    EXPECT_EQ(list.Cell(playable, 5), std::to_string(file.index));
    EXPECT_EQ(list.Cell(playable, 6), file.sha1);
    EXPECT_EQ(list.Cell(playable, 7), std::to_string(file.size));
    EXPECT_EQ(list.Cell(playable, 8), "");

    // One file-list request per row; a play-information request only for
    // the single files that pass the size and sha1 rules.
    sim_->WaitIdle();
    EXPECT_EQ(Requests(Service::FileList), 7u);
    EXPECT_EQ(Requests(Service::Offline), 3u);
    EXPECT_EQ(DownloadProbes(), 0u);

    // Several files: the raw answer, nothing else.
    const std::string rawAnswer = net::HttpRequest(sim_->FileListPrefix() + Series().infoHash);
    EXPECT_EQ(list.Cell(several, 8), rawAnswer);
    EXPECT_NE(rawAnswer.find("\\u"), std::string::npos);  // still escaped
    for (int column : {5, 6, 7}) EXPECT_EQ(list.Cell(several, column), "") << column;

    // Not held: the index is written, sha1 and size are not.
    EXPECT_EQ(list.Cell(notHeld, 5), std::to_string(OfKind(EntryKind::NotHeld).files.front().index));
    EXPECT_EQ(list.Cell(notHeld, 6), "");
    EXPECT_EQ(list.Cell(notHeld, 7), "");
    EXPECT_EQ(list.Cell(unknown, 5), "");
}

TEST_F(AvailabilityTest, ResourceRowsUseTheirOwnColumns) {
    flow::ListModel& list = List(kResourceList);
    const int playable = AddResourceRow(Feature());
    const int tiny = AddResourceRow(Subtitle());
    const int several = AddResourceRow(Series());
    ASSERT_TRUE(CheckAll(list, CheckedList::Resource));

    const auto& file = Feature().files.front();
    EXPECT_EQ(list.State(playable), AvailabilityState::Playable);
    EXPECT_EQ(list.Cell(playable, 5), std::to_string(file.index));
    EXPECT_EQ(list.Cell(playable, 4), file.sha1);
    EXPECT_EQ(list.Cell(playable, 7), std::to_string(file.size));
    EXPECT_EQ(list.Cell(playable, 2), Feature().title);
    EXPECT_EQ(list.Cell(playable, 3), Feature().infoHash);

    EXPECT_EQ(list.State(tiny), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.Cell(tiny, 4), "");
    EXPECT_EQ(list.State(several), AvailabilityState::SeveralFiles);
    EXPECT_NE(list.Cell(several, 6).find(Series().files[1].sha1), std::string::npos);
    sim_->WaitIdle();
    EXPECT_EQ(Requests(Service::Offline), 1u);  // the tiny file is never asked about
}

TEST_F(AvailabilityTest, FilmSourcesFetchTheTorrentPageAndHaveNoSizeRule) {
    flow::ListModel& list = List(kFilmSourceList);
    const int tiny = AddFilmSourceRow(Subtitle());
    const int feature = AddFilmSourceRow(Feature());
    const int several = AddFilmSourceRow(Series());
    std::vector<std::string> missing(kFilmSourceColumns);
    missing[2] = "没有这个种子";
    missing[4] = sim_->BaseAddress(Service::Films) + "/bt/FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF.html";
    const int noPage = list.AppendRow(missing);
    ASSERT_TRUE(CheckAll(list, CheckedList::FilmSources));

    // The file under 1000 bytes is asked about here and is playable.
    EXPECT_EQ(list.State(tiny), AvailabilityState::Playable);
    EXPECT_EQ(list.Cell(tiny, 9), Subtitle().infoHash);
    EXPECT_EQ(list.Cell(tiny, 6), Subtitle().files.front().sha1);
    EXPECT_EQ(list.Cell(tiny, 7), std::to_string(Subtitle().files.front().size));
    EXPECT_LT(Subtitle().files.front().size, 1000u);

    EXPECT_EQ(list.State(feature), AvailabilityState::Playable);
    EXPECT_EQ(list.Cell(feature, 9), Feature().infoHash);
    EXPECT_EQ(list.Cell(feature, 8), std::to_string(Feature().files.front().index));

    EXPECT_EQ(list.State(several), AvailabilityState::SeveralFiles);
    EXPECT_EQ(list.Cell(several, 9), Series().infoHash);
    EXPECT_NE(list.Cell(several, 10).find(Series().files[2].sha1), std::string::npos);

    // A page without a magnet link: the hash cell is written empty and the
    // bare prefix finds nothing.
    EXPECT_EQ(list.State(noPage), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.Cell(noPage, 9), "");

    sim_->WaitIdle();
    EXPECT_EQ(Requests(Service::Films), 4u);
    EXPECT_EQ(Requests(Service::FileList), 4u);
    EXPECT_EQ(Requests(Service::Offline), 2u);
}

TEST_F(AvailabilityTest, MagnetFileRowsAskOnlyForUsableSha1s) {
    flow::ListModel& list = List(kMagnetFileList);
    auto add = [&](const std::string& sha1) {
        std::vector<std::string> cells(kMagnetFileColumns);
        cells[1] = "file";
        cells[3] = sha1;
        return list.AppendRow(cells);
    };
    const int held = add(Feature().files.front().sha1);
    const int notHeld = add(OfKind(EntryKind::NotHeld).files.front().sha1);
    const int zeros = add(std::string(40, '0'));
    const int empty = add("");
    ASSERT_TRUE(CheckAll(list, CheckedList::MagnetFiles));

    EXPECT_EQ(list.State(held), AvailabilityState::Playable);
    EXPECT_EQ(list.State(notHeld), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(zeros), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(empty), AvailabilityState::NotPlayable);
    sim_->WaitIdle();
    EXPECT_EQ(Requests(Service::Offline), 2u);
    EXPECT_EQ(Requests(Service::FileList), 0u);
}

TEST_F(AvailabilityTest, UnreachableServices) {
    flow::ListModel& list = List(kSearchList);
    AddSearchRow(Feature());

    // No file-list address yet (the address list has not arrived).
    state_->SetRemoteAddress(ResolveEndpoints::kFileListKey, "");
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    EXPECT_EQ(list.State(0), AvailabilityState::NotPlayable);

    // A file-list service that does not answer.
    list.Clear();
    AddSearchRow(Feature());
    state_->SetRemoteAddress(ResolveEndpoints::kFileListKey, "http://127.0.0.1:1/filelist.php?hash=");
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    EXPECT_EQ(list.State(0), AvailabilityState::NotPlayable);

    // An offline service that drops the connection gives an empty answer,
    // which counts as held: the row is playable and carries its sha1 and
    // size (the resolve finds out later).
    state_->SetRemoteAddress(ResolveEndpoints::kFileListKey, sim_->FileListPrefix());
    sim_->SetFault(Service::Offline, MakeFault(sim::FaultKind::Drop));
    list.Clear();
    AddSearchRow(OfKind(EntryKind::NotHeld));
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    EXPECT_EQ(list.State(0), AvailabilityState::Playable);
    EXPECT_EQ(list.Cell(0, 6), OfKind(EntryKind::NotHeld).files.front().sha1);
    EXPECT_EQ(list.Cell(0, 7), std::to_string(OfKind(EntryKind::NotHeld).files.front().size));

    // Garbage instead of a file list.
    sim_->ClearFaults();
    sim_->SetFault(Service::FileList, MakeFault(sim::FaultKind::Garbage));
    list.Clear();
    AddSearchRow(Feature());
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    EXPECT_EQ(list.State(0), AvailabilityState::NotPlayable);
}

TEST_F(AvailabilityTest, StartsRowsOneAfterAnotherWithoutHoldingTheGuiThread) {
    flow::ListModel& list = List(kSearchList);
    for (int i = 0; i < 5; ++i) AddSearchRow(OfKind(EntryKind::UnknownHash));
    std::map<int, std::chrono::steady_clock::time_point> checkingAt;
    QObject::connect(&list, &flow::ListModel::StateChanged, [&](int row) {
        if (list.State(row) == AvailabilityState::Checking) checkingAt[row] = std::chrono::steady_clock::now();
    });

    resolution_->Checker().StartAvailabilityChecks(list, CheckedList::Search);
    // Back at once: only the first row has been reached.
    EXPECT_EQ(list.State(0), AvailabilityState::Checking);
    for (int row = 1; row < 5; ++row) EXPECT_FALSE(list.State(row).has_value()) << row;
    EXPECT_EQ(resolution_->Checker().PendingChecks(list), 5);

    ASSERT_TRUE(WaitUntil([&] { return AllFinal(list); }));
    EXPECT_EQ(resolution_->Checker().PendingChecks(list), 0);
    ASSERT_EQ(checkingAt.size(), 5u);
    for (int row = 1; row < 5; ++row) {
        const auto gap = checkingAt[row] - checkingAt[0];
        EXPECT_GE(gap, std::chrono::milliseconds(100 * row - 5)) << row;
    }
}

TEST_F(AvailabilityTest, ARefilledListGetsNothingFromItsOldChecks) {
    flow::ListModel& list = List(kSearchList);
    // Were the old first row's late answer written, the new first row would
    // turn Playable and get a sha1.
    AddSearchRow(Feature());
    AddSearchRow(Series());
    AddSearchRow(Series());
    sim::Fault slow = MakeFault(sim::FaultKind::Delay);
    slow.ms = 1500;
    slow.count = 1;
    sim_->SetFault(Service::FileList, slow);
    resolution_->Checker().StartAvailabilityChecks(list, CheckedList::Search);
    ASSERT_TRUE(WaitUntil([] { return Requests(Service::FileList) >= 1; }));
    int oldRowsStarted = 0;
    for (int row = 0; row < list.RowCount(); ++row) oldRowsStarted += list.State(row).has_value() ? 1 : 0;

    std::vector<std::string> changes;
    QObject::connect(&list, &flow::ListModel::StateChanged,
                     [&](int row) { changes.push_back("state " + std::to_string(row)); });
    QObject::connect(&list, &flow::ListModel::CellChanged, [&](int row, int column) {
        changes.push_back("cell " + std::to_string(row) + "," + std::to_string(column));
    });

    list.Clear();
    AddSearchRow(OfKind(EntryKind::NotHeld));
    AddSearchRow(OfKind(EntryKind::UnknownHash));
    ASSERT_TRUE(CheckAll(list, CheckedList::Search));
    EXPECT_EQ(list.State(0), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.State(1), AvailabilityState::NotPlayable);

    // Let the delayed answer arrive and its worker end.
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    sim_->WaitIdle();
    RunEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(list.State(0), AvailabilityState::NotPlayable);
    EXPECT_EQ(list.Cell(0, 6), "");
    EXPECT_EQ(list.Cell(0, 7), "");
    EXPECT_EQ(list.RowCount(), 2);
    // Exactly the new rows' own changes: Checking, the index of row 0, two
    // final states.
    std::sort(changes.begin(), changes.end());
    EXPECT_EQ(changes, (std::vector<std::string>{"cell 0,5", "state 0", "state 0", "state 1", "state 1"}))
        << ::testing::PrintToString(changes);
    // The old rows not yet reached were never started, and the cancelled
    // first check did not go on to ask the offline service.
    EXPECT_EQ(Requests(Service::FileList), static_cast<uint64_t>(oldRowsStarted) + 2);
    EXPECT_EQ(Requests(Service::Offline), 1u);
}

TEST_F(AvailabilityTest, ChecksOutliveTheirListAndTheChecker) {
    sim::Fault slow = MakeFault(sim::FaultKind::Delay);
    slow.ms = 600;
    sim_->SetFault(Service::FileList, slow);

    flow::ListModel& search = List(kSearchList);
    AddSearchRow(Feature());
    AddSearchRow(Feature());
    resolution_->Checker().StartAvailabilityChecks(search, CheckedList::Search);
    ui_->DropList(kSearchList);  // the list goes away while its checks wait

    flow::ListModel& resource = List(kResourceList);
    AddResourceRow(Feature());
    resolution_->Checker().StartAvailabilityChecks(resource, CheckedList::Resource);
    RunEventsFor(std::chrono::milliseconds(200));
    resolution_.reset();  // and so does the checker

    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    RunEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(resource.State(0), AvailabilityState::Checking);
    EXPECT_EQ(resource.Cell(0, 6), "");
}

}  // namespace
}  // namespace lumo::resolve::testing
