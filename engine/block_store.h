#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumo::engine {

// The local copy of a media file: a sparse file cut into fixed-size blocks,
// and for each block how many bytes from its start are stored and whether a
// fetcher owns it. Not thread-safe: CacheSession guards it. Only the owner of
// a block writes into it, and bytes below a block's fill mark never change,
// so the file itself may be read and written outside that guard.
class BlockStore {
public:
    struct Block {
        uint64_t filled = 0;
        bool claimed = false;
    };

    // Creates or empties the file at `path`. Returns null with `error` set
    // when the file cannot be opened for writing.
    static std::unique_ptr<BlockStore> Create(const std::string& path, std::string* error);
    ~BlockStore();
    BlockStore(const BlockStore&) = delete;
    BlockStore& operator=(const BlockStore&) = delete;

    // Sizes the file and lays out the blocks; called once, when the length
    // of the media is known.
    bool SetLayout(uint64_t totalSize, uint32_t blockSize, std::string* error);
    bool HasLayout() const { return blockSize_ != 0; }

    uint64_t totalSize() const { return totalSize_; }
    uint32_t blockSize() const { return blockSize_; }
    size_t blockCount() const { return blocks_.size(); }
    size_t BlockOf(uint64_t offset) const { return static_cast<size_t>(offset / blockSize_); }
    uint64_t BlockStart(size_t i) const { return static_cast<uint64_t>(i) * blockSize_; }
    uint64_t BlockLength(size_t i) const;
    const Block& block(size_t i) const { return blocks_[i]; }
    bool IsComplete(size_t i) const { return blocks_[i].filled == BlockLength(i); }
    bool AllComplete() const { return completeCount_ == blocks_.size() && !blocks_.empty(); }
    size_t completeCount() const { return completeCount_; }

    // The next byte a fetcher of block i must write.
    uint64_t FillMark(size_t i) const { return BlockStart(i) + blocks_[i].filled; }
    void SetClaimed(size_t i, bool claimed) { blocks_[i].claimed = claimed; }
    // Records that `count` more bytes of block i are stored (written with
    // WriteAt first). Returns true when the block is now complete.
    bool AddFilled(size_t i, uint64_t count);

    // Bytes readable from `offset` on without a gap, within offset's block.
    uint64_t ReadableAt(uint64_t offset) const;

    // One character per block: "1" stored, "0" not yet.
    std::string Map() const;

    // File I/O; positional, so these are safe to call outside the guard.
    bool WriteAt(uint64_t offset, const char* data, size_t count);
    bool ReadAt(uint64_t offset, char* data, size_t count) const;
    // Sends `count` bytes from `offset` to a socket without copying them
    // through the program; false when the socket or the file fails.
    bool SendTo(int socket, uint64_t offset, size_t count) const;
    bool Flush();

private:
    explicit BlockStore(int fd) : fd_(fd) {}

    int fd_ = -1;
    uint64_t totalSize_ = 0;
    uint32_t blockSize_ = 0;
    size_t completeCount_ = 0;
    std::vector<Block> blocks_;
};

}  // namespace lumo::engine
