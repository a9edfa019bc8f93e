#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "remote/service_hosts.h"
#include "resolve/availability_checker.h"
#include "resolve/resolve_endpoints.h"
#include "sim/catalogue.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "sources/recording_ui.h"
#include "sources/sources.h"

namespace lumo::sources::testing {

using namespace std::chrono_literals;

inline QCoreApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "lumo_sources_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs the GUI thread's events until `done` holds; false on timeout.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 15s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the GUI thread's events for a while, for things that must not happen.
inline void RunEventsFor(std::chrono::milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    WaitFor([&] { return std::chrono::steady_clock::now() >= until; }, span + 1s);
}

// The state icon a catalogue entry's row ends with.
inline flow::AvailabilityState ExpectedState(sim::EntryKind kind) {
    switch (kind) {
        case sim::EntryKind::Playable:
        case sim::EntryKind::FarHostOnly: return flow::AvailabilityState::Playable;
        case sim::EntryKind::SeveralFiles: return flow::AvailabilityState::SeveralFiles;
        default: return flow::AvailabilityState::NotPlayable;
    }
}

// A simulator on free ports, the program-wide state with the addresses the
// remote list would publish, a recording window and the sources on top.
class SourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        char pattern[] = "/tmp/lumo-sources-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = pattern;
        setenv("LUMO_HOME", home_.c_str(), 1);

        sim_ = std::make_unique<sim::Simulator>(sim::testing::TestOptions());
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        hosts_ = remote::ServiceHosts::Defaults();
        hosts_.ApplyText(sim_->ServicesFileText());
        state_.SetRemoteAddress("zhuludizi", sim_->HostPort(sim::Service::Forum));
        state_.SetRemoteAddress("fanhaodizi", sim_->BaseAddress(sim::Service::Words) + "/fanhao.htm");
        state_.SetRemoteAddress("gjzdizi", sim_->BaseAddress(sim::Service::Words) + "/gjz.htm");
        state_.SetRemoteAddress("jkdz2", sim_->FileListPrefix());

        endpoints_ = std::make_unique<resolve::ResolveEndpoints>(state_, hosts_);
        checker_ = std::make_unique<resolve::AvailabilityChecker>(*endpoints_);
        sources_ = std::make_unique<Sources>(state_, ui_, *checker_, hosts_);
    }

    void TearDown() override {
        sources_.reset();
        checker_.reset();
        // Workers end on their own; let them, while the services still answer.
        EXPECT_TRUE(flow::WorkerThreads::WaitIdle(20s));
        if (sim_) sim_->Stop();
        std::error_code ignored;
        if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
    }

    const sim::Catalogue& Catalogue() const { return sim_->catalogue(); }
    SearchController& Search() { return sources_->Search(); }
    FilmSite& Films() { return sources_->Films(); }
    ResourceLists& Resources() { return sources_->Resources(); }
    KeywordLibraries& Libraries() { return sources_->Libraries(); }

    static sim::Fault Make(sim::FaultKind kind, std::string pathPrefix = {}) {
        sim::Fault fault;
        fault.kind = kind;
        fault.pathPrefix = std::move(pathPrefix);
        return fault;
    }
    static sim::Fault Delay(int ms, std::string pathPrefix = {}) {
        sim::Fault fault = Make(sim::FaultKind::Delay, std::move(pathPrefix));
        fault.ms = ms;
        return fault;
    }

    // Whether every row of a list has its final state.
    static bool AllChecked(const flow::ListModel& list) {
        if (list.RowCount() == 0) return false;
        for (int row = 0; row < list.RowCount(); ++row) {
            const auto state = list.State(row);
            if (!state || *state == flow::AvailabilityState::Checking) return false;
        }
        return true;
    }

    std::string home_;
    std::unique_ptr<sim::Simulator> sim_;
    remote::ServiceHosts hosts_;
    flow::AppState state_;
    RecordingUi ui_;
    std::unique_ptr<resolve::ResolveEndpoints> endpoints_;
    std::unique_ptr<resolve::AvailabilityChecker> checker_;
    std::unique_ptr<Sources> sources_;
};

}  // namespace lumo::sources::testing
