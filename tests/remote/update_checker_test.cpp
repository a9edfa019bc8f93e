#include "remote/update_checker.h"

#include <gtest/gtest.h>

#include <chrono>

#include "remote/remote_address_list.h"
#include "remote/sim_fixture.h"

namespace lumo::remote {
namespace {

using namespace std::chrono_literals;
using lumo::testing::RunEventsFor;
using lumo::testing::WaitFor;

class UpdateCheckTest : public lumo::testing::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        state.SetRemoteAddress(kForumHostKey, sim.HostPort(sim::Service::Forum));
        state.SetRemoteAddress(kDownloadPageKey, "http://stale.example/old.htm");
        download = sim.BaseAddress(sim::Service::Website) + "/download.htm";
    }

    // Runs one whole check with the given status on the page.
    void Check(const std::string& status) {
        sim.SetUpdateStatus(status);
        checker = std::make_unique<UpdateChecker>(state, ui, hosts);
        bool ended = false;
        QObject::connect(checker.get(), &UpdateChecker::CheckEnded, [&] { ended = true; });
        ASSERT_TRUE(checker->CheckForUpdate());
        ASSERT_TRUE(WaitFor([&] { return ended; }));
        RunEventsFor(50ms);
    }

    std::unique_ptr<UpdateChecker> checker;
    std::string download;
};

TEST_F(UpdateCheckTest, NewerReleaseAcceptedOpensTheDownloadPageAndEnds) {
    ui.answers = {true};
    Check("1");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Lumo云播已更新到v1.7，是否打开下载页面进行更新？");
    EXPECT_EQ(ui.messages[0].title, "Lumo提示：");
    EXPECT_FALSE(ui.messages[0].ownedByMain);
    // The page's own address replaced the one the address list published.
    EXPECT_EQ(state.RemoteAddress(kDownloadPageKey), download);
    EXPECT_EQ(ui.opened, std::vector<std::string>{download});
    EXPECT_EQ(ui.endProgramCalls, 1);
    EXPECT_EQ(checker->CurrentPhase(), UpdateChecker::Phase::Ended);
}

TEST_F(UpdateCheckTest, NewerReleaseDeclinedLetsTheProgramGoOnWithoutAskingAgain) {
    ui.answers = {false};
    Check("1");
    RunEventsFor(100ms);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_EQ(ui.endProgramCalls, 0);
    EXPECT_EQ(Requests(sim::Service::Forum), 1u);
    EXPECT_EQ(checker->CurrentPhase(), UpdateChecker::Phase::Done);
}

TEST_F(UpdateCheckTest, WithdrawnReleaseEndsTheProgramWhateverTheAnswer) {
    ui.answers = {true};
    Check("2");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Lumo云播v1.6已停用，是否打开下载页面进行更新？");
    EXPECT_EQ(ui.messages[0].title, "Lumo提示：");
    EXPECT_TRUE(ui.messages[0].ownedByMain);
    EXPECT_EQ(ui.opened, std::vector<std::string>{download});
    EXPECT_EQ(ui.endProgramCalls, 1);

    ui = lumo::testing::ScriptedFlowUi();
    ui.answers = {false};
    Check("2");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.opened.empty()) << "No opens nothing";
    EXPECT_EQ(ui.endProgramCalls, 1);
}

TEST_F(UpdateCheckTest, AnyOtherStatusDoesNothing) {
    for (const std::string status : {"0", "3", "1.7", "12"}) {
        ui = lumo::testing::ScriptedFlowUi();
        Check(status);
        EXPECT_EQ(checker->Status(), status);
        EXPECT_TRUE(ui.messages.empty()) << status;
        EXPECT_TRUE(ui.opened.empty()) << status;
        EXPECT_EQ(ui.endProgramCalls, 0) << status;
        EXPECT_EQ(checker->CurrentPhase(), UpdateChecker::Phase::Done);
    }
}

TEST_F(UpdateCheckTest, NoStatusTwelveTimesInARowTreatsTheReleaseAsWithdrawn) {
    // The page is served but carries no status between its markers.
    Check("");
    EXPECT_EQ(Requests(sim::Service::Forum), 12u);
    EXPECT_EQ(checker->Attempts(), 12);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Lumo提示：");
    EXPECT_NE(ui.messages[0].text.find("v1.6已停用"), std::string::npos) << ui.messages[0].text;
    EXPECT_NE(ui.messages[0].text.find(hosts.WebsiteAddress()), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(ui.opened, std::vector<std::string>{hosts.WebsiteAddress()});
    EXPECT_EQ(ui.endProgramCalls, 1);
    EXPECT_FALSE(checker->CheckForUpdate()) << "nothing starts after the end";
}

TEST_F(UpdateCheckTest, ElevenUnreadablePagesThenAGoodOneKeepTheProgramRunning) {
    sim::Fault empty;
    empty.kind = sim::FaultKind::Empty;
    empty.count = 11;
    sim.SetFault(sim::Service::Forum, empty);
    Check("0");
    EXPECT_EQ(Requests(sim::Service::Forum), 12u);
    EXPECT_EQ(checker->FailureCount(), 11);
    EXPECT_EQ(ui.endProgramCalls, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(state.RemoteAddress(kDownloadPageKey), download);
}

TEST_F(UpdateCheckTest, AnUnreachableSiteGivesUpTheSameWay) {
    state.SetRemoteAddress(kForumHostKey, "");
    Check("0");
    EXPECT_EQ(checker->Attempts(), 12);
    EXPECT_EQ(ui.endProgramCalls, 1);
    EXPECT_EQ(state.RemoteAddress(kDownloadPageKey), "");
}

TEST_F(UpdateCheckTest, APageWithoutTheDownloadMarkerEmptiesTheAddress) {
    sim.SetPage(sim::Service::Forum, "/archiver/gx.htm", "(lumo1.6gx)1(lumo1.6gx)", "text/html");
    ui.answers = {true};
    Check("0");
    EXPECT_EQ(state.RemoteAddress(kDownloadPageKey), "");
    EXPECT_EQ(ui.opened, std::vector<std::string>{""});
    EXPECT_EQ(ui.endProgramCalls, 1);
}

}  // namespace
}  // namespace lumo::remote
