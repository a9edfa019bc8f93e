// The operators' resource lists against the simulator: the shared list with
// its four-row rule, its paging with the login gate and the jump, and the
// second list.

#include <gtest/gtest.h>

#include <string>

#include "sim/base64_encode.h"
#include "sources_fixture.h"
#include "text/charset.h"

namespace lumo::sources::testing {
namespace {

constexpr int kPageSize = 20;  // entries on a page of the simulator's shared list

class ResourceFlow : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        QObject::connect(&Resources(), &ResourceLists::SharedPageListed, [this](bool complete) {
            ++sharedListed_;
            lastComplete_ = complete;
        });
        QObject::connect(&Resources(), &ResourceLists::ExtraListListed, [this](bool complete) {
            ++extraListed_;
            lastComplete_ = complete;
        });
    }

    flow::ListModel& Shared() { return ui_.Rows(resolve::kResourceList); }
    flow::ListModel& Extra() { return ui_.Rows(resolve::kExtraResourceList); }

    void WaitShared(int count) { ASSERT_TRUE(WaitFor([&] { return sharedListed_ >= count; })); }
    void LoadAndWait(const std::string& page) {
        const int before = sharedListed_;
        Resources().LoadSharedResourcePage(page);
        WaitShared(before + 1);
    }
    std::string LastTarget() {
        const auto requests = sim_->Requests(sim::Service::Forum);
        return requests.empty() ? std::string() : requests.back().target;
    }
    // A hand-written shared-list page with the first `count` entries of the catalogue.
    void ServeSharedPage(int page, int count) {
        std::string body = "<html><body>\r\n";
        for (int i = 0; i < count; ++i) {
            const auto& entry = Catalogue().entries()[i];
            body += "名" + sim::Base64Encode(text::Utf8ToGbk(entry.title)) + "名---分割啊---磁" + entry.infoHash +
                    "磁<br />\r\n";
        }
        sim_->SetPage(sim::Service::Forum, "/archiver/i/fg/hy/" + std::to_string(page) + ".htm",
                      text::Utf8ToGbk(body + "</body></html>"), "text/html");
    }

    int sharedListed_ = 0;
    int extraListed_ = 0;
    bool lastComplete_ = false;
};

TEST_F(ResourceFlow, SharedPageListsDecodedNamesAndStartsTheChecks) {
    LoadAndWait("2");
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/2.htm");
    EXPECT_EQ(ui_.TextsOf(resolve::kTopStatus).front(), "正在获取共享资源...");
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取完毕");
    EXPECT_TRUE(lastComplete_);
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
    ASSERT_EQ(Shared().RowCount(), kPageSize);
    for (int row = 0; row < kPageSize; ++row) {
        const auto& entry = Catalogue().entries()[kPageSize + row];
        EXPECT_EQ(Shared().Cell(row, 1), std::to_string(row + 1));
        EXPECT_EQ(Shared().Cell(row, 2), entry.title);  // GBK behind the Base64
        EXPECT_EQ(Shared().Cell(row, 3), entry.infoHash);
    }
    ASSERT_TRUE(WaitFor([&] { return AllChecked(Shared()); }, 20s));
    for (int row = 0; row < kPageSize; ++row) {
        EXPECT_EQ(Shared().State(row), ExpectedState(Catalogue().entries()[kPageSize + row].kind)) << row;
    }
}

TEST_F(ResourceFlow, ThreeEntriesAreListedButCountAsAFailure) {
    ServeSharedPage(1, 3);
    LoadAndWait("1");
    EXPECT_EQ(Shared().RowCount(), 3);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取失败");
    EXPECT_FALSE(lastComplete_);
    EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
    // No checks for an incomplete page.
    RunEventsFor(300ms);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(Shared().State(row).has_value());
    EXPECT_EQ(sim_->Counters(sim::Service::FileList).requests, 0u);
}

TEST_F(ResourceFlow, FourEntriesAreComplete) {
    ServeSharedPage(1, 4);
    LoadAndWait("1");
    EXPECT_EQ(Shared().RowCount(), 4);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取完毕");
    ASSERT_TRUE(WaitFor([&] { return AllChecked(Shared()); }));
}

