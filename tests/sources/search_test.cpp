// The torrent search against the simulator: both engines, paging, the
// keyword check, overlapping searches and failing services.

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "sim/page_text.h"
#include "sources/json_search_answer.h"
#include "sources_fixture.h"

namespace lumo::sources::testing {
namespace {

using flow::AvailabilityState;

class SearchFlow : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        QObject::connect(&Search(), &SearchController::SearchListed, [this](int rows) {
            ++listed_;
            lastRows_ = rows;
        });
    }

    // Starts a search for `keyword` on `engine` and waits until it is listed.
    void SearchFor(const std::string& keyword, const char* engine) {
        ui_.texts[kEngineChoice] = engine;
        ui_.texts[kSearchBox] = keyword;
        const int before = listed_;
        Search().StartSearch();
        ASSERT_TRUE(WaitFor([&] { return listed_ > before; }));
    }
    void WaitListed(int count) { ASSERT_TRUE(WaitFor([&] { return listed_ >= count; })); }

    flow::ListModel& Rows() { return ui_.Rows(resolve::kSearchList); }
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (int row = 0; row < Rows().RowCount(); ++row) keys.push_back(Rows().Cell(row, 4));
        return keys;
    }
    std::vector<std::string> ExpectedKeys(const std::string& keyword, size_t first, size_t count) {
        std::vector<std::string> keys;
        const auto found = Catalogue().Search(keyword);
        for (size_t i = first; i < found.size() && i < first + count; ++i) keys.push_back(found[i]->infoHash);
        return keys;
    }
    std::string LastTarget(sim::Service service) {
        const auto requests = sim_->Requests(service);
        return requests.empty() ? std::string() : requests.back().target;
    }

    int listed_ = 0;
    int lastRows_ = -1;
};

TEST_F(SearchFlow, TorrentSiteListsAPageAndChecksEveryRow) {
    SearchFor("Birds", kTorrentSiteItem);
    EXPECT_EQ(LastTarget(sim::Service::Search), "/q/Birds_rel_1.html");
    EXPECT_EQ(Keys(), ExpectedKeys("Birds", 0, 10));
    EXPECT_EQ(lastRows_, 10);
    const auto found = Catalogue().Search("Birds");
    for (int row = 0; row < Rows().RowCount(); ++row) {
        EXPECT_EQ(Rows().Cell(row, 1), std::to_string(row + 1));
        EXPECT_EQ(Rows().Cell(row, 2), found[row]->title);  // without the site's em tags
        EXPECT_EQ(Rows().Cell(row, 3), sim::SizeText(found[row]->TotalSize()));
    }
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索完毕");
    EXPECT_EQ(ui_.TextsOf(resolve::kTopStatus).front(), "搜索中...");
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
    EXPECT_EQ(ui_.Text(kSearchPageBox), "1");

    // The key column is what the checks read: each row ends as its entry does.
    ASSERT_TRUE(WaitFor([&] { return AllChecked(Rows()); }));
    for (int row = 0; row < Rows().RowCount(); ++row) {
        EXPECT_EQ(Rows().State(row), ExpectedState(found[row]->kind)) << found[row]->title;
    }
}

TEST_F(SearchFlow, JsonApiListsThirtyOfItsFortyItems) {
    SearchFor("", kJsonEngineItem);
    const std::string target = LastTarget(sim::Service::Api);
    EXPECT_EQ(target.rfind("/plugin.php?id=hc_115&mod=api&ac=acquisition&w=&page=1&_=", 0), 0u) << target;
    EXPECT_EQ(target.size(), std::string("/plugin.php?id=hc_115&mod=api&ac=acquisition&w=&page=1&_=").size() + 10);
    EXPECT_EQ(Keys(), ExpectedKeys("", 0, 30));
    // Titles come decoded from their \u escapes.
    EXPECT_EQ(Rows().Cell(0, 2), Catalogue().Search("")[0]->title);
    EXPECT_EQ(Rows().Cell(29, 1), "30");
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索完毕");
    EXPECT_EQ(ui_.TextsOf(resolve::kTopStatus).front(), "正在搜索中...");
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
    ASSERT_TRUE(WaitFor([&] { return Rows().State(0).has_value(); }));
}

