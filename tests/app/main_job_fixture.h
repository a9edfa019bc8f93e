// MAIN made and destroyed per test in a home of its own, with the stand-in
// engine; and the same against the in-process simulator, whose address list
// the window reads at start-up.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "app/sim_session.h"
#include "app/flow_wiring.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "flow/worker_threads.h"
#include "player/test_engine_control.h"
#include "resolve/resolve_endpoints.h"
#include "sim/catalogue.h"
#include "sim/simulator.h"

namespace lumo::app {

inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
}

class WidgetFlowUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(home.isValid());
        qputenv("LUMO_HOME", home.path().toUtf8());
        engine.Reset();
    }
    void TearDown() override {
        delete main.data();
        QApplication::processEvents();
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    }

    MainWindow& Start(bool remote = false) {
        MainWindowOptions options;
        options.engineLibraryPath = LUMO_TEST_ENGINE_FULL_PATH;
        options.prompter = &prompter;
        options.endProcess = [this](int code) { endCodes.push_back(code); };
        options.loadRemoteAddresses = remote;
        main = new MainWindow(state, options);
        return *main;
    }
    WidgetFlowUi& Ui() { return main->Flows()->Ui(); }

    QTemporaryDir home;
    TestEngineControl engine{LUMO_TEST_ENGINE_FULL_PATH};
    flow::AppState state;
    ScriptedPrompter prompter;
    std::vector<int> endCodes;
    QPointer<MainWindow> main;
};

class MainJobTest : public WidgetFlowUiTest {
protected:
    static void SetUpTestSuite() {
        TestApplication();
        std::string error;
        sim_ = StartSimulator(&error).release();
        ASSERT_NE(sim_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(sim_, nullptr);
        WidgetFlowUiTest::SetUp();
        PointLumoAt(*sim_, home.path());
    }
    void TearDown() override {
        WidgetFlowUiTest::TearDown();
        qunsetenv("LUMO_SERVICES");
    }

    // Starts MAIN with the address list read from the simulator.
    void StartRead() {
        Start(true);
        ASSERT_TRUE(WaitFor([&] { return !state.RemoteAddress(lumo::resolve::ResolveEndpoints::kFileListKey).empty(); }))
            << "the address list was never read";
        // The announcement comes up a second later; it is closed by its button.
        ASSERT_TRUE(WaitFor([&] { return main->LoadedWindow(flow::WindowCode::NOTICE) != nullptr; }));
        main->LoadedWindow(flow::WindowCode::NOTICE)->findChild<QAbstractButton*>(QString::fromUtf8("超级按钮结束"))->click();
        EXPECT_TRUE(WaitFor([&] { return main->LoadedWindow(flow::WindowCode::NOTICE) == nullptr; }));
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.data()));
    }

    static const lumo::sim::CatalogueEntry& ShortFilm() { return *sim_->catalogue().EntryById(3); }

    static inline lumo::sim::Simulator* sim_ = nullptr;
};

}  // namespace lumo::app
