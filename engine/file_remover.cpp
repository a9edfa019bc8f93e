#include "engine/file_remover.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace lumo::engine {

FileRemover::~FileRemover() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool FileRemover::RemoveLater(const std::string& path) {
    struct stat info {};
    // A link is left alone: what it points to is not the copy's to delete.
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) return false;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return false;
    const std::string aside =
        folder + "." + name + ".old-" + std::to_string(::getpid()) + "-" + std::to_string(++moved_);
    if (std::rename(path.c_str(), aside.c_str()) != 0) return false;
    queue_.push_back(aside);
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    changed_.notify_all();
    return true;
}

void FileRemover::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        const std::string next = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        ::unlink(next.c_str());
        lock.lock();
    }
}

}  // namespace lumo::engine
