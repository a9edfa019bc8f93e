#pragma once

// Background HTTP downloads with progress events (used for the codec pack).
//
// A job runs on a worker thread of its own. The handler is called on that
// worker thread, never on the caller's: a GUI has to post what it wants to
// show to its own thread. The file is written under a temporary name next to
// the target and renamed to the target only when complete, so the target
// never holds a partial download.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace lumo::net {

enum class DownloadEvent : int {
    SizeKnown = 3,        // value: the total size in bytes (only when the server tells it)
    Finished = 4,         // value: the bytes written; the target is complete
    ReplaceTarget = 18,   // the target exists: answer 1 to replace it, else the job fails
                          // (without a handler it is replaced)
    Failed = 100,         // value: the HTTP status for an error answer, else 0; see FailureText
};

// Called with an event and its value; the answer matters only for
// ReplaceTarget (return 0 for every other event).
using DownloadHandler = std::function<int(DownloadEvent event, int64_t value)>;

struct DownloadOptions {
    int timeoutSeconds = 30;  // connect, and any silence of the server; 0 or less = 30
    // Whether the file reaches the disk before it takes the target's name;
    // a download that is unpacked and deleted at once can skip it.
    bool durable = true;
};

class DownloadJob {
public:
    ~DownloadJob();  // cancels, and waits unless called from the handler
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // Bytes of the body received so far.
    int64_t BytesReceived() const;
    // Bytes per second over the last few seconds (0 before data flows).
    double CurrentSpeed() const;
    // Asks the job to stop: no event is delivered once it has noticed, the
    // temporary file is removed and the target is left as it was.
    void Cancel();
    // Blocks until the job has ended; true when it finished.
    bool Wait();
    bool Done() const;
    bool Succeeded() const;
    // Why the job failed; empty while it runs and after success.
    std::string FailureText() const;

    struct State;

private:
    friend std::shared_ptr<DownloadJob> StartDownload(const std::string&, const std::string&,
                                                      DownloadHandler, DownloadOptions);
    DownloadJob() = default;

    std::shared_ptr<State> state_;  // shared with the worker, which may outlive this object
    std::thread worker_;
};

// Starts downloading `url` into `targetFile`. The returned job may be kept to
// query, cancel or wait; dropping it cancels the download.
std::shared_ptr<DownloadJob> StartDownload(const std::string& url, const std::string& targetFile,
                                           DownloadHandler handler, DownloadOptions options = {});

}  // namespace lumo::net
