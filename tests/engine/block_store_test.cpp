#include "engine/block_store.h"

#include <gtest/gtest.h>

#include "engine/fetch_planner.h"
#include "engine/test_support.h"

namespace lumo::engine {
namespace {

using testing::ReadBytes;
using testing::TempDir;

class BlockStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<BlockStore> Make(uint64_t total, uint32_t blockSize) {
        std::string error;
        auto store = BlockStore::Create((dir_ / "copy").string(), &error);
        EXPECT_TRUE(store) << error;
        EXPECT_TRUE(store->SetLayout(total, blockSize, &error)) << error;
        return store;
    }
    // Fills block i completely with its own number.
    static void Fill(BlockStore& store, size_t i) {
        std::string bytes(store.BlockLength(i), static_cast<char>('a' + i));
        ASSERT_TRUE(store.WriteAt(store.BlockStart(i), bytes.data(), bytes.size()));
        store.AddFilled(i, bytes.size());
    }
    TempDir dir_;
};

TEST_F(BlockStoreTest, LaysOutBlocksWithAShortLastOne) {
    auto store = Make(2500, 1000);
    EXPECT_EQ(store->blockCount(), 3u);
    EXPECT_EQ(store->BlockLength(0), 1000u);
    EXPECT_EQ(store->BlockLength(2), 500u);
    EXPECT_EQ(store->BlockOf(999), 0u);
    EXPECT_EQ(store->BlockOf(1000), 1u);
    EXPECT_EQ(store->Map(), "000");
    EXPECT_EQ(std::filesystem::file_size(dir_ / "copy"), 2500u);
}

TEST_F(BlockStoreTest, ExactMultipleHasNoEmptyTailBlock) {
    auto store = Make(3000, 1000);
    EXPECT_EQ(store->blockCount(), 3u);
    EXPECT_EQ(store->BlockLength(2), 1000u);
}

TEST_F(BlockStoreTest, LayoutIsSetOnceAndNeverEmpty) {
    std::string error;
    auto store = BlockStore::Create((dir_ / "copy").string(), &error);
    ASSERT_TRUE(store);
    EXPECT_FALSE(store->SetLayout(0, 1000, &error));
    EXPECT_FALSE(store->SetLayout(10, 0, &error));
    EXPECT_TRUE(store->SetLayout(10, 4, &error));
    EXPECT_FALSE(store->SetLayout(20, 4, &error));
    EXPECT_EQ(store->totalSize(), 10u);
}

TEST_F(BlockStoreTest, ReadableBytesFollowTheFillMark) {
    auto store = Make(2500, 1000);
    EXPECT_EQ(store->ReadableAt(0), 0u);
    ASSERT_TRUE(store->WriteAt(1000, "xyz", 3));
    store->AddFilled(1, 3);
    EXPECT_EQ(store->ReadableAt(1000), 3u);
    EXPECT_EQ(store->ReadableAt(1002), 1u);
    EXPECT_EQ(store->ReadableAt(1003), 0u);
    EXPECT_EQ(store->ReadableAt(999), 0u);
    EXPECT_EQ(store->ReadableAt(2500), 0u);
    EXPECT_EQ(store->FillMark(1), 1003u);
    char back[3];
    ASSERT_TRUE(store->ReadAt(1000, back, 3));
    EXPECT_EQ(std::string(back, 3), "xyz");
}

TEST_F(BlockStoreTest, CompletingABlockReleasesItAndMarksTheMap) {
    auto store = Make(2500, 1000);
    store->SetClaimed(2, true);
    std::string tail(500, 'z');
    ASSERT_TRUE(store->WriteAt(2000, tail.data(), 250));
    EXPECT_FALSE(store->AddFilled(2, 250));
    EXPECT_TRUE(store->block(2).claimed);
    ASSERT_TRUE(store->WriteAt(2250, tail.data(), 250));
    EXPECT_TRUE(store->AddFilled(2, 250));
    EXPECT_FALSE(store->block(2).claimed);
    EXPECT_EQ(store->Map(), "001");
    EXPECT_FALSE(store->AddFilled(2, 10));  // already complete: no double count
    EXPECT_EQ(store->completeCount(), 1u);
    Fill(*store, 0);
    Fill(*store, 1);
    EXPECT_TRUE(store->AllComplete());
    EXPECT_EQ(ReadBytes(dir_ / "copy"), std::string(1000, 'a') + std::string(1000, 'b') + tail);
}

TEST_F(BlockStoreTest, AnExistingFileIsEmptied) {
    { std::ofstream(dir_ / "copy") << "old content of another film"; }
    auto store = Make(4, 4);
    EXPECT_EQ(ReadBytes(dir_ / "copy"), std::string(4, '\0'));
}

TEST_F(BlockStoreTest, UnusablePathsAreRefused) {
    std::string error;
    EXPECT_FALSE(BlockStore::Create("", &error));
    EXPECT_FALSE(BlockStore::Create((dir_ / "missing" / "copy").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(BlockStore::Create(dir_.path().string(), &error));  // a directory
}

TEST_F(BlockStoreTest, PlannerServesWaitingReadersFirst) {
    auto store = Make(10000, 1000);
    EXPECT_EQ(FetchPlanner::Pick(*store, {7500}, {}), 7u);
    // The newest reader's block is taken when free; a held one is skipped.
    store->SetClaimed(7, true);
    EXPECT_EQ(FetchPlanner::Pick(*store, {7500, 3100}, {}), 3u);
    // Readers past the end are ignored.
    EXPECT_EQ(FetchPlanner::Pick(*store, {20000}, {}), 0u);
}

TEST_F(BlockStoreTest, PlannerSplitsTheStretchAnotherFetcherApproaches) {
    auto store = Make(10000, 1000);
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, {}), 0u);
    store->SetClaimed(0, true);
    // Blocks 1..9 lie ahead of the fetcher on block 0: start halfway.
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, {}), 5u);
    store->SetClaimed(5, true);
    // Two free stretches of four, 1..4 and 6..9: the first, approached from 0.
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, {}), 3u);
    store->SetClaimed(0, false);
    store->SetClaimed(5, false);
    store->SetClaimed(9, true);
    // The stretch 0..8 is not approached (block 9 lies behind it): from its start.
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, {}), 0u);
}

