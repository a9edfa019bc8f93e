// A thousand refills of the search results and of MAGNETWIN's file list
// while the availability checks of the fills before are still out, with
// resolves started over each other, against the in-process simulator (kept
// slow enough that checks, parses, searches and host searches are in flight
// when they are overtaken). Whatever the order of events, a row may only
// ever show what its own content yields, the list ends with the last fill,
// the engine opens only what was last asked for, and every worker ends.
//
// The actions come from a seeded generator; the seed is printed, and
// LUMO_STRESS_SEED=<seed> repeats the same script.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "player/test_engine_control.h"
#include "reliability/process_figures.h"
#include "resolve/off_gui_thread.h"
#include "resolve/resolve_fixture.h"
#include "sources/search_controller.h"
#include "sources/source_names.h"

namespace lumo::resolve::testing {
namespace {

using flow::AvailabilityState;
using flow::ListModel;
using sim::EntryKind;
using sim::Service;

constexpr int kRefills = 1000;

using reliability::ThreadCount;

uint32_t ChosenSeed() {
    if (const char* text = std::getenv("LUMO_STRESS_SEED"); text != nullptr && *text != 0)
        return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
    return std::random_device{}();
}

// The state a search row ends with, by what its torrent is.
AvailabilityState SearchRowState(EntryKind kind) {
    switch (kind) {
        case EntryKind::Playable:
        case EntryKind::FarHostOnly: return AvailabilityState::Playable;
        case EntryKind::SeveralFiles: return AvailabilityState::SeveralFiles;
        default: return AvailabilityState::NotPlayable;
    }
}

class CancellationStress : public ResolveTest {
protected:
    void SetUp() override {
        ResolveTest::SetUp();
        engine_.Reset();
        ASSERT_TRUE(state_->player.LoadLibrary(LUMO_TEST_ENGINE_FULL_PATH));
        state_->player.Create(0, 0, 0, 852, 512, {});
        engine_.Reset();
        search_ = std::make_unique<sources::SearchController>(*ui_, resolution_->Checker(), SimHosts());
    }
    void TearDown() override {
        search_.reset();
        sim_->SetLatencyAll(std::chrono::milliseconds(0));
        ResolveTest::TearDown();
    }

    // Keywords that find a few torrents each, from the catalogue's titles.
    std::vector<std::string> Keywords() const {
        std::vector<std::string> words;
        for (const auto& entry : Catalogue().entries()) {
            const std::string& title = entry.title;
            size_t start = 0;
            while (start < title.size() && words.size() < 8) {
                size_t end = start;
                while (end < title.size() && std::isalpha(static_cast<unsigned char>(title[end]))) ++end;
                const std::string word = title.substr(start, end - start);
                const size_t found = word.size() >= 4 ? Catalogue().Search(word).size() : 0;
                if (found >= 3 && found <= 60 && std::find(words.begin(), words.end(), word) == words.end())
                    words.push_back(word);
                start = end + 1;
            }
        }
        return words;
    }

    // Torrents for MAGNETWIN: every kind the file-list service knows.
    std::vector<const sim::CatalogueEntry*> MagnetPool() const {
        std::vector<const sim::CatalogueEntry*> pool;
        for (EntryKind kind : {EntryKind::Playable, EntryKind::SeveralFiles, EntryKind::NotHeld, EntryKind::TinyFile,
                               EntryKind::ZeroSha1, EntryKind::FarHostOnly}) {
            const auto all = Catalogue().OfKind(kind);
            for (size_t i = 0; i < all.size() && i < 3; ++i)
                if (all[i]->knownToFileList) pool.push_back(all[i]);
        }
        return pool;
    }

    // What each file's check yields, learnt from calm parses of the pool
    // before the stress begins.
    void LearnFileStates(const std::vector<const sim::CatalogueEntry*>& pool) {
        ListModel& list = List(kMagnetFileList);
        for (const sim::CatalogueEntry* entry : pool) {
            ui_->texts[kMagnetInputBox] = entry->infoHash;
            ASSERT_TRUE(resolution_->Magnet().ParseMagnetInput()) << entry->title;
            ASSERT_TRUE(WaitUntil([&] { return AllFinal(list); }));
            ASSERT_EQ(list.RowCount(), static_cast<int>(entry->files.size()));
            for (int row = 0; row < list.RowCount(); ++row) fileStates_[list.Cell(row, 3)] = *list.State(row);
        }
    }

