#include "engine/playback_state_machine.h"

#include <gtest/gtest.h>

namespace lumo::engine {
namespace {

using Changes = PlaybackStateMachine::Changes;

// Collects every change the machine reports, across calls.
class StateMachineTest : public ::testing::Test {
protected:
    void Feed(const Changes& changes) { seen_.insert(seen_.end(), changes.begin(), changes.end()); }
    std::vector<int32_t> States() const {
        std::vector<int32_t> states;
        for (auto [from, to] : seen_) states.push_back(to);
        return states;
    }
    // Open request, its answer, and the player's start, load and first picture.
    void PlayEntry(int64_t entry) {
        Feed(m_.OpenRequested());
        Feed(m_.LoadAnswered(true, entry));
        Feed(m_.StartFile(entry));
        Feed(m_.FileLoaded());
        Feed(m_.PlaybackRestart());
    }
    PlaybackStateMachine m_;
    Changes seen_;
};

TEST_F(StateMachineTest, OpeningRunsThroughStartingToPlaying) {
    PlayEntry(1);
    EXPECT_EQ(States(), (std::vector<int32_t>{1, 4, 5}));
    EXPECT_EQ(seen_.front(), (std::pair<int32_t, int32_t>{0, 1}));
    EXPECT_TRUE(m_.started());
    // A seek restarts playback without changing the state.
    Feed(m_.PlaybackRestart());
    EXPECT_EQ(States().size(), 3u);
}

TEST_F(StateMachineTest, PauseGoesThroughPausingAndBack) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.PauseRequested());
    EXPECT_EQ(m_.state(), 2);
    Feed(m_.PauseChanged(true));
    Feed(m_.PlayRequested());
    Feed(m_.PauseChanged(false));
    EXPECT_EQ(States(), (std::vector<int32_t>{2, 3, 4, 5}));
}

TEST_F(StateMachineTest, PauseAndPlayFasterThanThePlayerReportsEndPlaying) {
    PlayEntry(1);
    seen_.clear();
    // The player's pause flag goes up and down before it is reported: no report comes.
    Feed(m_.PauseRequested());
    Feed(m_.PlayRequested());
    EXPECT_EQ(m_.state(), 5);
    EXPECT_EQ(States(), (std::vector<int32_t>{2, 4, 5}));
}

TEST_F(StateMachineTest, PauseWhilePausedUnderneathCompletesAtOnce) {
    PlayEntry(1);
    Feed(m_.PauseRequested());
    Feed(m_.PauseChanged(true));
    Feed(m_.PlayRequested());  // play asked, player still reports paused
    seen_.clear();
    Feed(m_.PauseRequested());
    EXPECT_EQ(States(), (std::vector<int32_t>{2, 3}));
}

TEST_F(StateMachineTest, PausedDuringOpeningStartsPaused) {
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.StartFile(1));
    Feed(m_.PauseRequested());  // nothing shows yet
    Feed(m_.PauseChanged(true));
    Feed(m_.FileLoaded());
    Feed(m_.PlaybackRestart());
    EXPECT_EQ(States(), (std::vector<int32_t>{1, 4, 3}));
}

// A pause must not be dropped between the player taking the media and
// reporting its start: the engine asks openInFlight() whether a pause in
// "ready" belongs to an open on its way.
TEST_F(StateMachineTest, AnOpenIsOnItsWayUntilThePlayerStartsIt) {
    EXPECT_FALSE(m_.openInFlight());
    Feed(m_.OpenRequested());
    EXPECT_TRUE(m_.openInFlight());
    Feed(m_.LoadAnswered(true, 1));
    EXPECT_TRUE(m_.openInFlight());
    Feed(m_.StartFile(1));
    EXPECT_FALSE(m_.openInFlight());
    // A refused open is over with its answer.
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(false, 0));
    EXPECT_FALSE(m_.openInFlight());
}

