#include "player/engine_events.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "player/player_engine.h"
#include "player/test_engine_control.h"

using lumo::player::EngineEvents;
using lumo::player::PlayerEngine;

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "player_binding_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return *app;
}

struct Received {
    std::vector<std::string> events;
    bool allOnGuiThread = true;
};

void Watch(EngineEvents& events, Received& received) {
    auto note = [&received](std::string text) {
        if (QThread::currentThread() != App().thread()) received.allOnGuiThread = false;
        received.events.push_back(std::move(text));
    };
    QObject::connect(&events, &EngineEvents::stateChanged,
                     [note](int a, int b) { note("state " + std::to_string(a) + ">" + std::to_string(b)); });
    QObject::connect(&events, &EngineEvents::buffer, [note](int p) { note("buffer " + std::to_string(p)); });
    QObject::connect(&events, &EngineEvents::needsCodec, [note](int v) { note("codec " + std::to_string(v)); });
    QObject::connect(&events, &EngineEvents::message, [note](quint32 m, quintptr w, qintptr) {
        note("message " + std::to_string(m) + "," + std::to_string(w));
    });
}

class EngineEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        control.Reset();
        ASSERT_TRUE(engine.LoadLibrary(LUMO_TEST_ENGINE_FULL_PATH));
    }
    TestEngineControl control{LUMO_TEST_ENGINE_FULL_PATH};
    PlayerEngine engine;
};

}  // namespace

TEST_F(EngineEventsTest, CallbacksFromTheEngineThreadArriveOnTheGuiThreadInOrder) {
    auto events = std::make_unique<EngineEvents>();
    Received received;
    Watch(*events, received);
    engine.Create(0, 0, 0, 852, 512, EngineEvents::Callbacks());
    EXPECT_EQ(control.FilledSlots(), (1 << 0) | (1 << 1) | (1 << 4) | (1 << 6));

    control.Fire(2, 0, 1);
    control.Fire(5, 37);
    control.Fire(2, 4, 5);
    control.Fire(7, -3);
    control.Fire(1, 516, 2);
    // Nothing is delivered on the engine's thread itself.
    EXPECT_TRUE(received.events.empty());

    QCoreApplication::processEvents();
    EXPECT_EQ(received.events,
              (std::vector<std::string>{"state 0>1", "buffer 37", "state 4>5", "codec -3", "message 516,2"}));
    EXPECT_TRUE(received.allOnGuiThread);
}

TEST_F(EngineEventsTest, NothingReachesTheTargetOnceItIsGone) {
    Received received;
    auto events = std::make_unique<EngineEvents>();
    Watch(*events, received);
    engine.Create(0, 0, 0, 852, 512, EngineEvents::Callbacks());

    // Posted while the target lived, delivered after it died: dropped.
    control.Fire(2, 0, 1);
    events.reset();
    QCoreApplication::processEvents();
    // The engine keeps calling after the window is gone.
    control.Fire(2, 1, 6);
    control.Fire(5, 100);
    control.Fire(1, 258, 32);
    QCoreApplication::processEvents();
    EXPECT_TRUE(received.events.empty());
}

TEST_F(EngineEventsTest, TheNewestTargetReceivesAndAnOlderOneLeavesItRegistered) {
    auto first = std::make_unique<EngineEvents>();
    Received toFirst;
    Watch(*first, toFirst);
    auto second = std::make_unique<EngineEvents>();
    Received toSecond;
    Watch(*second, toSecond);
    engine.Create(0, 0, 0, 852, 512, EngineEvents::Callbacks());

    first.reset();
    control.Fire(5, 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(toFirst.events.empty());
    EXPECT_EQ(toSecond.events, std::vector<std::string>{"buffer 50"});
}

TEST_F(EngineEventsTest, ManyCallbacksFromSeveralEngineThreadsAllArrive) {
    auto events = std::make_unique<EngineEvents>();
    Received received;
    Watch(*events, received);
    engine.Create(0, 0, 0, 852, 512, EngineEvents::Callbacks());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < 250; ++i) control.Fire(5, i % 101);
        });
    }
    for (auto& thread : threads) thread.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(received.events.size(), 1000u);
    EXPECT_TRUE(received.allOnGuiThread);
}
