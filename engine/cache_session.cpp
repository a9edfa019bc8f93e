#include "engine/cache_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <random>

#include "engine/option_values.h"

namespace lumo::engine {
namespace {

using namespace std::chrono_literals;

constexpr int kMaxFailures = 6;
constexpr auto kReaderSlice = 200ms;
constexpr auto kLengthWait = 60s;
// What one send hands the player at most, so a stop is noticed between sends.
constexpr size_t kSendPiece = 1024 * 1024;

std::string RandomToken() {
    std::random_device device;
    static const char* digits = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        uint32_t word = device();
        for (int j = 0; j < 8; ++j) {
            token += digits[word & 15];
            word >>= 4;
        }
    }
    return token;
}

// The last path segment of the address, kept to safe characters, so the
// player sees a familiar name in the loopback address.
std::string NameFromUrl(const std::string& url) {
    size_t end = url.find_first_of("?#");
    std::string path = url.substr(0, end);
    size_t scheme = path.find("://");
    if (scheme != std::string::npos) {
        size_t slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? std::string() : path.substr(slash);
    }
    std::string last = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::string name;
    for (char c : last) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') name += c;
        if (name.size() >= 64) break;
    }
    return name.empty() ? "media" : name;
}

void SendStatus(int socket, const char* status, const std::string& extra = std::string()) {
    LoopbackServer::SendAll(socket, std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\n" + extra +
                                        "Connection: close\r\n\r\n");
}

}  // namespace

CacheSession::CacheSession(Options options) : options_(std::move(options)) {}

std::unique_ptr<CacheSession> CacheSession::Start(Options options, std::string* error) {
    if (!IsHttpAddress(options.url)) {
        if (error) *error = "only http and https addresses are cached";
        return nullptr;
    }
    if (options.blockSize == 0) options.blockSize = 1u << 20;
    options.fetchers = std::clamp(options.fetchers, 1, 4);
    options.runBlocks = std::max<uint32_t>(options.runBlocks, 1);
    std::unique_ptr<CacheSession> session(new CacheSession(std::move(options)));
    session->token_ = RandomToken();
    session->name_ = NameFromUrl(session->options_.url);
    for (int i = 0; i < session->options_.fetchers; ++i) {
        auto fetcher = std::make_unique<Fetcher>();
        fetcher->transfer = std::make_unique<UpstreamTransfer>();
        session->fetchers_.push_back(std::move(fetcher));
    }
    session->store_ = BlockStore::Create(session->options_.path, error);
    if (!session->store_) return nullptr;
    session->openingOver_ = session->options_.startFetching;
    // The player's first request waits for the length: the first fetcher
    // asks for it while the server opens. The fetchers never use the server.
    session->StartFetcher(session->fetchers_.front().get());
    CacheSession* self = session.get();
    session->server_ =
        LoopbackServer::Start([self](int socket, const RequestHead& head) { self->Serve(socket, head); }, error);
    if (!session->server_) return nullptr;  // the destructor ends the fetcher
    if (session->options_.startFetching) session->StartFetching();
    return session;
}

void CacheSession::StartFetching() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        openingOver_ = true;
        changed_.notify_all();
    }
    for (auto& fetcher : fetchers_) StartFetcher(fetcher.get());
}

void CacheSession::StartFetcher(Fetcher* fetcher) {
    if (!fetcher->thread.joinable()) fetcher->thread = std::thread([this, fetcher] { FetcherLoop(fetcher); });
}

CacheSession::~CacheSession() { Stop(); }

void CacheSession::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        if (phase_ == Phase::Probing || phase_ == Phase::Ready) phase_ = Phase::Stopped;
        for (auto& fetcher : fetchers_) fetcher->transfer->Cancel();
        NotifyAllLocked();
    }
    if (server_) server_->Stop();
    for (auto& fetcher : fetchers_)
        if (fetcher->thread.joinable()) fetcher->thread.join();
}

std::string CacheSession::LocalUrl() const {
    return "http://127.0.0.1:" + std::to_string(server_->port()) + "/" + token_ + "/" + name_;
}

std::string CacheSession::BlockMap() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_->HasLayout() ? store_->Map() : std::string();
}

CacheSession::Phase CacheSession::phase() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return phase_;
}

std::string CacheSession::failure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

std::vector<uint64_t> CacheSession::WantedLocked() const {
    std::vector<uint64_t> wanted;
    for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) wanted.push_back(it->second);
    return wanted;
}

