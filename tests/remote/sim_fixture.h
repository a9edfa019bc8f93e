#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "remote/scripted_flow_ui.h"
#include "remote/service_hosts.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"

namespace lumo::testing {

// A simulator on free ports, Lumo's built-in hosts pointed at it, a fresh
// program-wide state and a scripted window side.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CoreApp();
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        hosts = remote::ServiceHosts::Defaults();
        hosts.ApplyText(sim.ServicesFileText());
    }

    void TearDown() override {
        // Workers hold no pointer into the fixture, but a test should not
        // leave one running into the next.
        EXPECT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(20)));
        QCoreApplication::processEvents();
    }

    uint64_t Requests(sim::Service service) const { return sim.Counters(service).requests; }

    sim::Simulator sim{sim::testing::TestOptions()};
    remote::ServiceHosts hosts;
    flow::AppState state;
    ScriptedFlowUi ui;
};

}  // namespace lumo::testing