    // Every final state and check cell written into a row must be the one
    // the row's own content yields; anything else came from an older fill.
    void WatchSearchRows() {
        ListModel& list = List(kSearchList);
        QObject::connect(&list, &ListModel::StateChanged, [this, &list](int row) {
            const auto state = list.State(row);
            if (state == AvailabilityState::Checking) {
                ++checksStarted_;
                return;
            }
            const sim::CatalogueEntry* entry = Catalogue().FindByInfoHash(list.Cell(row, 4));
            if (entry == nullptr || !state || *state != SearchRowState(entry->kind))
                Stale("search row " + std::to_string(row) + " state " +
                      std::to_string(state ? static_cast<int>(*state) : -1) + " for " + list.Cell(row, 4));
        });
        QObject::connect(&list, &ListModel::CellChanged, [this, &list](int row, int column) {
            const sim::CatalogueEntry* entry = Catalogue().FindByInfoHash(list.Cell(row, 4));
            const std::string value = list.Cell(row, column);
            if (entry == nullptr || entry->files.empty()) return Stale("search cell for an unknown row");
            const sim::CatalogueFile& file = entry->files.front();
            bool own = true;
            switch (column) {
                case 5: own = value == std::to_string(file.index); break;
                case 6: own = value == file.sha1; break;
                case 7: own = value == std::to_string(file.size); break;
                case 8: own = entry->files.size() > 1 && value.find(entry->files.back().sha1) != std::string::npos; break;
                default: own = false;
            }
            if (!own) Stale("search row " + std::to_string(row) + " column " + std::to_string(column) + " got " +
                            value.substr(0, 60) + " for " + entry->title);
        });
    }
    void WatchFileRows() {
        ListModel& list = List(kMagnetFileList);
        QObject::connect(&list, &ListModel::StateChanged, [this, &list](int row) {
            const auto state = list.State(row);
            if (state == AvailabilityState::Checking) {
                ++checksStarted_;
                return;
            }
            const auto known = fileStates_.find(list.Cell(row, 3));
            if (known == fileStates_.end() || !state || known->second != *state)
                Stale("file row " + std::to_string(row) + " state " +
                      std::to_string(state ? static_cast<int>(*state) : -1) + " for " + list.Cell(row, 3));
        });
    }
    void Stale(const std::string& what) {
        if (staleWrites_.size() < 10) staleWrites_.push_back(what);
        ++staleCount_;
    }

    // A resolve that reaches its end must be about the file asked for last.
    void WatchResolves() {
        QObject::connect(&resolution_->Resolve(), &Resolver::ResolveEnded, [this](ResolveEnd end) {
            ++resolveEnds_;
            if (end != ResolveEnd::Found) return;
            const std::string url = resolution_->Resolve().PlayUrl();
            const sim::MediaFile* media = Catalogue().FindMediaBySha1(askedSha1_);
            if (media == nullptr || url.find(media->token) == std::string::npos)
                Stale("resolve ended with " + url + " while " + askedSha1_ + " was asked for");
            openedUrls_.push_back(url);
        });
    }

    void StartResolveOf(const sim::CatalogueEntry& entry) {
        if (resolution_->Resolve().Resolving()) ++resolvesSuperseded_;
        SetCurrent(entry);
        askedSha1_ = entry.files.front().sha1;
        askedTitle_ = entry.title;
        resolution_->Resolve().StartResolve();
    }

    std::vector<std::string> EngineOpens() {
        std::vector<std::string> opens;
        const std::string log = engine_.Log();
        for (size_t at = log.find("OpenA("); at != std::string::npos; at = log.find("OpenA(", at + 1)) {
            const size_t end = log.find(')', at);
            opens.push_back(log.substr(at + 6, end - at - 6));
        }
        return opens;
    }