TEST_F(BlockStoreTest, PlannerTakesAStretchNobodyApproachesFromItsStart) {
    auto store = Make(10000, 1000);
    for (size_t i = 0; i < 4; ++i) Fill(*store, i);
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, {}), 4u);
    for (size_t i = 4; i < 10; ++i) Fill(*store, i);
    EXPECT_FALSE(FetchPlanner::Pick(*store, {}, {}));
    EXPECT_FALSE(FetchPlanner::Pick(*store, {500}, {}));
}

TEST_F(BlockStoreTest, RunsStopBeforeHeldOrPartlyStoredBlocks) {
    auto store = Make(10000, 1000);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 0, 100, {}), 9u);
    store->SetClaimed(6, true);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 2, 100, {}), 5u);
    ASSERT_TRUE(store->WriteAt(4000, "x", 1));
    store->AddFilled(4, 1);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 2, 100, {}), 3u);
    // A partly stored first block is fine: the run resumes at its mark.
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 4, 100, {}), 5u);
    Fill(*store, 8);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 7, 100, {}), 7u);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 9, 100, {}), 9u);
}

TEST_F(BlockStoreTest, RequestsAreBoundedAndStopAtAnotherFetchersRequest) {
    auto store = Make(20000, 1000);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 0, 8, {}), 7u);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 15, 8, {}), 19u);
    // Another fetcher on block 10 has asked for 11..13.
    FetchPlanner::Reservations others{{10, 13}};
    store->SetClaimed(10, true);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 4, 100, others), 9u);
    EXPECT_EQ(FetchPlanner::RunEnd(*store, 14, 100, others), 19u);
}

TEST_F(BlockStoreTest, PlannerLeavesBlocksOthersAskedForUnlessAReaderWaits) {
    auto store = Make(20000, 1000);
    store->SetClaimed(0, true);
    FetchPlanner::Reservations others{{0, 7}};
    // Free stretch 8..19 is approached by the request ending at 7: halfway.
    EXPECT_EQ(FetchPlanner::Pick(*store, {}, others), 14u);
    // A reader waiting on block 5 gets it although it lies in that request,
    // which is still five blocks away; block 2 it reaches soon enough.
    EXPECT_EQ(FetchPlanner::Pick(*store, {5500}, others), 5u);
    EXPECT_EQ(FetchPlanner::Pick(*store, {2500}, others), 14u);
    EXPECT_FALSE(FetchPlanner::NeedsFetcher(*store, 2, others));
    EXPECT_TRUE(FetchPlanner::NeedsFetcher(*store, 3, others));
    EXPECT_FALSE(FetchPlanner::NeedsFetcher(*store, 0, others));  // held
    // Everything left is asked for: nothing to pick.
    FetchPlanner::Reservations all{{0, 19}};
    EXPECT_FALSE(FetchPlanner::Pick(*store, {}, all));
}

}  // namespace
}  // namespace lumo::engine
