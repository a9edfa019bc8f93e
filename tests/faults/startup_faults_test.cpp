// The start-up chain under every fault switch: the address list on the
// operators' website (which gates the announcement, the update check and the
// keyword libraries), the update page on the forum, and the libraries.
#include <gtest/gtest.h>

#include <memory>

#include "faults/fault_matrix.h"
#include "flow/worker_threads.h"
#include "remote/address_list_loader.h"
#include "remote/remote_address_list.h"
#include "remote/scripted_flow_ui.h"
#include "remote/service_hosts.h"
#include "remote/update_checker.h"
#include "resolve/availability_checker.h"
#include "resolve/resolve_endpoints.h"
#include "sim/sim_test_support.h"
#include "sources/source_names.h"
#include "sources/sources.h"

namespace lumo::faults {
namespace {

using lumo::testing::ScriptedFlowUi;
using remote::AddressListLoader;
using remote::UpdateChecker;

const bool kTableWriter = InstallTableWriter();

// The request time-out the tests give the loaders (both have a setting).
constexpr int kTimeoutSeconds = 5;
constexpr int kMostAttempts = 12;  // the first and the retries until the give-up
constexpr auto kRetryPause = 20ms;

class StartUpFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lumo::testing::CoreApp();
        sim_ = new sim::Simulator(sim::testing::TestOptions());
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        home_ = MakeDataDirectory("startup");
    }
    static void TearDownTestSuite() {
        flow::WorkerThreads::WaitIdle(20s);
        delete sim_;
        sim_ = nullptr;
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    void SetUp() override {
        ASSERT_NE(sim_, nullptr);
        sim_->ClearFaults();
        sim_->ClearPages();
        sim_->SetUpdateStatus("0");
    }
    void TearDown() override {
        sim_->ClearFaults();
        EXPECT_TRUE(flow::WorkerThreads::WaitIdle(20s));
    }

    static remote::ServiceHosts Hosts() {
        remote::ServiceHosts hosts = remote::ServiceHosts::Defaults();
        hosts.ApplyText(sim_->ServicesFileText());
        return hosts;
    }

    // The published addresses, as a read address list leaves them.
    static void Publish(flow::AppState& state) {
        state.SetRemoteAddress(remote::kForumHostKey, sim_->HostPort(sim::Service::Forum));
        state.SetRemoteAddress("fanhaodizi", sim_->BaseAddress(sim::Service::Words) + "/fanhao.htm");
        state.SetRemoteAddress("gjzdizi", sim_->BaseAddress(sim::Service::Words) + "/gjz.htm");
    }

    static std::string Messages(const ScriptedFlowUi& ui) {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages) texts.push_back("\"" + message.text + "\"");
        return Join(texts);
    }

    static inline sim::Simulator* sim_ = nullptr;
    static inline std::filesystem::path home_;
};