TEST_F(ResourceFlow, FourthEntryWithoutANameIsNotComplete) {
    sim_->SetPage(sim::Service::Forum, "/archiver/i/fg/hy/1.htm",
                  text::Utf8ToGbk("名QQ==名---分割啊---磁A磁名QQ==名---分割啊---磁B磁名QQ==名---分割啊---磁C磁"
                                  "名名---分割啊---磁D磁"),
                  "text/html");
    LoadAndWait("1");
    EXPECT_EQ(Shared().RowCount(), 4);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取失败");
}

TEST_F(ResourceFlow, PagePastTheEndAndFailingSiteGiveTheRetryText) {
    LoadAndWait("999");
    EXPECT_EQ(Shared().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取失败,请从新获取！");
    for (const sim::FaultKind kind : {sim::FaultKind::Empty, sim::FaultKind::Garbage, sim::FaultKind::Drop}) {
        sim_->SetFault(sim::Service::Forum, Make(kind));
        LoadAndWait("1");
        EXPECT_EQ(Shared().RowCount(), 0);
        EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取失败,请从新获取！");
    }
}

TEST_F(ResourceFlow, WithoutTheSiteAddressNothingIsListed) {
    state_.SetRemoteAddress("zhuludizi", "");
    LoadAndWait("1");
    EXPECT_EQ(ui_.Text(resolve::kTopStatus), "获取失败,请从新获取！");
    EXPECT_EQ(sim_->Counters(sim::Service::Forum).requests, 0u);
}

TEST_F(ResourceFlow, NextPageNeedsALogin) {
    ui_.texts[kResourcePageBox] = "1";
    state_.resourcePage = 1;
    Resources().NextResourcePage();
    EXPECT_EQ(ui_.Text(kResourcePageBox), "1");
    EXPECT_EQ(ui_.TextsOf(kResourcePageBox), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(state_.resourcePage, 1);
    EXPECT_TRUE(ui_.Shown(kLoginNotice));
    RunEventsFor(200ms);
    EXPECT_EQ(sim_->Counters(sim::Service::Forum).requests, 0u);

    // Logged in, the same click loads page 2.
    state_.loggedIn = 1;
    Resources().NextResourcePage();
    EXPECT_EQ(state_.resourcePage, 2);
    EXPECT_EQ(ui_.Text(kResourcePageBox), "2");
    WaitShared(1);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/2.htm");
    EXPECT_EQ(Shared().Cell(0, 3), Catalogue().entries()[kPageSize].infoHash);
}

TEST_F(ResourceFlow, PageOneStaysOpenToEveryone) {
    ui_.texts[kResourcePageBox] = "0";
    Resources().NextResourcePage();
    EXPECT_FALSE(ui_.Shown(kLoginNotice));
    WaitShared(1);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/1.htm");
}

TEST_F(ResourceFlow, PreviousOnPageOneIsRefused) {
    state_.resourcePage = 1;
    Resources().PreviousResourcePage();
    ASSERT_EQ(ui_.informed.size(), 1u);
    EXPECT_EQ(ui_.informed[0].text, "已经是第一页了");
    EXPECT_EQ(ui_.informed[0].title, "Lumo提示:");
    RunEventsFor(100ms);
    EXPECT_EQ(sim_->Counters(sim::Service::Forum).requests, 0u);

    state_.resourcePage = 3;
    Resources().PreviousResourcePage();
    EXPECT_EQ(state_.resourcePage, 2);
    EXPECT_EQ(ui_.Text(kResourcePageBox), "2");
    WaitShared(1);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/2.htm");
}

TEST_F(ResourceFlow, JumpLoadsTheTypedPageAndNextCountsFromTheBox) {
    ui_.texts[kResourcePageBox] = "7";
    Resources().JumpToResourcePage();
    EXPECT_EQ(state_.resourcePage, 7);
    WaitShared(1);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/7.htm");  // no login needed for a jump

    // Typed 7 but not jumped (the list shows page 3): next loads page 8.
    state_.loggedIn = 1;
    state_.resourcePage = 3;
    ui_.texts[kResourcePageBox] = "7";
    Resources().NextResourcePage();
    WaitShared(2);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/8.htm");
    EXPECT_EQ(state_.resourcePage, 8);
    // ... while previous counts from resourcePage, whatever the box says.
    ui_.texts[kResourcePageBox] = "40";
    Resources().PreviousResourcePage();
    WaitShared(3);
    EXPECT_EQ(LastTarget(), "/archiver/i/fg/hy/7.htm");
}

TEST_F(ResourceFlow, LaterPageOwnsTheList) {
    sim_->SetFault(sim::Service::Forum, Delay(1000, "/archiver/i/fg/hy/1.htm"));
    Resources().LoadSharedResourcePage("1");
    Resources().LoadSharedResourcePage("3");
    WaitShared(1);
    ASSERT_TRUE(sim_->WaitIdle(5s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(20s));
    RunEventsFor(100ms);
    EXPECT_EQ(sharedListed_, 1);
    ASSERT_EQ(Shared().RowCount(), kPageSize);
    EXPECT_EQ(Shared().Cell(0, 3), Catalogue().entries()[2 * kPageSize].infoHash);
    EXPECT_EQ(Shared().Cell(kPageSize - 1, 1), std::to_string(kPageSize));
}

TEST_F(ResourceFlow, SecondListLoadsInOnePiece) {
    Resources().LoadExtraResourceList();
    EXPECT_EQ(ui_.Text(resolve::kBottomStatus), "正在获取中请稍后...");
    ASSERT_TRUE(WaitFor([&] { return extraListed_ == 1; }));
    EXPECT_EQ(sim_->Requests(sim::Service::Extra).back().target, "/vip.htm");
    EXPECT_EQ(ui_.Text(resolve::kBottomStatus), "已完成获取!");
    const auto& order = Catalogue().extraList();
    ASSERT_EQ(Extra().RowCount(), static_cast<int>(order.size()));
    for (int row = 0; row < Extra().RowCount(); ++row) {
        const auto& entry = Catalogue().entries()[order[row]];
        EXPECT_EQ(Extra().Cell(row, 1), std::to_string(row + 1));
        EXPECT_EQ(Extra().Cell(row, 2), entry.title);
        EXPECT_EQ(Extra().Cell(row, 3), "magnet:?xt=urn:btih:" + entry.infoHash);
    }
    // Reloading rebuilds the list rather than adding to it; no checks run on it.
    Resources().LoadExtraResourceList();
    ASSERT_TRUE(WaitFor([&] { return extraListed_ == 2; }));
    EXPECT_EQ(Extra().RowCount(), static_cast<int>(order.size()));
    EXPECT_FALSE(Extra().State(0).has_value());
    EXPECT_EQ(sim_->Counters(sim::Service::FileList).requests, 0u);
}

TEST_F(ResourceFlow, SecondListFailures) {
    sim_->SetPage(sim::Service::Extra, "/vip.htm",
                  text::Utf8ToGbk("名称甲名称------磁力a磁力名称乙名称------磁力b磁力名称丙名称------磁力c磁力"),
                  "text/html");
    Resources().LoadExtraResourceList();
    ASSERT_TRUE(WaitFor([&] { return extraListed_ == 1; }));
    EXPECT_EQ(Extra().RowCount(), 3);
    EXPECT_EQ(ui_.Text(resolve::kBottomStatus), "获取失败,请从新获取！");

    sim_->ClearPages();
    sim_->SetFault(sim::Service::Extra, Make(sim::FaultKind::Empty));
    Resources().LoadExtraResourceList();
    ASSERT_TRUE(WaitFor([&] { return extraListed_ == 2; }));
    EXPECT_EQ(Extra().RowCount(), 0);
    EXPECT_EQ(ui_.Text(resolve::kBottomStatus), "获取失败,请从新获取！");
}

}  // namespace
}  // namespace lumo::sources::testing
