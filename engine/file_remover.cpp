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
    if (thread_.joinable()) thread_.join();
    // Moved aside, but never handed to a worker.
    for (const std::string& path : queue_) ::unlink(path.c_str());
}

bool FileRemover::RemoveLater(const std::string& path) {
    if (!MoveAside(path)) return false;
    DeleteMoved();
    return true;
}

bool FileRemover::MoveAside(const std::string& path) {
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
    return true;
}

void FileRemover::DeleteMoved() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopping_ && !queue_.empty() && !working_) {
        // The last worker has ended by now (or there was none): it is
        // joined at once, and a new one takes the queue.
        if (thread_.joinable()) thread_.join();
        working_ = true;
        thread_ = std::thread([this] { Loop(); });
    }
}

void FileRemover::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Ends once the queue is empty: deletions are rare, and a thread kept
    // waiting for them would stay for the engine's whole life.
    while (!queue_.empty()) {
        const std::string next = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        ::unlink(next.c_str());
        lock.lock();
    }
    working_ = false;
}

}  // namespace lumo::engine
