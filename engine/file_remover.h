#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace lumo::engine {

// Deletes files behind the caller's back. Deleting or truncating a large
// file frees all its blocks inside that one call: for a local copy of a
// film several GB long that is most of a second, which must not hold up
// the opening of the next film.
class FileRemover {
public:
    FileRemover() = default;
    // Finishes the deletions still queued.
    ~FileRemover();
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;

    // Moves the regular, non-empty file at `path` to a hidden name beside it
    // and deletes it on a thread of its own, so `path` is free at once.
    // False when there was no such file or it could not be moved; the caller
    // then deals with whatever is at `path` itself.
    bool RemoveLater(const std::string& path);
    // RemoveLater in two steps, for a caller in a hurry: the file is moved
    // aside at once, and deleted once DeleteMoved() starts the thread.
    bool MoveAside(const std::string& path);
    void DeleteMoved();

private:
    void Loop();

    std::mutex mutex_;
    std::deque<std::string> queue_;
    bool stopping_ = false;
    bool working_ = false;  // a worker is on the queue
    unsigned moved_ = 0;
    std::thread thread_;
};

}  // namespace lumo::engine
