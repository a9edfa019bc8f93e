#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/block_store.h"

namespace lumo::engine {

// Decides where a free fetcher of the cache starts and how far one request
// goes. Blocks a waiting reader needs come first. Otherwise the fetcher takes
// the longest stretch of blocks that nobody holds or has asked for, starting
// halfway into it when another fetcher is heading into that stretch, so two
// fetchers never trail each other and no bytes are asked for twice.
class FetchPlanner {
public:
    // The blocks after `current` up to `last` that another fetcher's
    // request will bring, in order.
    struct Reservation {
        size_t current = 0;
        size_t last = 0;
        bool Covers(size_t block) const { return block > current && block <= last; }
    };
    using Reservations = std::vector<Reservation>;

    // `wanted` holds the byte offsets waiting readers need, most urgent first.
    static std::optional<size_t> Pick(const BlockStore& store, const std::vector<uint64_t>& wanted,
                                      const Reservations& others);

    // The last block one request starting at `start` covers: at most
    // `maxBlocks` blocks, ending before the first block that is held,
    // stored, partly stored or asked for by another fetcher.
    static size_t RunEnd(const BlockStore& store, size_t start, size_t maxBlocks, const Reservations& others);

    // True when block i is neither stored nor held by a fetcher.
    static bool IsFree(const BlockStore& store, size_t i);

    // True when a free block still needs a fetcher of its own for a reader
    // waiting on it: no other fetcher's request reaches it within a block or
    // two.
    static bool NeedsFetcher(const BlockStore& store, size_t i, const Reservations& fetchers);
};

}  // namespace lumo::engine
