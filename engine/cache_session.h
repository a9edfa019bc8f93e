#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/block_store.h"
#include "engine/fetch_planner.h"
#include "engine/http_head.h"
#include "engine/loopback_server.h"
#include "engine/upstream_transfer.h"

namespace lumo::engine {

// Cache while watching. The player reads the media through a loopback HTTP
// address owned by the session; behind it, a few fetchers download the real
// address block by block into the local copy, and every answer to the player
// is served from that copy as soon as the bytes it needs are stored. So each
// byte is downloaded once, seeking works while the copy fills (a reader that
// waits on a missing block pulls a fetcher there), and the fetchers go on
// until every block is stored, even when playback is paused or ahead.
class CacheSession {
public:
    struct Options {
        std::string url;     // the real address (http or https)
        std::string cookie;  // sent upstream as the Cookie header when not empty
        std::string path;    // the local copy
        uint32_t blockSize = 1u << 20;
        int fetchers = 2;
        uint32_t runBlocks = 8;  // blocks asked for in one request at most
        // False: the session opens quietly. Only the first fetcher, which
        // learns the length, starts at once; StartFetching() ends the opening:
        // the others start, and a copy completed meanwhile is flushed.
        bool startFetching = true;
    };
    enum class Phase {
        Probing,   // waiting for the first reply that tells the length
        Ready,     // filling
        Complete,  // every block stored; flushed once the opening is over
        Failed,    // the real address could not be read
        Stopped,
    };

    // Opens the copy file and the loopback server and starts fetching.
    // Returns null with `error` set when either cannot be opened.
    static std::unique_ptr<CacheSession> Start(Options options, std::string* error);
    // Starts the fetchers' threads not yet running and lets a complete copy
    // be flushed; from the thread that started the session.
    void StartFetching();
    ~CacheSession();
    CacheSession(const CacheSession&) = delete;
    CacheSession& operator=(const CacheSession&) = delete;

    // Ends fetching and serving; the copy keeps what is stored. Idempotent.
    void Stop();

    // The loopback address the player opens instead of the real one.
    std::string LocalUrl() const;
    // "1" per stored block and "0" per missing one; empty until the length is known.
    std::string BlockMap() const;
    Phase phase() const;
    std::string failure() const;
    // Body bytes received from the real address, counted once per arrival.
    uint64_t downloadedBytes() const { return downloaded_.load(); }

private:
    struct Fetcher {
        std::unique_ptr<UpstreamTransfer> transfer;
        std::thread thread;
        std::optional<size_t> current;  // the block it writes
        std::optional<size_t> lastBlock;  // the last block its request asks for
        bool idle = false;
    };
    enum class RunEnd { Done, Yielded, Failed };

    explicit CacheSession(Options options);
    void StartFetcher(Fetcher* fetcher);
    void FetcherLoop(Fetcher* fetcher);
    RunEnd Fetch(Fetcher* fetcher, std::optional<size_t> firstBlock, std::optional<size_t>* next, std::string* error);
    void Serve(int socket, const RequestHead& head);

    // Helpers that expect mutex_ held.
    std::vector<uint64_t> WantedLocked() const;
    std::optional<size_t> UnservedDemandLocked() const;
    bool ServesReaderLocked(const Fetcher* fetcher) const;
    bool AnyIdleLocked() const;
    // The requests of every fetcher but `self` (null: of all fetchers).
    FetchPlanner::Reservations OthersLocked(const Fetcher* self) const;
    std::optional<size_t> PickLocked(const Fetcher* self) const;
    // Marks the session complete when every block is stored; true the one time it does.
    bool FinishIfCompleteLocked();
    // Flushes a complete copy once the opening is over; lets go of the lock meanwhile.
    void FlushWhenDueLocked(std::unique_lock<std::mutex>& lock);
    // Wakes fetchers and readers alike: the phase changed, or a reader waits.
    void NotifyAllLocked();

    Options options_;
    std::string token_;
    std::string name_;
    std::unique_ptr<BlockStore> store_;
    std::unique_ptr<LoopbackServer> server_;

    mutable std::mutex mutex_;
    // Fetchers wait on `changed_`, the players' readers on `readable_`: each
    // chunk written wakes only the readers, not fetchers with nothing to do.
    std::condition_variable changed_;
    std::condition_variable readable_;
    Phase phase_ = Phase::Probing;
    bool stopping_ = false;
    bool probeRunning_ = false;
    bool openingOver_ = true;   // false until StartFetching() when the session opens quietly
    bool flushWanted_ = false;  // the copy is complete and not flushed yet
    bool rangesSupported_ = true;
    int consecutiveFailures_ = 0;
    std::chrono::steady_clock::time_point retryAfter_{};  // no new request before this
    std::string contentType_;
    std::string failure_;
    std::map<int, uint64_t> waiting_;  // reader id -> byte offset it waits for
    int nextReader_ = 0;
    std::vector<std::unique_ptr<Fetcher>> fetchers_;
    std::atomic<uint64_t> downloaded_{0};
};

}  // namespace lumo::engine