std::optional<size_t> CacheSession::UnservedDemandLocked() const {
    // Without ranges nothing but the one sequential read can help a reader.
    if (!store_->HasLayout() || !rangesSupported_) return std::nullopt;
    for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) {
        if (it->second >= store_->totalSize()) continue;
        size_t b = store_->BlockOf(it->second);
        if (FetchPlanner::NeedsFetcher(*store_, b, OthersLocked(nullptr))) return b;
    }
    return std::nullopt;
}

bool CacheSession::ServesReaderLocked(const Fetcher* fetcher) const {
    if (!fetcher->current) return false;
    FetchPlanner::Reservations own;
    if (fetcher->lastBlock) own.push_back({*fetcher->current, *fetcher->lastBlock});
    for (const auto& [id, offset] : waiting_) {
        if (offset >= store_->totalSize()) continue;
        size_t b = store_->BlockOf(offset);
        // The block it writes, or one its request reaches next.
        if (b == *fetcher->current || (FetchPlanner::IsFree(*store_, b) && !FetchPlanner::NeedsFetcher(*store_, b, own)))
            return true;
    }
    return false;
}

bool CacheSession::AnyIdleLocked() const {
    return std::any_of(fetchers_.begin(), fetchers_.end(), [](const auto& f) { return f->idle; });
}

FetchPlanner::Reservations CacheSession::OthersLocked(const Fetcher* self) const {
    FetchPlanner::Reservations others;
    for (const auto& f : fetchers_)
        if (f.get() != self && f->current && f->lastBlock) others.push_back({*f->current, *f->lastBlock});
    return others;
}

std::optional<size_t> CacheSession::PickLocked(const Fetcher* self) const {
    if (rangesSupported_) return FetchPlanner::Pick(*store_, WantedLocked(), OthersLocked(self));
    // Without ranges one fetcher reads the body from its start.
    for (const auto& f : fetchers_)
        if (f->current) return std::nullopt;
    for (size_t i = 0; i < store_->blockCount(); ++i)
        if (!store_->IsComplete(i)) return i;
    return std::nullopt;
}

void CacheSession::NotifyAllLocked() {
    changed_.notify_all();
    readable_.notify_all();
}

bool CacheSession::FinishIfCompleteLocked() {
    if ((phase_ == Phase::Ready || phase_ == Phase::Stopped) && store_->AllComplete()) {
        phase_ = Phase::Complete;
        NotifyAllLocked();
        return true;
    }
    return false;
}

void CacheSession::FlushWhenDueLocked(std::unique_lock<std::mutex>& lock) {
    if (!flushWanted_ || !openingOver_) return;
    flushWanted_ = false;
    // Flushing a large copy takes a while; readers of the map must not wait for it.
    lock.unlock();
    store_->Flush();
    lock.lock();
}

void CacheSession::FetcherLoop(Fetcher* fetcher) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<size_t> next;  // a block this fetcher already holds for its next run
    for (;;) {
        FlushWhenDueLocked(lock);
        if (stopping_ || phase_ == Phase::Failed) break;
        if (phase_ == Phase::Complete) {
            if (!flushWanted_) break;
            fetcher->idle = true;
            changed_.wait(lock);
            fetcher->idle = false;
            continue;
        }
        if (std::chrono::steady_clock::now() < retryAfter_) {
            // After a failure every fetcher waits out the same pause.
            changed_.wait_until(lock, retryAfter_, [this] { return stopping_; });
            continue;
        }
        std::optional<size_t> first;
        bool probe = false;
        if (phase_ == Phase::Probing) {
            if (probeRunning_) {
                fetcher->idle = true;
                changed_.wait(lock);
                fetcher->idle = false;
                continue;
            }
            probeRunning_ = true;
            probe = true;
        } else if (next) {
            first = next;
            next.reset();
        } else {
            first = PickLocked(fetcher);
            if (!first) {
                fetcher->idle = true;
                changed_.wait(lock);
                fetcher->idle = false;
                continue;
            }
            store_->SetClaimed(*first, true);
        }
        fetcher->current = first;
        lock.unlock();
        std::string error;
        RunEnd end = Fetch(fetcher, first, &next, &error);
        lock.lock();
        if (probe) probeRunning_ = false;
        if (fetcher->current) {
            if (!store_->IsComplete(*fetcher->current)) store_->SetClaimed(*fetcher->current, false);
            fetcher->current.reset();
        }
        fetcher->lastBlock.reset();
        if (FinishIfCompleteLocked()) flushWanted_ = true;
        NotifyAllLocked();
        if (end != RunEnd::Failed || stopping_) continue;
        if (next) {
            store_->SetClaimed(*next, false);
            next.reset();
        }
        if (++consecutiveFailures_ >= kMaxFailures) {
            phase_ = Phase::Failed;
            failure_ = error;
            NotifyAllLocked();
            break;
        }
        auto delay = std::min<std::chrono::milliseconds>(3000ms, 150ms * (1 << (consecutiveFailures_ - 1)));
        retryAfter_ = std::chrono::steady_clock::now() + delay;
    }
    if (next) store_->SetClaimed(*next, false);
    fetcher->idle = false;
    NotifyAllLocked();
}