// The whole chain as the program wires it, with the fault on the website.
TEST_F(StartUpFaults, AddressListOnTheWebsite) {
    const remote::ServiceHosts hosts = Hosts();
    for (const sim::Fault& fault : SwitchesAndTimeOut()) {
        const int timeout = IsPastTheTimeOut(fault) ? kLoweredTimeoutSeconds : kTimeoutSeconds;
        SCOPED_TRACE(SwitchName(fault));
        sim_->ClearFaults();
        sim_->SetFault(sim::Service::Website, fault);
        flow::AppState state;
        ScriptedFlowUi ui;
        auto& codes = ui.AddList(sources::kCodeLibraryList, sources::kLibraryColumns);
        auto& keywords = ui.AddList(sources::kKeywordLibraryList, sources::kLibraryColumns);
        resolve::ResolveEndpoints endpoints(state, hosts);
        resolve::AvailabilityChecker checks(endpoints);
        sources::Sources lists(state, ui, checks, hosts);
        UpdateChecker update(state, ui, hosts);
        update.SetRequestTimeout(timeout);
        AddressListLoader loader(state, ui, hosts);
        loader.SetRetryPause(kRetryPause);
        loader.SetNoticeDelay(10ms);
        loader.SetRequestTimeout(timeout);
        loader.SetHooks({[&] { update.CheckForUpdate(); }, [&] { lists.Libraries().LoadCodeLibrary(); },
                         [&] { lists.Libraries().LoadKeywordLibrary(); }});
        int librariesEnded = 0;
        QObject::connect(&lists.Libraries(), &sources::KeywordLibraries::LibraryLoadEnded,
                         [&](sources::KeywordLibraries::Library, bool) { ++librariesEnded; });
        const FileSnapshot files(StoredFiles(home_));

        // Twelve address-list reads and, after a read, twelve update reads.
        const double bound = 2.0 * kMostAttempts * timeout + kMostAttempts * 0.1 + 2;
        const auto start = Clock::now();
        ASSERT_TRUE(loader.LoadRemoteAddresses());
        const bool ended = PumpUntil(
            [&] {
                if (loader.CurrentPhase() == AddressListLoader::Phase::GaveUp) return true;
                return ui.Shown(flow::WindowCode::NOTICE) == 1 && librariesEnded == 2 &&
                       update.CurrentPhase() != UpdateChecker::Phase::Checking;
            },
            std::chrono::seconds(static_cast<int>(bound)));
        const double took = SecondsSince(start);
        ASSERT_TRUE(ended) << "no end within " << bound << " s";
        EXPECT_LE(took, bound);
        EXPECT_TRUE(files.Changed().empty()) << Join(files.Changed());

        std::string seen;
        if (loader.CurrentPhase() == AddressListLoader::Phase::GaveUp) {
            seen = Messages(ui) + ", program ended after " + std::to_string(loader.Attempts()) + " reads";
        } else {
            seen = "announcement \"" + AddressListLoader::AnnouncementText(state, hosts) + "\", libraries " +
                   std::to_string(codes.RowCount()) + "/" + std::to_string(keywords.RowCount()) + " rows";
            if (!ui.messages.empty()) seen += ", then " + Messages(ui);
            if (ui.endProgramCalls > 0) seen += ", program ended";
        }
        FaultTable::Instance().Add({"Website", "start-up: address list, announcement", SwitchName(fault), seen,
                                    took, bound});

        if (fault.kind == sim::FaultKind::Garbage) {
            // A page that arrives without markers is a read page: every
            // address is empty, the announcement falls back to its own line,
            // and the update check, which then has no forum, gives up.
            EXPECT_EQ(loader.CurrentPhase(), AddressListLoader::Phase::Read);
            EXPECT_EQ(AddressListLoader::AnnouncementText(state, hosts), "Lumo官网：" + hosts.WebsiteAddress());
            EXPECT_EQ(state.RemoteAddress(remote::kForumHostKey), "");
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, update.GiveUpMessage());
            EXPECT_EQ(codes.RowCount(), 0);
        } else if (Harmless(fault)) {
            EXPECT_EQ(loader.CurrentPhase(), AddressListLoader::Phase::Read);
            EXPECT_EQ(loader.Attempts(), 1);
            EXPECT_TRUE(ui.messages.empty()) << Messages(ui);
            EXPECT_EQ(ui.endProgramCalls, 0);
            EXPECT_GT(codes.RowCount(), 0);
            EXPECT_GT(keywords.RowCount(), 0);
            EXPECT_EQ(update.CurrentPhase(), UpdateChecker::Phase::Done);
        } else {
            EXPECT_EQ(loader.CurrentPhase(), AddressListLoader::Phase::GaveUp);
            EXPECT_GE(loader.Attempts(), kMostAttempts);
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, loader.GiveUpMessage());
            EXPECT_EQ(ui.messages[0].title, "Lumo");
            EXPECT_EQ(ui.endProgramCalls, 1);
            EXPECT_EQ(ui.Shown(flow::WindowCode::NOTICE), 0);
            EXPECT_EQ(codes.RowCount(), 0);
            EXPECT_EQ(update.Attempts(), 0);
        }
        flow::WorkerThreads::WaitIdle(20s);
    }
}

