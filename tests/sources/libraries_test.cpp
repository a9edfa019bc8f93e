// The word libraries against the simulator: loading both, showing them
// without fetching again, overlapping loads of one list, and an entry
// starting a search.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources_fixture.h"

namespace lumo::sources::testing {
namespace {

using Library = KeywordLibraries::Library;

class LibraryFlow : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        QObject::connect(&Libraries(), &KeywordLibraries::LibraryLoadEnded, [this](Library library, bool) {
            ++(library == Library::Code ? codeEnded_ : keywordEnded_);
        });
    }

    flow::ListModel& Codes() { return ui_.Rows(kCodeLibraryList); }
    flow::ListModel& Keywords() { return ui_.Rows(kKeywordLibraryList); }
    static std::vector<std::string> Entries(const flow::ListModel& list) {
        std::vector<std::string> entries;
        for (int row = 0; row < list.RowCount(); ++row) entries.push_back(list.Cell(row, 1));
        return entries;
    }
    uint64_t WordRequests(const std::string& path) {
        uint64_t count = 0;
        for (const auto& request : sim_->Requests(sim::Service::Words)) count += request.target == path ? 1 : 0;
        return count;
    }
    void SettleAll() {
        ASSERT_TRUE(sim_->WaitIdle(5s));
        ASSERT_TRUE(flow::WorkerThreads::WaitIdle(15s));
        RunEventsFor(100ms);
    }

    int codeEnded_ = 0;
    int keywordEnded_ = 0;
};

TEST_F(LibraryFlow, StartingAfterTheAddressListFillsBothLibraries) {
    Libraries().StartKeywordLibraries();
    // The keyword list is the one shown in the (still hidden) panel.
    EXPECT_TRUE(ui_.Shown(kKeywordLibraryList));
    EXPECT_FALSE(ui_.Shown(kCodeLibraryList));
    EXPECT_FALSE(ui_.Shown(kLibraryPanel));
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 1 && keywordEnded_ == 1; }));
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());
    EXPECT_EQ(Entries(Keywords()), Catalogue().keywords());  // GBK page read as GBK
    EXPECT_FALSE(Codes().State(0).has_value());
}

TEST_F(LibraryFlow, ShowingALoadedLibraryDoesNotFetchIt) {
    Libraries().ShowCodeLibrary();
    EXPECT_TRUE(ui_.Shown(kLibraryPanel));
    EXPECT_TRUE(ui_.Shown(kCodeLibraryList));
    EXPECT_FALSE(ui_.Shown(kKeywordLibraryList));
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 1; }));
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());

    Libraries().ShowKeywordLibrary();
    EXPECT_TRUE(ui_.Shown(kKeywordLibraryList));
    EXPECT_FALSE(ui_.Shown(kCodeLibraryList));
    ASSERT_TRUE(WaitFor([&] { return keywordEnded_ == 1; }));

    Libraries().ShowCodeLibrary();
    Libraries().ShowKeywordLibrary();
    EXPECT_TRUE(ui_.Shown(kKeywordLibraryList));
    EXPECT_FALSE(ui_.Shown(kCodeLibraryList));
    SettleAll();
    EXPECT_EQ(WordRequests("/fanhao.htm"), 1u);
    EXPECT_EQ(WordRequests("/gjz.htm"), 1u);
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());
    EXPECT_EQ(Entries(Keywords()), Catalogue().keywords());
}

TEST_F(LibraryFlow, OverlappingLoadsListTheEntriesOnce) {
    // The start-up load is slow; the user clicks both buttons twice meanwhile.
    sim_->SetFault(sim::Service::Words, Delay(400));
    Libraries().StartKeywordLibraries();
    Libraries().ShowCodeLibrary();
    Libraries().ShowCodeLibrary();
    Libraries().ShowKeywordLibrary();
    Libraries().ShowKeywordLibrary();
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 3 && keywordEnded_ == 3; }));
    SettleAll();
    EXPECT_EQ(WordRequests("/fanhao.htm"), 3u);
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());
    EXPECT_EQ(Entries(Keywords()), Catalogue().keywords());
}

TEST_F(LibraryFlow, EarlierLoadArrivingLastIsDropped) {
    sim_->SetFault(sim::Service::Words, Delay(800, "/fanhao.htm"));
    Libraries().LoadCodeLibrary();
    sim_->ClearFault(sim::Service::Words);
    Libraries().LoadCodeLibrary();
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 2; }));
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());
}

TEST_F(LibraryFlow, FailedReloadKeepsTheEntries) {
    Libraries().LoadKeywordLibrary();
    ASSERT_TRUE(WaitFor([&] { return keywordEnded_ == 1; }));
    sim_->SetFault(sim::Service::Words, Make(sim::FaultKind::Drop));
    Libraries().LoadKeywordLibrary();
    ASSERT_TRUE(WaitFor([&] { return keywordEnded_ == 2; }));
    EXPECT_EQ(Entries(Keywords()), Catalogue().keywords());
}

TEST_F(LibraryFlow, EmptyLibraryIsFetchedAgainOnTheNextClick) {
    sim_->SetFault(sim::Service::Words, Make(sim::FaultKind::Garbage));
    Libraries().ShowCodeLibrary();
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 1; }));
    EXPECT_EQ(Codes().RowCount(), 0);
    EXPECT_TRUE(ui_.informed.empty());
    sim_->ClearFault(sim::Service::Words);
    Libraries().ShowCodeLibrary();
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 2; }));
    EXPECT_EQ(Entries(Codes()), Catalogue().codes());
}

TEST_F(LibraryFlow, UnpublishedAddressesLeaveTheLibrariesEmpty) {
    state_.SetRemoteAddress("fanhaodizi", "");
    state_.SetRemoteAddress("gjzdizi", "");
    Libraries().StartKeywordLibraries();
    ASSERT_TRUE(WaitFor([&] { return codeEnded_ == 1 && keywordEnded_ == 1; }));
    EXPECT_EQ(Codes().RowCount(), 0);
    EXPECT_EQ(Keywords().RowCount(), 0);
}

TEST_F(LibraryFlow, EntryStartsASearchWithTheSelectedEngine) {
    int searched = 0;
    QObject::connect(&Search(), &SearchController::SearchListed, [&](int) { ++searched; });
    Libraries().ShowKeywordLibrary();
    ASSERT_TRUE(WaitFor([&] { return keywordEnded_ == 1; }));
    ASSERT_GT(Keywords().RowCount(), 1);
    const std::string word = Keywords().Cell(1, 1);

    Keywords().SetSelectedRow(1);
    ui_.texts[kEngineChoice] = kTorrentSiteItem;
    ui_.texts[kSearchBox] = kSearchHint;
    Libraries().OpenLibraryEntry(kKeywordLibraryList);
    EXPECT_EQ(ui_.Text(kSearchBox), word);
    ASSERT_TRUE(WaitFor([&] { return searched == 1; }));
    const auto found = Catalogue().Search(word);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(ui_.Rows(resolve::kSearchList).Cell(0, 4), found[0]->infoHash);

    // The other engine, and no row selected: the empty keyword is searched.
    ui_.texts[kEngineChoice] = kJsonEngineItem;
    Keywords().SetSelectedRow(-1);
    Libraries().OpenLibraryEntry(kKeywordLibraryList);
    EXPECT_EQ(ui_.Text(kSearchBox), "");
    ASSERT_TRUE(WaitFor([&] { return searched == 2; }));
    const auto requests = sim_->Requests(sim::Service::Api);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].target.find("&w=&page=1"), std::string::npos);
}

}  // namespace
}  // namespace lumo::sources::testing
