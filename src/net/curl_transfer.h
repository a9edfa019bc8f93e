#pragma once

// One libcurl easy handle for one exchange. It keeps the header block of the
// response in hand and the body of the final response, knows how far the
// exchange got when it failed, and ends it when the peer goes quiet for
// longer than the stall limit (libcurl's own low-speed check averages over
// seconds, which lets a stalled peer hold a call well past its timeout).

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lumo::net {

class CurlTransfer {
public:
    using Clock = std::chrono::steady_clock;
    // Receives body bytes of the final response; false fails the exchange.
    using BodySink = std::function<bool(const char* data, size_t size)>;
    // Called once the final response's headers are complete; false ends the
    // exchange there (a failure unless StopAfterHeaders was asked).
    using HeadersHook = std::function<bool(long status, const std::string& block)>;
    // Called on every turn of the transfer loop; false cancels.
    using TickHook = std::function<bool()>;

    CurlTransfer();
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    bool Valid() const { return curl_ != nullptr; }
    CURL* Handle() const { return curl_; }

    // Limits name resolution plus connect, and the silence allowed once a
    // request is under way (no byte sent or received for that long).
    bool SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall);
    // Whether libcurl follows redirects; also tells which response is final.
    bool SetFollowRedirects(bool follow);
    // Ends the exchange once the final response's headers are in, without
    // reading the body; the peer sees the connection closed.
    void StopAfterHeaders(bool stop) { stopAfterHeaders_ = stop; }
    void SetBodySink(BodySink sink) { sink_ = std::move(sink); }
    void OnFinalHeaders(HeadersHook hook) { headersHook_ = std::move(hook); }
    void OnTick(TickHook hook) { tickHook_ = std::move(hook); }
    // Wakes a running Perform from another thread so that a tick runs now.
    void Wake();

    CURLcode Perform();

    // How far the exchange got.
    bool Connected() const { return connected_; }
    bool FinalHeadersComplete() const { return finalComplete_; }
    bool Stalled() const { return stalled_; }
    bool StoppedAfterHeaders() const { return stopped_; }
    bool Cancelled() const { return cancelled_; }

    // The last response's header block as received (CRLF line ends, ending
    // with the empty line when complete) and its status code.
    const std::string& LastHeaders() const { return block_; }
    long LastStatus() const { return blockStatus_; }
    std::string& Body() { return body_; }
    uint64_t BodyBytes() const { return bodyBytes_; }

    // The value of a header in a raw block (first occurrence, name compared
    // without case, surrounding blanks removed).
    static std::optional<std::string> HeaderValue(const std::string& block, std::string_view name);
    // The decimal Content-Length of a block; nullopt when absent or not a number.
    static std::optional<int64_t> ContentLength(const std::string& block);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnPrereq(void* self, char*, char*, int, int);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow);

    bool IsFinal(long status) const;
    void Touch() { lastActivity_ = Clock::now(); }

    CURL* curl_ = nullptr;
    CURLM* multi_ = nullptr;
    std::chrono::milliseconds stallLimit_{30000};
    bool follow_ = false;
    bool stopAfterHeaders_ = false;
    BodySink sink_;
    HeadersHook headersHook_;
    TickHook tickHook_;

    bool connected_ = false;
    bool finalComplete_ = false;
    bool stalled_ = false;
    bool stopped_ = false;
    bool cancelled_ = false;
    bool inBlock_ = false;
    std::string block_;
    long blockStatus_ = 0;
    std::string body_;
    uint64_t bodyBytes_ = 0;
    int64_t announced_ = 0;  // Content-Length of the final answer, 0 when unknown
    curl_off_t lastUpload_ = 0;
    Clock::time_point lastActivity_;
};

// libcurl's process-wide set-up, done once (thread-safe); false when it failed.
bool EnsureCurlReady();

}  // namespace lumo::net