    TestEngineControl engine_{LUMO_TEST_ENGINE_FULL_PATH};
    std::unique_ptr<sources::SearchController> search_;
    std::map<std::string, AvailabilityState> fileStates_;
    std::vector<std::string> staleWrites_;
    int staleCount_ = 0;
    int checksStarted_ = 0;
    int checksApplied_ = 0;
    int resolvesSuperseded_ = 0;
    int resolveEnds_ = 0;
    std::string askedSha1_;
    std::string askedTitle_;
    std::vector<std::string> openedUrls_;
};

TEST_F(CancellationStress, RefillsAndResolvesOverEachOtherLeaveOnlyTheLastWord) {
    const uint32_t seed = ChosenSeed();
    std::printf("cancellation stress: seed %u (LUMO_STRESS_SEED=%u repeats the script)\n", seed, seed);
    std::mt19937 random(seed);
    auto pick = [&random](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    auto chance = [&random](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };

    const std::vector<std::string> keywords = Keywords();
    ASSERT_GE(keywords.size(), 3u);
    const std::vector<const sim::CatalogueEntry*> pool = MagnetPool();
    LearnFileStates(pool);
    std::vector<std::pair<const sim::CatalogueEntry*, std::string>> answers;  // several files, their raw list
    for (const sim::CatalogueEntry* entry : pool)
        if (entry->kind == EntryKind::SeveralFiles)
            answers.emplace_back(entry, net::HttpRequest(sim_->FileListPrefix() + entry->infoHash));
    ASSERT_FALSE(answers.empty());
    const std::vector<const sim::CatalogueEntry*> playable = {&Feature(), &ShortFilm(), &FarHostFilm(),
                                                              &OfKind(EntryKind::NotHeld), &Series()};

    // Slow enough that the row checks of a fill are still out when the next
    // fill comes, and a host search of 15 lines takes a while.
    sim_->SetLatency(Service::FileList, std::chrono::milliseconds(40));
    sim_->SetLatency(Service::Offline, std::chrono::milliseconds(40));
    sim_->SetLatency(Service::Search, std::chrono::milliseconds(30));
    sim_->SetLatency(Service::Api, std::chrono::milliseconds(30));
    for (int host = 1; host <= sim::kDownloadHostCount; ++host)
        sim_->SetLatency(sim::DownloadHost(host), std::chrono::milliseconds(15));

    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(30)));
    RunEventsFor(std::chrono::milliseconds(200));
    const int threadsBefore = ThreadCount();

    WatchSearchRows();
    WatchFileRows();
    WatchResolves();
    QObject::connect(&resolution_->Checker(), &AvailabilityChecker::RowChecked,
                     [this](ListModel*, int, AvailabilityState) { ++checksApplied_; });

    int refills = 0;
    int searches = 0;
    int parses = 0;
    int listings = 0;
    int deepestWait = 0;
    std::string lastKeyword;
    bool lastSearchJson = false;
    const sim::CatalogueEntry* lastFileListEntry = nullptr;
    const auto begin = std::chrono::steady_clock::now();

    // The next action is due whatever the one before is still waiting for:
    // the timer fires inside the local loop of a parse too, as a user's click
    // would.
    QTimer actions;
    actions.setSingleShot(true);
    QObject::connect(&actions, &QTimer::timeout, [&] {
        if (refills >= kRefills) return;
        actions.start(static_cast<int>(pick(60)));
        deepestWait = std::max(deepestWait, OffGuiThreadWaits());
        const int roll = static_cast<int>(pick(100));
        if (roll < 20) {
            const sim::CatalogueEntry& entry = *playable[pick(playable.size())];
            if (chance(50) && List(kMagnetFileList).RowCount() > 0) {
                // A double-click on a file of MAGNETWIN, when one is playable.
                ListModel& files = List(kMagnetFileList);
                for (int row = 0; row < files.RowCount(); ++row) {
                    if (files.State(row) != AvailabilityState::Playable) continue;
                    if (resolution_->Resolve().Resolving()) ++resolvesSuperseded_;
                    files.SetSelectedRow(row);
                    askedSha1_ = files.Cell(row, 3);
                    askedTitle_ = files.Cell(row, 1);
                    resolution_->Flows().PlayFile();
                    return;
                }
            }
            StartResolveOf(entry);
        } else if (roll < 60) {
            ++refills;
            ++searches;
            lastKeyword = keywords[pick(keywords.size())];
            lastSearchJson = chance(50);
            ui_->texts[sources::kEngineChoice] = lastSearchJson ? sources::kJsonEngineItem : sources::kTorrentSiteItem;
            ui_->texts[sources::kSearchBox] = lastKeyword;
            search_->StartSearch();
        } else if (roll < 88 && OffGuiThreadWaits() < 3) {
            ++refills;
            ++parses;
            lastFileListEntry = pool[pick(pool.size())];
            ui_->texts[kMagnetInputBox] = lastFileListEntry->infoHash;
            resolution_->Magnet().ParseMagnetInput();
        } else {
            ++refills;
            ++listings;
            const auto& [entry, answer] = answers[pick(answers.size())];
            lastFileListEntry = entry;
            resolution_->Magnet().ShowFileListWindow(answer, 2, entry->infoHash);
        }
    });
    actions.start(0);
    ASSERT_TRUE(WaitUntil([&] { return refills >= kRefills && OffGuiThreadWaits() == 0; }, std::chrono::minutes(3)))
        << refills << " refills";