TEST_F(SearchFlow, NoResultsGiveEachEnginesOwnStatus) {
    SearchFor("zzqx", kTorrentSiteItem);
    EXPECT_EQ(Rows().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "找不到关于 zzqx 的内容");
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));

    SearchFor("zzqx", kJsonEngineItem);
    EXPECT_EQ(Rows().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索失败或搜不到你想搜索的内容");
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
}

TEST_F(SearchFlow, HintTextIsRefusedAndEmptyTextIsSearched) {
    ui_.texts[kEngineChoice] = kTorrentSiteItem;
    ui_.texts[kSearchBox] = kSearchHint;
    Search().StartSearch();
    ASSERT_EQ(ui_.informed.size(), 1u);
    EXPECT_EQ(ui_.informed[0].text, "请先输入你需要搜索的关键字！");
    EXPECT_EQ(ui_.informed[0].title, "Lumo提示：");
    RunEventsFor(200ms);
    EXPECT_EQ(sim_->Counters(sim::Service::Search).requests, 0u);
    EXPECT_EQ(listed_, 0);

    SearchFor("", kTorrentSiteItem);
    EXPECT_EQ(LastTarget(sim::Service::Search), "/q/_rel_1.html");
    EXPECT_EQ(Rows().RowCount(), 10);
}

TEST_F(SearchFlow, NoEngineSelectedStartsNothing) {
    ui_.texts[kEngineChoice] = "";
    ui_.texts[kSearchBox] = "Birds";
    Search().StartSearch();
    RunEventsFor(200ms);
    EXPECT_EQ(sim_->Counters(sim::Service::Search).requests + sim_->Counters(sim::Service::Api).requests, 0u);
    EXPECT_EQ(listed_, 0);
}

