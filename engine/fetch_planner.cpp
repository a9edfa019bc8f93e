#include "engine/fetch_planner.h"

#include <algorithm>

namespace lumo::engine {
namespace {

// How many blocks ahead a fetcher's request counts as arriving soon.
constexpr size_t kSoon = 2;

bool Reserved(const FetchPlanner::Reservations& others, size_t block) {
    return std::any_of(others.begin(), others.end(), [block](const auto& r) { return r.Covers(block); });
}

}  // namespace

bool FetchPlanner::IsFree(const BlockStore& store, size_t i) {
    return !store.IsComplete(i) && !store.block(i).claimed;
}

bool FetchPlanner::NeedsFetcher(const BlockStore& store, size_t i, const Reservations& fetchers) {
    if (!IsFree(store, i)) return false;
    return std::none_of(fetchers.begin(), fetchers.end(),
                        [i](const auto& r) { return r.Covers(i) && i - r.current <= kSoon; });
}

std::optional<size_t> FetchPlanner::Pick(const BlockStore& store, const std::vector<uint64_t>& wanted,
                                         const Reservations& others) {
    if (!store.HasLayout()) return std::nullopt;
    // A waiting reader's block is fetched now unless another fetcher is
    // about to reach it; one further ahead in another request is taken
    // from it.
    for (uint64_t offset : wanted) {
        if (offset >= store.totalSize()) continue;
        size_t b = store.BlockOf(offset);
        if (NeedsFetcher(store, b, others)) return b;
    }
    auto open = [&](size_t i) { return IsFree(store, i) && !Reserved(others, i); };
    size_t bestStart = 0, bestLength = 0;
    size_t count = store.blockCount();
    for (size_t i = 0; i < count;) {
        if (!open(i)) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < count && open(i)) ++i;
        if (i - start > bestLength) {
            bestStart = start;
            bestLength = i - start;
        }
    }
    if (bestLength == 0) return std::nullopt;
    bool approached = bestStart > 0 && (store.block(bestStart - 1).claimed || Reserved(others, bestStart - 1));
    if (approached && bestLength >= 2) return bestStart + bestLength / 2;
    return bestStart;
}

size_t FetchPlanner::RunEnd(const BlockStore& store, size_t start, size_t maxBlocks, const Reservations& others) {
    size_t end = start;
    while (end + 1 < store.blockCount() && end + 1 - start < maxBlocks && IsFree(store, end + 1) &&
           store.block(end + 1).filled == 0 && !Reserved(others, end + 1))
        ++end;
    return end;
}

}  // namespace lumo::engine