    // The last word on the player: a film asked for while the previous
    // resolve is still searching the hosts.
    sim_->ResetCounters();
    StartResolveOf(FarHostFilm());
    ASSERT_TRUE(WaitUntil([&] { return DownloadProbes() > 0; }));
    ASSERT_TRUE(resolution_->Resolve().Resolving());
    const int opensBefore = static_cast<int>(openedUrls_.size());
    StartResolveOf(ShortFilm());
    ASSERT_TRUE(WaitUntil([&] { return !resolution_->Resolve().Resolving(); }, std::chrono::seconds(30)));

    // Let everything still running come back and be thrown away.
    ListModel& results = List(kSearchList);
    ListModel& files = List(kMagnetFileList);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return resolution_->Checker().PendingChecks(results) == 0 &&
                   resolution_->Checker().PendingChecks(files) == 0 && flow::WorkerThreads::Running() == 0;
        },
        std::chrono::seconds(60)));
    sim_->WaitIdle();
    RunEventsFor(std::chrono::milliseconds(200));
    const bool threadsBack = WaitUntil([&] { return ThreadCount() <= threadsBefore; }, std::chrono::seconds(10));
    const int threadsAfter = ThreadCount();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    std::printf(
        "refills %d (searches %d, parses %d, listings %d) in %.1f s; checks started %d, applied %d, "
        "discarded %d; resolves superseded %d, ended %d, opened %zu; deepest parse nesting %d; "
        "threads before %d, after %d; stale writes %d\n",
        refills, searches, parses, listings, seconds, checksStarted_, checksApplied_,
        checksStarted_ - checksApplied_, resolvesSuperseded_, resolveEnds_, openedUrls_.size(), deepestWait,
        threadsBefore, threadsAfter, staleCount_);

    EXPECT_EQ(staleCount_, 0) << ::testing::PrintToString(staleWrites_);
    // The stress has to have overtaken checks, or it proved nothing.
    EXPECT_GT(checksStarted_ - checksApplied_, 0);
    EXPECT_GT(resolvesSuperseded_, 0);

    // The search list holds the last search's first page, every row checked.
    const auto found = Catalogue().Search(lastKeyword);
    const size_t shown = std::min<size_t>(found.size(), lastSearchJson ? 30 : 10);
    ASSERT_EQ(results.RowCount(), static_cast<int>(shown)) << lastKeyword;
    for (int row = 0; row < results.RowCount(); ++row) {
        EXPECT_EQ(results.Cell(row, 4), found[static_cast<size_t>(row)]->infoHash) << row;
        EXPECT_EQ(results.State(row), SearchRowState(found[static_cast<size_t>(row)]->kind)) << row;
    }

    // MAGNETWIN's list holds the files of the torrent asked for last.
    ASSERT_NE(lastFileListEntry, nullptr);
    std::vector<std::string> listed;
    std::vector<std::string> expected;
    for (int row = 0; row < files.RowCount(); ++row) {
        listed.push_back(files.Cell(row, 3));
        EXPECT_EQ(files.State(row), fileStates_[files.Cell(row, 3)]) << row;
    }
    for (const auto& file : lastFileListEntry->files) expected.push_back(file.sha1);
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected) << lastFileListEntry->title;

    // The engine opened exactly what the resolves that stayed current found,
    // and last of all the film asked for last.
    const std::vector<std::string> opens = EngineOpens();
    EXPECT_EQ(opens, openedUrls_);
    ASSERT_EQ(static_cast<int>(openedUrls_.size()), opensBefore + 1);
    EXPECT_EQ(opens.back(), sim_->DownloadAddress(MediaOf(ShortFilm()), MediaOf(ShortFilm()).FirstHost()));
    EXPECT_EQ(state_->currentTitle, ShortFilm().title);
    EXPECT_EQ(state_->currentSha1, ShortFilm().files.front().sha1);

    // No worker is left, and the threads are back to where they were.
    EXPECT_EQ(flow::WorkerThreads::Running(), 0);
    EXPECT_EQ(OffGuiThreadWaits(), 0);
    EXPECT_TRUE(threadsBack) << threadsBefore << " threads before, " << threadsAfter << " after";
}

}  // namespace
}  // namespace lumo::resolve::testing