CacheSession::RunEnd CacheSession::Fetch(Fetcher* fetcher, std::optional<size_t> firstBlock,
                                          std::optional<size_t>* next, std::string* error) {
    const bool probe = !firstBlock;
    uint64_t from = 0;
    std::optional<uint64_t> to;
    size_t current = firstBlock.value_or(0);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (probe) {
            // A bounded first request: its reply tells the length either way,
            // and it ends where the other fetchers take over.
            to = uint64_t{options_.blockSize} * options_.runBlocks - 1;
        } else if (rangesSupported_) {
            from = store_->FillMark(current);
            size_t last = FetchPlanner::RunEnd(*store_, current, options_.runBlocks, OthersLocked(fetcher));
            to = store_->BlockStart(last) + store_->BlockLength(last) - 1;
            fetcher->lastBlock = last;
        } else {
            fetcher->lastBlock = store_->blockCount() - 1;
        }
    }
    uint64_t offset = from;
    bool badReply = false, fatalReply = false, ioFailed = false, yielded = false, runOver = false, rangeIgnored = false;

    auto onResponse = [&](const UpstreamTransfer::Response& r) -> bool {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return false;
        auto reject = [&](const std::string& why) {
            badReply = true;
            fatalReply = r.status >= 400 && r.status < 500 && r.status != 408 && r.status != 429;
            *error = why;
            return false;
        };
        if (probe) {
            uint64_t total = 0;
            bool ranges = false;
            if (r.status == 206 && r.contentRange && r.contentRange->range && r.contentRange->total &&
                r.contentRange->range->first == 0) {
                total = *r.contentRange->total;
                ranges = true;
            } else if (r.status == 200 && r.contentLength) {
                total = *r.contentLength;
            } else {
                return reject("the server answered " + std::to_string(r.status) + " without a length");
            }
            if (total == 0) return reject("the media is empty");
            std::string why;
            if (!store_->SetLayout(total, options_.blockSize, &why)) {
                fatalReply = badReply = true;
                *error = why;
                return false;
            }
            rangesSupported_ = ranges;
            contentType_ = r.contentType;
            phase_ = Phase::Ready;
            store_->SetClaimed(0, true);
            fetcher->current = 0;
            fetcher->lastBlock = ranges ? std::min<size_t>(options_.runBlocks, store_->blockCount()) - 1
                                        : store_->blockCount() - 1;
            current = 0;
            NotifyAllLocked();
            return true;
        }
        uint64_t total = store_->totalSize();
        if (r.status == 206) {
            if (!r.contentRange || !r.contentRange->range || r.contentRange->range->first != from ||
                (r.contentRange->total && *r.contentRange->total != total))
                return reject("the server sent another range than asked");
            return true;
        }
        if (r.status == 200) {
            if (r.contentLength && *r.contentLength != total) return reject("the media changed its length");
            if (from == 0) return true;
            // The server ignores ranges: from now on one fetcher reads from the start.
            rangesSupported_ = false;
            rangeIgnored = true;
            return false;
        }
        return reject("the server answered " + std::to_string(r.status));
    };

    auto onData = [&](const char* data, size_t size) -> bool {
        std::unique_lock<std::mutex> lock(mutex_);
        while (size > 0) {
            if (stopping_) return false;
            uint64_t blockEnd = store_->BlockStart(current) + store_->BlockLength(current);
            if (offset >= blockEnd) {
                // Go on into the next block while nobody else holds it and
                // no reader waits elsewhere for a free fetcher.
                size_t following = current + 1;
                if (following >= store_->blockCount() || UnservedDemandLocked()) {
                    runOver = true;
                    return false;
                }
                bool stored = store_->IsComplete(following);
                bool take = stored ? !rangesSupported_ : !store_->block(following).claimed;
                if (!take) {
                    runOver = true;
                    return false;
                }
                if (!stored) store_->SetClaimed(following, true);
                current = following;
                fetcher->current = following;
                continue;
            }
            uint64_t mark = store_->FillMark(current);
            if (offset < mark) {
                uint64_t skip = std::min<uint64_t>(size, mark - offset);
                offset += skip;
                data += skip;
                size -= static_cast<size_t>(skip);
                continue;
            }
            if (offset > mark) {
                badReply = true;
                *error = "the body skipped bytes";
                return false;
            }
            size_t count = static_cast<size_t>(std::min<uint64_t>(size, blockEnd - offset));
            lock.unlock();
            bool written = store_->WriteAt(offset, data, count);
            lock.lock();
            if (!written) {
                ioFailed = true;
                *error = "cannot write the local copy";
                return false;
            }
            store_->AddFilled(current, count);
            downloaded_ += count;
            consecutiveFailures_ = 0;
            offset += count;
            data += count;
            size -= count;
            readable_.notify_all();  // only readers wait for bytes
            if (!store_->IsComplete(current) && !ServesReaderLocked(fetcher) && !AnyIdleLocked()) {
                if (auto demand = UnservedDemandLocked()) {
                    store_->SetClaimed(*demand, true);
                    *next = *demand;
                    store_->SetClaimed(current, false);
                    fetcher->current.reset();
                    yielded = true;
                    return false;
                }
            }
        }
        return true;
    };

    UpstreamTransfer::Result result =
        fetcher->transfer->Run(options_.url, options_.cookie, from, to, onResponse, onData);

    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || yielded || runOver || rangeIgnored) return yielded ? RunEnd::Yielded : RunEnd::Done;
    if (fatalReply) consecutiveFailures_ = kMaxFailures - 1;
    if (badReply || ioFailed) return RunEnd::Failed;
    if (result.outcome == UpstreamTransfer::Outcome::Finished) {
        if (!store_->HasLayout()) return RunEnd::Failed;
        uint64_t expectedEnd = to ? std::min(*to + 1, store_->totalSize()) : store_->totalSize();
        if (offset < expectedEnd) {
            *error = "the body ended early";
            return RunEnd::Failed;
        }
        return RunEnd::Done;
    }
    if (result.outcome == UpstreamTransfer::Outcome::Stopped) return RunEnd::Done;
    *error = result.error;
    return RunEnd::Failed;
}

