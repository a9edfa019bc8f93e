#include "remote/address_list_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "remote/remote_address_list.h"
#include "remote/sim_fixture.h"
#include "remote/update_checker.h"
#include "sim/operator_website.h"
#include "sim/sim_context.h"

namespace lumo::remote {
namespace {

using namespace std::chrono_literals;
using lumo::testing::RunEventsFor;
using lumo::testing::WaitFor;

class AddressListTest : public lumo::testing::SimFixture {
protected:
    // A loader with short pauses; the hooks note their start in the UI log,
    // so the order against the announcement window shows.
    std::unique_ptr<AddressListLoader> MakeLoader(std::chrono::milliseconds pause = 1ms) {
        auto loader = std::make_unique<AddressListLoader>(state, ui, hosts);
        loader->SetRetryPause(pause);
        loader->SetNoticeDelay(30ms);
        loader->SetHooks({[this] { ui.log.push_back("start update check"); },
                          [this] { ui.log.push_back("start code library"); },
                          [this] { ui.log.push_back("start keyword library"); }});
        return loader;
    }

    bool Ended(const AddressListLoader& loader) const {
        return loader.CurrentPhase() == AddressListLoader::Phase::GaveUp;
    }
    bool NoticeShown() const { return ui.Shown(flow::WindowCode::NOTICE) > 0; }
    int Index(const std::string& line) const {
        const auto it = std::find(ui.log.begin(), ui.log.end(), line);
        return it == ui.log.end() ? -1 : static_cast<int>(it - ui.log.begin());
    }
    void ExpectStartedOnce() const {
        for (const char* line : {"start update check", "start code library", "start keyword library"}) {
            EXPECT_EQ(std::count(ui.log.begin(), ui.log.end(), line), 1) << line;
        }
    }
};

TEST_F(AddressListTest, FirstReadFillsEveryAddressThenStartsTheRestAndTheAnnouncement) {
    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    EXPECT_FALSE(loader->LoadRemoteAddresses()) << "a second chain while the first reads";
    ASSERT_TRUE(WaitFor([&] { return NoticeShown(); }));

    EXPECT_EQ(loader->CurrentPhase(), AddressListLoader::Phase::Read);
    EXPECT_EQ(Requests(sim::Service::Website), 1u);
    for (const auto& item : sim::OperatorWebsite::AddressList(sim.context())) {
        EXPECT_EQ(state.RemoteAddress(item.key), item.value) << item.key;
    }
    EXPECT_EQ(state.RemoteAddress(kForumHostKey), sim.HostPort(sim::Service::Forum));
    EXPECT_EQ(AddressListLoader::AnnouncementText(state, hosts), sim::OperatorWebsite::Announcement());

    // Update check, code library, keyword library, and only then the window.
    ExpectStartedOnce();
    EXPECT_LT(Index("start update check"), Index("start code library"));
    EXPECT_LT(Index("start code library"), Index("start keyword library"));
    EXPECT_LT(Index("start keyword library"), Index("window+ NOTICE"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.endProgramCalls, 0);
}

TEST_F(AddressListTest, ElevenFailuresThenASuccessLeaveTheProgramRunning) {
    sim::Fault empty;
    empty.kind = sim::FaultKind::Empty;
    empty.count = 11;
    sim.SetFault(sim::Service::Website, empty);

    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return NoticeShown() || Ended(*loader); }));

    EXPECT_EQ(loader->CurrentPhase(), AddressListLoader::Phase::Read);
    EXPECT_EQ(Requests(sim::Service::Website), 12u);
    EXPECT_EQ(loader->FailureCount(), 11);
    EXPECT_EQ(state.RemoteAddress("jkdz2"), sim.FileListPrefix());
    ExpectStartedOnce();
    EXPECT_EQ(ui.endProgramCalls, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AddressListTest, TwelveFailuresEndTheProgramAfterTellingTheUser) {
    // A thirteenth read would succeed: the give-up must come first.
    sim::Fault empty;
    empty.kind = sim::FaultKind::Empty;
    empty.count = 12;
    sim.SetFault(sim::Service::Website, empty);

    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return ui.endProgramCalls > 0; }));
    RunEventsFor(150ms);

    EXPECT_EQ(Requests(sim::Service::Website), 12u);
    EXPECT_EQ(ui.endProgramCalls, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    const auto& message = ui.messages[0];
    EXPECT_EQ(message.title, "Lumo");
    EXPECT_TRUE(message.ownedByMain);
    EXPECT_NE(message.text.find(hosts.OperatorQq()), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(hosts.WebsiteAddress()), std::string::npos) << message.text;
    EXPECT_LT(Index("inform " + message.text), Index("end"));

    EXPECT_FALSE(NoticeShown());
    EXPECT_EQ(Index("start update check"), -1);
    EXPECT_EQ(Index("start code library"), -1);
    EXPECT_EQ(Index("start keyword library"), -1);
    for (const auto& [key, value] : state.RemoteAddresses()) EXPECT_TRUE(value.empty()) << key;
    EXPECT_FALSE(loader->LoadRemoteAddresses()) << "nothing starts after the give-up";
}