TEST_F(StateMachineTest, CloseGoesThroughClosingToReady) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.CloseRequested());
    EXPECT_EQ(m_.state(), 6);
    Feed(m_.EndFile(1));
    EXPECT_EQ(States(), (std::vector<int32_t>{6, 0}));
    EXPECT_FALSE(m_.started());
}

TEST_F(StateMachineTest, EndOfFileClosesToReady) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.EndFile(1));
    EXPECT_EQ(States(), (std::vector<int32_t>{6, 0}));
    Feed(m_.IdleChanged(true));
    EXPECT_EQ(States().size(), 2u);
}

TEST_F(StateMachineTest, FailedOpenReturnsToReadyWithoutClosing) {
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.StartFile(1));
    Feed(m_.EndFile(1));
    EXPECT_EQ(States(), (std::vector<int32_t>{1, 0}));
}

TEST_F(StateMachineTest, OpenDuringPlaybackSkipsReady) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 2));
    Feed(m_.EndFile(1));  // the replaced file ends first
    Feed(m_.StartFile(2));
    Feed(m_.FileLoaded());
    Feed(m_.PlaybackRestart());
    EXPECT_EQ(States(), (std::vector<int32_t>{1, 4, 5}));
}

TEST_F(StateMachineTest, ReplacedFileEndingBeforeTheAnswerIsStillReplaced) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.OpenRequested());
    Feed(m_.EndFile(1));  // answer of the new open not yet in
    EXPECT_TRUE(seen_.empty());
}

TEST_F(StateMachineTest, OpensThePlayerDroppedLeaveNoTrace) {
    // Two opens in a row: the player drops the first without starting it.
    Feed(m_.OpenRequested());
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.LoadAnswered(true, 2));
    Feed(m_.StartFile(2));
    Feed(m_.FileLoaded());
    Feed(m_.PlaybackRestart());
    Feed(m_.EndFile(2));
    EXPECT_EQ(States(), (std::vector<int32_t>{1, 4, 5, 6, 0}));
}

TEST_F(StateMachineTest, CloseRightAfterOpenEndsReady) {
    Feed(m_.OpenRequested());
    Feed(m_.CloseRequested());  // still ready: nothing to announce
    EXPECT_TRUE(seen_.empty());
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.StartFile(1));
    Feed(m_.EndFile(1));
    EXPECT_EQ(m_.state(), 0);
}

TEST_F(StateMachineTest, IdlePlayerEndsAClosingThatSawNoEnd) {
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(true, 2));
    Feed(m_.StartFile(1));
    Feed(m_.CloseRequested());
    // Entry 1 ends as replaced-looking, entry 2 never starts.
    Feed(m_.EndFile(1));
    Feed(m_.IdleChanged(true));
    EXPECT_EQ(m_.state(), 0);
    EXPECT_EQ(States().back(), 0);
}

TEST_F(StateMachineTest, StaleIdleDoesNotEndAnOpenOnTheWay) {
    Feed(m_.OpenRequested());
    Feed(m_.IdleChanged(true));
    Feed(m_.LoadAnswered(true, 1));
    Feed(m_.StartFile(1));
    Feed(m_.OpenRequested());
    Feed(m_.IdleChanged(true));  // a new open still in flight
    EXPECT_EQ(m_.state(), 1);
}

TEST_F(StateMachineTest, RejectedOpenLeavesTheCurrentFilePlaying) {
    PlayEntry(1);
    seen_.clear();
    Feed(m_.OpenRequested());
    Feed(m_.LoadAnswered(false, 0));
    EXPECT_TRUE(seen_.empty());
    Feed(m_.EndFile(1));
    EXPECT_EQ(States(), (std::vector<int32_t>{6, 0}));
}

TEST_F(StateMachineTest, RequestsWithNothingOpenChangeNothing) {
    Feed(m_.PauseRequested());
    Feed(m_.PlayRequested());
    Feed(m_.CloseRequested());
    Feed(m_.PauseChanged(true));
    Feed(m_.IdleChanged(true));
    EXPECT_TRUE(seen_.empty());
    EXPECT_EQ(m_.state(), 0);
}

}  // namespace
}  // namespace lumo::engine