void CacheSession::Serve(int socket, const RequestHead& head) {
    if (head.method != "GET" && head.method != "HEAD") {
        SendStatus(socket, "405 Method Not Allowed", "Allow: GET, HEAD\r\n");
        return;
    }
    std::string prefix = "/" + token_ + "/";
    if (head.target.compare(0, prefix.size(), prefix) != 0) {
        SendStatus(socket, "404 Not Found");
        return;
    }
    uint64_t total = 0;
    std::string type;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto deadline = std::chrono::steady_clock::now() + kLengthWait;
        while (phase_ == Phase::Probing && !stopping_ && std::chrono::steady_clock::now() < deadline) {
            if (readable_.wait_for(lock, kReaderSlice) == std::cv_status::timeout) {
                lock.unlock();
                bool gone = LoopbackServer::PeerGone(socket);
                lock.lock();
                if (gone) return;
            }
        }
        if (stopping_ || !store_->HasLayout()) {
            lock.unlock();
            SendStatus(socket, "502 Bad Gateway");
            return;
        }
        total = store_->totalSize();
        type = contentType_.empty() ? "application/octet-stream" : contentType_;
    }
    RangeRequest request = ParseRangeHeader(head.header("range"), total);
    if (request.kind == RangeKind::Unsatisfiable) {
        SendStatus(socket, "416 Range Not Satisfiable", "Content-Range: bytes */" + std::to_string(total) + "\r\n");
        return;
    }
    bool partial = request.kind == RangeKind::Partial;
    ByteRange range = request.range;
    std::string reply = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    reply += "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(range.length()) +
             "\r\nAccept-Ranges: bytes\r\n";
    if (partial)
        reply += "Content-Range: bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
                 std::to_string(total) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    if (!LoopbackServer::SendAll(socket, reply) || head.method == "HEAD") return;

    uint64_t position = range.first;
    while (position <= range.last) {
        uint64_t available = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            int reader = -1;
            for (;;) {
                available = store_->ReadableAt(position);
                if (available > 0 || stopping_ || phase_ == Phase::Failed) break;
                if (reader < 0) {
                    reader = nextReader_++;
                    waiting_[reader] = position;
                    NotifyAllLocked();
                }
                readable_.wait_for(lock, kReaderSlice);
                lock.unlock();
                bool gone = LoopbackServer::PeerGone(socket);
                lock.lock();
                if (gone) {
                    available = 0;
                    break;
                }
            }
            if (reader >= 0) waiting_.erase(reader);
        }
        if (available == 0) return;  // stopped, failed, or the player went away
        size_t count = static_cast<size_t>(std::min<uint64_t>({available, range.last - position + 1, kSendPiece}));
        if (!store_->SendTo(socket, position, count)) return;
        position += count;
    }
}

}  // namespace lumo::engine
