#include "engine/block_store.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lumo::engine {

std::unique_ptr<BlockStore> BlockStore::Create(const std::string& path, std::string* error) {
    if (path.empty()) {
        if (error) *error = "empty cache path";
        return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (error) *error = path + " is not a regular file";
        return nullptr;
    }
    return std::unique_ptr<BlockStore>(new BlockStore(fd));
}

BlockStore::~BlockStore() {
    if (fd_ >= 0) ::close(fd_);
}

bool BlockStore::SetLayout(uint64_t totalSize, uint32_t blockSize, std::string* error) {
    if (HasLayout() || totalSize == 0 || blockSize == 0) {
        if (error) *error = "invalid cache layout";
        return false;
    }
    if (::ftruncate(fd_, static_cast<off_t>(totalSize)) != 0) {
        if (error) *error = std::string("cannot size the cache file: ") + std::strerror(errno);
        return false;
    }
    totalSize_ = totalSize;
    blockSize_ = blockSize;
    blocks_.assign(static_cast<size_t>((totalSize + blockSize - 1) / blockSize), Block{});
    completeCount_ = 0;
    return true;
}

uint64_t BlockStore::BlockLength(size_t i) const {
    uint64_t start = BlockStart(i);
    return std::min<uint64_t>(blockSize_, totalSize_ - start);
}

bool BlockStore::AddFilled(size_t i, uint64_t count) {
    Block& b = blocks_[i];
    bool wasComplete = IsComplete(i);
    b.filled = std::min(b.filled + count, BlockLength(i));
    if (!wasComplete && IsComplete(i)) {
        ++completeCount_;
        b.claimed = false;
        return true;
    }
    return false;
}

uint64_t BlockStore::ReadableAt(uint64_t offset) const {
    if (!HasLayout() || offset >= totalSize_) return 0;
    size_t i = BlockOf(offset);
    uint64_t mark = FillMark(i);
    return offset < mark ? mark - offset : 0;
}

std::string BlockStore::Map() const {
    std::string map(blocks_.size(), '0');
    for (size_t i = 0; i < blocks_.size(); ++i)
        if (IsComplete(i)) map[i] = '1';
    return map;
}

bool BlockStore::WriteAt(uint64_t offset, const char* data, size_t count) {
    while (count > 0) {
        ssize_t n = ::pwrite(fd_, data, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool BlockStore::ReadAt(uint64_t offset, char* data, size_t count) const {
    while (count > 0) {
        ssize_t n = ::pread(fd_, data, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool BlockStore::SendTo(int socket, uint64_t offset, size_t count) const {
    off_t position = static_cast<off_t>(offset);
    while (count > 0) {
        ssize_t n = ::sendfile(socket, fd_, &position, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool BlockStore::Flush() { return ::fsync(fd_) == 0; }

}  // namespace lumo::engine