TEST_F(AddressListTest, ASiteThatNeverAnswersEndsTheProgram) {
    // Connections dropped without a word, then nothing listening at all.
    sim::Fault drop;
    drop.kind = sim::FaultKind::Drop;
    sim.SetFault(sim::Service::Website, drop);
    {
        auto loader = MakeLoader();
        ASSERT_TRUE(loader->LoadRemoteAddresses());
        ASSERT_TRUE(WaitFor([&] { return ui.endProgramCalls > 0; }));
        EXPECT_EQ(Requests(sim::Service::Website), 12u);
        EXPECT_EQ(loader->Attempts(), 12);
        EXPECT_FALSE(NoticeShown());
    }

    ui = lumo::testing::ScriptedFlowUi();
    const std::string website = sim.HostPort(sim::Service::Website);
    sim.Stop();
    hosts.ApplyText("[services]\nwebsite=" + website + "\n");
    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return ui.endProgramCalls > 0; }));
    EXPECT_EQ(loader->Attempts(), 12);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_FALSE(NoticeShown());
}

TEST_F(AddressListTest, AnErrorPageIsAFailedReadNotAnEmptyList) {
    sim::Fault unavailable;
    unavailable.kind = sim::FaultKind::Status;
    unavailable.status = 503;
    unavailable.count = 1;
    sim.SetFault(sim::Service::Website, unavailable);

    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return NoticeShown(); }));
    EXPECT_EQ(Requests(sim::Service::Website), 2u);
    EXPECT_EQ(loader->FailureCount(), 1);
    EXPECT_EQ(state.RemoteAddress(kForumHostKey), sim.HostPort(sim::Service::Forum));
    ExpectStartedOnce();
}

TEST_F(AddressListTest, APageWithoutMarkersIsReadWithEveryValueEmpty) {
    sim.SetPage(sim::Service::Website, "/dizihuoqu.htm", "maintenance, back soon", "text/html");
    state.SetRemoteAddress(kAnnouncementKey, "stale");

    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return NoticeShown() || Ended(*loader); }));
    EXPECT_EQ(loader->CurrentPhase(), AddressListLoader::Phase::Read);
    EXPECT_EQ(state.RemoteAddresses(), RemoteAddressList::Empty());
    ExpectStartedOnce();
    EXPECT_EQ(AddressListLoader::AnnouncementText(state, hosts), "Lumo官网：" + hosts.WebsiteAddress());
}

TEST_F(AddressListTest, TheBuiltInPauseSeparatesAttempts) {
    sim::Fault empty;
    empty.kind = sim::FaultKind::Empty;
    empty.count = 1;
    sim.SetFault(sim::Service::Website, empty);

    AddressListLoader loader(state, ui, hosts);
    loader.SetNoticeDelay(0ms);
    bool read = false;
    QObject::connect(&loader, &AddressListLoader::AddressesRead, [&] { read = true; });
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(loader.LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return read; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, AddressListLoader::kRetryPause);
    EXPECT_EQ(Requests(sim::Service::Website), 2u);
}

TEST_F(AddressListTest, ALoaderDestroyedWhileReadingChangesNothingLater) {
    sim::Fault slow;
    slow.kind = sim::FaultKind::Delay;
    slow.ms = 300;
    sim.SetFault(sim::Service::Website, slow);
    state.SetRemoteAddress(kForumHostKey, "kept");

    auto loader = MakeLoader();
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    loader.reset();
    ASSERT_TRUE(sim.WaitIdle(3s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(5s));
    RunEventsFor(100ms);
    EXPECT_TRUE(ui.log.empty());
    EXPECT_EQ(state.RemoteAddress(kForumHostKey), "kept");
}

TEST_F(AddressListTest, TheReadListDrivesTheUpdateCheck) {
    sim.SetUpdateStatus("2");
    UpdateChecker checker(state, ui, hosts);
    auto loader = MakeLoader();
    loader->SetHooks({[&] { checker.CheckForUpdate(); }, {}, {}});
    ASSERT_TRUE(loader->LoadRemoteAddresses());
    ASSERT_TRUE(WaitFor([&] { return ui.endProgramCalls > 0; }));
    // The check went to the published site host and found the withdrawal.
    EXPECT_EQ(Requests(sim::Service::Forum), 1u);
    EXPECT_EQ(checker.Status(), "2");
    EXPECT_EQ(state.RemoteAddress(kDownloadPageKey), sim.BaseAddress(sim::Service::Website) + "/download.htm");
}

}  // namespace
}  // namespace lumo::remote