TEST_F(StartUpFaults, UpdatePageOnTheForum) {
    const remote::ServiceHosts hosts = Hosts();
    for (const sim::Fault& fault : SwitchesAndTimeOut()) {
        const int timeout = IsPastTheTimeOut(fault) ? kLoweredTimeoutSeconds : kTimeoutSeconds;
        SCOPED_TRACE(SwitchName(fault));
        sim_->ClearFaults();
        sim_->SetFault(sim::Service::Forum, fault);
        flow::AppState state;
        Publish(state);
        ScriptedFlowUi ui;
        UpdateChecker update(state, ui, hosts);
        update.SetRequestTimeout(timeout);
        const FileSnapshot files(StoredFiles(home_));

        const double bound = kMostAttempts * timeout + 1;
        const auto start = Clock::now();
        ASSERT_TRUE(update.CheckForUpdate());
        const bool ended = PumpUntil([&] { return update.CurrentPhase() != UpdateChecker::Phase::Checking; },
                                     std::chrono::seconds(static_cast<int>(bound)));
        const double took = SecondsSince(start);
        ASSERT_TRUE(ended);
        EXPECT_LE(took, bound);
        EXPECT_TRUE(files.Changed().empty()) << Join(files.Changed());

        std::string seen;
        if (update.CurrentPhase() == UpdateChecker::Phase::Done && ui.messages.empty()) {
            seen = "nothing to do (status \"" + update.Status() + "\"), program goes on";
        } else {
            seen = Messages(ui) + ", website opened, program ended after " + std::to_string(update.Attempts()) +
                   " reads";
        }
        FaultTable::Instance().Add({"Forum", "start-up: update check", SwitchName(fault), seen, took, bound});

        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(update.CurrentPhase(), UpdateChecker::Phase::Done);
            EXPECT_EQ(update.Status(), "0");
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(ui.endProgramCalls, 0);
        } else {
            // An unreadable page twelve times in a row reads as a withdrawn release.
            EXPECT_EQ(update.CurrentPhase(), UpdateChecker::Phase::Ended);
            EXPECT_EQ(update.Attempts(), kMostAttempts);
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, update.GiveUpMessage());
            EXPECT_EQ(ui.messages[0].title, "Lumo提示：");
            EXPECT_EQ(ui.opened, std::vector<std::string>{hosts.WebsiteAddress()});
            EXPECT_EQ(ui.endProgramCalls, 1);
        }
        flow::WorkerThreads::WaitIdle(20s);
    }
}

TEST_F(StartUpFaults, KeywordLibraries) {
    const remote::ServiceHosts hosts = Hosts();
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        sim_->ClearFaults();
        sim_->SetFault(sim::Service::Words, fault);
        flow::AppState state;
        Publish(state);
        ScriptedFlowUi ui;
        auto& codes = ui.AddList(sources::kCodeLibraryList, sources::kLibraryColumns);
        auto& keywords = ui.AddList(sources::kKeywordLibraryList, sources::kLibraryColumns);
        resolve::ResolveEndpoints endpoints(state, hosts);
        resolve::AvailabilityChecker checks(endpoints);
        sources::Sources lists(state, ui, checks, hosts);
        int ended = 0;
        int listed = 0;
        QObject::connect(&lists.Libraries(), &sources::KeywordLibraries::LibraryLoadEnded,
                         [&](sources::KeywordLibraries::Library, bool ok) {
                             ++ended;
                             listed += ok ? 1 : 0;
                         });
        const FileSnapshot files(StoredFiles(home_));

        // The code library has HttpRequest's 30 s, the keyword library
        // InetRequest's 60 s; they run side by side.
        const double bound = 60 + 1;
        const auto start = Clock::now();
        lists.Libraries().StartKeywordLibraries();
        ASSERT_TRUE(PumpUntil([&] { return ended == 2; }, std::chrono::seconds(static_cast<int>(bound))));
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        EXPECT_TRUE(files.Changed().empty());

        const std::string seen = "番号 library " + std::to_string(codes.RowCount()) + " rows, keyword library " +
                                 std::to_string(keywords.RowCount()) + " rows" +
                                 (listed == 2 ? "" : " (empty list; the next click on it fetches again)") +
                                 (ui.messages.empty() ? "" : ", " + Messages(ui));
        FaultTable::Instance().Add({"Words", "start-up: keyword libraries", SwitchName(fault), seen, took, bound});

        EXPECT_TRUE(ui.messages.empty());
        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(listed, 2);
            EXPECT_GT(codes.RowCount(), 0);
            EXPECT_GT(keywords.RowCount(), 0);
        } else {
            EXPECT_EQ(listed, 0);
            EXPECT_EQ(codes.RowCount(), 0);
            EXPECT_EQ(keywords.RowCount(), 0);
        }
        flow::WorkerThreads::WaitIdle(20s);
    }
}

}  // namespace
}  // namespace lumo::faults
