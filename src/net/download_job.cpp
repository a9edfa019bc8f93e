#include "net/download_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

#include "net/curl_transfer.h"
#include "net/request_setup.h"

namespace lumo::net {

struct DownloadJob::State {
    std::string url;
    std::string target;
    DownloadHandler handler;
    DownloadOptions options;

    std::atomic<int64_t> received{0};
    std::atomic<double> speed{0.0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::atomic<bool> succeeded{false};

    mutable std::mutex mutex;
    std::condition_variable doneCv;
    std::string failure;
    CurlTransfer* running = nullptr;  // under mutex, for waking it on Cancel

    // Speed samples (milliseconds, bytes), worker only.
    std::deque<std::pair<int64_t, int64_t>> samples;

    int Notify(DownloadEvent event, int64_t value) {
        if (cancel.load()) return 0;
        // Without a handler there is nobody to ask: the new file wins.
        if (!handler) return event == DownloadEvent::ReplaceTarget ? 1 : 0;
        return handler(event, value);
    }

    void UpdateSpeed() {
        using namespace std::chrono;
        const int64_t now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        samples.emplace_back(now, received.load());
        while (samples.size() > 2 && now - samples.front().first > 3000) samples.pop_front();
        const auto& first = samples.front();
        const int64_t span = now - first.first;
        speed.store(span > 0 ? double(received.load() - first.second) * 1000.0 / double(span) : 0.0);
    }

    void Finish(bool ok, const std::string& why, int64_t value) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            failure = ok ? std::string() : why;
        }
        if (ok) {
            Notify(DownloadEvent::Finished, value);
        } else if (!cancel.load()) {
            Notify(DownloadEvent::Failed, value);
        }
        speed.store(0.0);
        {
            std::lock_guard<std::mutex> lock(mutex);
            succeeded.store(ok);
            done.store(true);
        }
        doneCv.notify_all();
    }

    void Run();
};

void DownloadJob::State::Run() {
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && Notify(DownloadEvent::ReplaceTarget, 0) != 1) {
        Finish(false, "the target file exists and was kept", 0);
        return;
    }
    if (cancel.load()) {
        Finish(false, "cancelled", 0);
        return;
    }

    std::string temp = target + ".part-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        Finish(false, "cannot create " + temp, 0);
        return;
    }
    fchmod(fd, 0644);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temp.c_str());
        Finish(false, "cannot write " + temp, 0);
        return;
    }

    bool writeFailed = false;
    long failedStatus = 0;
    CURLcode rc;
    {
        CurlTransfer transfer;
        if (!transfer.Valid()) {
            std::fclose(file);
            unlink(temp.c_str());
            Finish(false, "cannot start the transfer", 0);
            return;
        }
        const std::string address = EscapeForRequestLine(url);
        curl_easy_setopt(transfer.Handle(), CURLOPT_URL, address.c_str());
        curl_easy_setopt(transfer.Handle(), CURLOPT_HTTPGET, 1L);
        transfer.SetFollowRedirects(true);
        const std::chrono::milliseconds limit(int64_t{options.timeoutSeconds > 0 ? options.timeoutSeconds : 30} *
                                              1000);
        transfer.SetTimeouts(limit, limit);
        transfer.OnFinalHeaders([&](long status, const std::string& block) {
            if (status >= 400) {
                failedStatus = status;
                return false;
            }
            if (auto size = CurlTransfer::ContentLength(block)) Notify(DownloadEvent::SizeKnown, *size);
            return true;
        });
        transfer.SetBodySink([&](const char* data, size_t size) {
            if (std::fwrite(data, 1, size, file) != size) {
                writeFailed = true;
                return false;
            }
            received.fetch_add(static_cast<int64_t>(size));
            return true;
        });
        transfer.OnTick([&] {
            UpdateSpeed();
            return !cancel.load();
        });
        {
            std::lock_guard<std::mutex> lock(mutex);
            running = &transfer;
        }
        rc = transfer.Perform();
        {
            std::lock_guard<std::mutex> lock(mutex);
            running = nullptr;
        }
        if (rc == CURLE_OK && !transfer.FinalHeadersComplete()) rc = CURLE_GOT_NOTHING;
        if (rc == CURLE_OK) {
            // A body shorter than announced is caught by libcurl; check what
            // reached the disk as well.
            if (std::fflush(file) != 0 || (options.durable && fsync(fileno(file)) != 0)) writeFailed = true;
        }
        if (transfer.Stalled()) rc = CURLE_OPERATION_TIMEDOUT;
    }
    const bool closeOk = std::fclose(file) == 0;

    std::string why;
    if (cancel.load()) why = "cancelled";
    else if (failedStatus) why = "the server answered with status " + std::to_string(failedStatus);
    else if (writeFailed || !closeOk) why = "cannot write " + temp;
    else if (rc != CURLE_OK) why = curl_easy_strerror(rc);

    if (why.empty() && rename(temp.c_str(), target.c_str()) != 0)
        why = "cannot rename " + temp + " to " + target;
    if (!why.empty()) {
        unlink(temp.c_str());
        Finish(false, why, failedStatus);
        return;
    }
    Finish(true, {}, received.load());
}

DownloadJob::~DownloadJob() {
    Cancel();
    if (!worker_.joinable()) return;
    if (worker_.get_id() == std::this_thread::get_id()) {
        worker_.detach();  // dropped from inside the handler: the state outlives us
    } else {
        worker_.join();
    }
}

int64_t DownloadJob::BytesReceived() const { return state_->received.load(); }
double DownloadJob::CurrentSpeed() const { return state_->speed.load(); }
bool DownloadJob::Done() const { return state_->done.load(); }
bool DownloadJob::Succeeded() const { return state_->succeeded.load(); }

void DownloadJob::Cancel() {
    state_->cancel.store(true);
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->running) state_->running->Wake();
}

bool DownloadJob::Wait() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->doneCv.wait(lock, [&] { return state_->done.load(); });
    return state_->succeeded.load();
}

std::string DownloadJob::FailureText() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->failure;
}

std::shared_ptr<DownloadJob> StartDownload(const std::string& url, const std::string& targetFile,
                                           DownloadHandler handler, DownloadOptions options) {
    std::shared_ptr<DownloadJob> job(new DownloadJob());
    job->state_ = std::make_shared<DownloadJob::State>();
    job->state_->url = url;
    job->state_->target = targetFile;
    job->state_->handler = std::move(handler);
    job->state_->options = options;
    std::shared_ptr<DownloadJob::State> state = job->state_;
    job->worker_ = std::thread([state] { state->Run(); });
    return job;
}

}  // namespace lumo::net