TEST_F(SearchFlow, PagingGoesForwardWithoutLimitAndStopsAtPageOne) {
    SearchFor("Birds", kTorrentSiteItem);
    Search().PreviousSearchPage();
    ASSERT_EQ(ui_.informed.size(), 1u);
    EXPECT_EQ(ui_.informed[0].text, "已经是第一页了");
    EXPECT_EQ(Search().searchPage(), 1);

    Search().NextSearchPage();
    EXPECT_EQ(ui_.Text(kSearchPageBox), "2");
    WaitListed(2);
    EXPECT_EQ(LastTarget(sim::Service::Search), "/q/Birds_rel_2.html");
    EXPECT_EQ(Keys(), ExpectedKeys("Birds", 10, 10));
    EXPECT_EQ(Rows().Cell(0, 1), "1");  // numbering starts again on every page

    // Far past the last page: asked for all the same, and nothing is there.
    Search().NextSearchPage();
    Search().NextSearchPage();
    Search().NextSearchPage();
    Search().NextSearchPage();
    WaitListed(3);
    EXPECT_EQ(Search().searchPage(), 6);
    EXPECT_EQ(Rows().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "找不到关于 Birds 的内容");
    // Pages 3 to 5 were asked for too, and overtaken: they list nothing.
    ASSERT_TRUE(sim_->WaitIdle(5s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(10s));
    RunEventsFor(50ms);
    EXPECT_EQ(listed_, 3);
    std::set<std::string> asked;
    for (const auto& request : sim_->Requests(sim::Service::Search)) asked.insert(request.target);
    EXPECT_EQ(asked, (std::set<std::string>{"/q/Birds_rel_1.html", "/q/Birds_rel_2.html", "/q/Birds_rel_3.html",
                                            "/q/Birds_rel_4.html", "/q/Birds_rel_5.html", "/q/Birds_rel_6.html"}));
    EXPECT_EQ(Rows().RowCount(), 0);

    Search().PreviousSearchPage();
    WaitListed(4);
    EXPECT_EQ(LastTarget(sim::Service::Search), "/q/Birds_rel_5.html");
    EXPECT_EQ(ui_.Text(kSearchPageBox), "5");

    // A new search starts from page 1 again, on the other engine too.
    SearchFor("Birds", kJsonEngineItem);
    EXPECT_EQ(Search().searchPage(), 1);
    EXPECT_EQ(ui_.Text(kSearchPageBox), "1");
    EXPECT_EQ(Keys(), ExpectedKeys("Birds", 0, 30));
}

TEST_F(SearchFlow, JsonApiPagesAskForTheirPage) {
    SearchFor("Birds", kJsonEngineItem);
    Search().NextSearchPage();
    WaitListed(2);
    EXPECT_NE(LastTarget(sim::Service::Api).find("&w=Birds&page=2&_="), std::string::npos);
    // 24 results, 40 a page: page 2 is empty.
    EXPECT_EQ(Rows().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索失败或搜不到你想搜索的内容");
}

TEST_F(SearchFlow, KeywordWithAddressCharactersArrivesWhole) {
    SearchFor("Birds #1&x", kJsonEngineItem);
    const auto requests = sim_->Requests(sim::Service::Api);
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(requests.back().target.find("&w=Birds%20%231%26x&page=1"), std::string::npos)
        << requests.back().target;
    SearchFor("C#/1", kTorrentSiteItem);
    EXPECT_EQ(LastTarget(sim::Service::Search), "/q/C%23%2F1_rel_1.html");
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "找不到关于 C#/1 的内容");
}

TEST_F(SearchFlow, LaterSearchOwnsTheListWhileAnEarlierOneIsStillRunning) {
    // The first search is held back by the site; the second answers at once.
    sim_->SetFault(sim::Service::Search, Delay(1200, "/q/Birds_rel_1"));
    ui_.texts[kEngineChoice] = kTorrentSiteItem;
    ui_.texts[kSearchBox] = "Birds";
    Search().StartSearch();
    ui_.texts[kSearchBox] = "Summer";
    Search().StartSearch();
    WaitListed(1);
    const std::vector<std::string> summer = ExpectedKeys("Summer", 0, 10);
    ASSERT_FALSE(summer.empty());
    EXPECT_EQ(Keys(), summer);

    // The first answer arrives later and changes nothing.
    ASSERT_TRUE(sim_->WaitIdle(5s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(10s));
    RunEventsFor(100ms);
    EXPECT_EQ(listed_, 1);
    EXPECT_EQ(Keys(), summer);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索完毕");
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
}

struct FaultCase {
    sim::FaultKind kind;
    const char* engine;
    const char* status;
};

std::string CaseName(const FaultCase& fault) {
    return sim::FaultKindName(fault.kind) + (std::string(fault.engine) == kTorrentSiteItem ? "_site" : "_json");
}
void PrintTo(const FaultCase& fault, std::ostream* out) { *out << CaseName(fault); }

class SearchFaults : public SearchFlow, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SearchFaults, FailingServiceEndsInTheFailureText) {
    const FaultCase& fault = GetParam();
    const bool site = std::string(fault.engine) == kTorrentSiteItem;
    sim::Fault switched = Make(fault.kind);
    switched.status = 503;
    sim_->SetFault(site ? sim::Service::Search : sim::Service::Api, switched);
    SearchFor("Birds", fault.engine);
    EXPECT_EQ(Rows().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), fault.status);
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, SearchFaults,
    ::testing::Values(FaultCase{sim::FaultKind::Empty, kTorrentSiteItem, "找不到关于 Birds 的内容"},
                      FaultCase{sim::FaultKind::Garbage, kTorrentSiteItem, "找不到关于 Birds 的内容"},
                      FaultCase{sim::FaultKind::Drop, kTorrentSiteItem, "找不到关于 Birds 的内容"},
                      FaultCase{sim::FaultKind::Status, kTorrentSiteItem, "找不到关于 Birds 的内容"},
                      FaultCase{sim::FaultKind::Empty, kJsonEngineItem, "搜索失败或搜不到你想搜索的内容"},
                      FaultCase{sim::FaultKind::Garbage, kJsonEngineItem, "搜索失败或搜不到你想搜索的内容"},
                      FaultCase{sim::FaultKind::Drop, kJsonEngineItem, "搜索失败或搜不到你想搜索的内容"},
                      FaultCase{sim::FaultKind::Status, kJsonEngineItem, "搜索失败或搜不到你想搜索的内容"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return CaseName(info.param); });

TEST_F(SearchFlow, SlowServiceKeepsTheLoadingFrameUpUntilItAnswers) {
    sim_->SetFault(sim::Service::Api, Delay(500));
    ui_.texts[kEngineChoice] = kJsonEngineItem;
    ui_.texts[kSearchBox] = "Birds";
    Search().StartSearch();
    EXPECT_TRUE(ui_.Shown(resolve::kListLoading));
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "正在搜索中...");
    RunEventsFor(200ms);
    EXPECT_TRUE(ui_.Shown(resolve::kListLoading));
    WaitListed(1);
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
    EXPECT_EQ(Keys(), ExpectedKeys("Birds", 0, 30));
}

}  // namespace
}  // namespace lumo::sources::testing
