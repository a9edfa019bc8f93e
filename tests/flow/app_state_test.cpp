#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "flow/app_state.h"

using namespace lumo::flow;

TEST(AppState, StartsWithTheInitialValues) {
    AppState state;
    EXPECT_EQ(state.player.Handle(), 0);
    EXPECT_FALSE(state.player.HasLibrary());
    EXPECT_EQ(state.playerVideoWindow, 0u);
    EXPECT_EQ(state.isFullscreen, 0);
    EXPECT_EQ(state.loggedIn, 0);
    EXPECT_EQ(state.resourcePage, 1);
    EXPECT_EQ(state.cacheBlockTotal, 0);
    EXPECT_TRUE(state.currentInfoHash.empty());
    EXPECT_TRUE(state.RemoteAddresses().empty());
    EXPECT_EQ(state.RemoteAddress("jkdz2"), "");
}

TEST(AppState, RemoteAddressesAreReplacedWholeWhileOthersRead) {
    AppState state;
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    // Readers must only ever see one complete generation of the list.
    std::thread reader([&] {
        while (!stop) {
            auto values = state.RemoteAddresses();
            if (!values.empty() && values["TJDZ"] != values["dydz"]) ++torn;
        }
    });
    for (int generation = 0; generation < 2000; ++generation) {
        std::string value = "http://127.0.0.1/" + std::to_string(generation);
        state.ReplaceRemoteAddresses({{"TJDZ", value}, {"dydz", value}});
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(state.RemoteAddress("TJDZ"), "http://127.0.0.1/1999");
    state.SetRemoteAddress("gonggdz", "公告");
    EXPECT_EQ(state.RemoteAddress("gonggdz"), "公告");
    EXPECT_EQ(state.RemoteAddress("QTDZ"), "");
}
