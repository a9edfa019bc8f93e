#include "engine/upstream_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace lumo::engine {
namespace {

constexpr const char* kUserAgent = "Lumo/1.6";

struct TransferContext {
    const UpstreamTransfer::ResponseHandler* onResponse = nullptr;
    const UpstreamTransfer::DataHandler* onData = nullptr;
    CURL* easy = nullptr;
    UpstreamTransfer::Response response;
    bool responseDelivered = false;
    bool stoppedByHandler = false;
};

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return std::string(s);
}

size_t OnHeader(char* buffer, size_t size, size_t count, void* user) {
    auto* ctx = static_cast<TransferContext*>(user);
    std::string_view line(buffer, size * count);
    if (line.substr(0, 5) == "HTTP/") {
        // A new response head (after a redirect or a 100 Continue) replaces the last.
        ctx->response = UpstreamTransfer::Response{};
        return size * count;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) return size * count;
    std::string name(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string value = Trimmed(line.substr(colon + 1));
    if (name == "content-range") {
        ctx->response.contentRange = ParseContentRange(value);
    } else if (name == "content-type") {
        ctx->response.contentType = value;
    } else if (name == "content-length") {
        uint64_t n = 0;
        bool ok = !value.empty() && value.size() <= 19 &&
                  std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
        if (ok) {
            for (char c : value) n = n * 10 + static_cast<uint64_t>(c - '0');
            ctx->response.contentLength = n;
        }
    }
    return size * count;
}

bool Deliver(TransferContext* ctx) {
    if (ctx->responseDelivered) return true;
    ctx->responseDelivered = true;
    long status = 0;
    curl_easy_getinfo(ctx->easy, CURLINFO_RESPONSE_CODE, &status);
    ctx->response.status = status;
    if (!(*ctx->onResponse)(ctx->response)) {
        ctx->stoppedByHandler = true;
        return false;
    }
    return true;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* ctx = static_cast<TransferContext*>(user);
    size_t n = size * count;
    if (!Deliver(ctx)) return 0;
    if (n == 0) return 0;
    if (!(*ctx->onData)(data, n)) {
        ctx->stoppedByHandler = true;
        return 0;
    }
    return n;
}

}  // namespace

void UpstreamTransfer::GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

UpstreamTransfer::UpstreamTransfer() {
    GlobalInit();
    multi_ = curl_multi_init();
}

UpstreamTransfer::~UpstreamTransfer() {
    if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void UpstreamTransfer::Cancel() {
    cancelled_.store(true);
    if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

UpstreamTransfer::Result UpstreamTransfer::Run(const std::string& url, const std::string& cookie, uint64_t from,
                                                std::optional<uint64_t> to, const ResponseHandler& onResponse,
                                                const DataHandler& onData) {
    Result result;
    if (cancelled_.load()) {
        result.outcome = Outcome::Stopped;
        return result;
    }
    auto* multi = static_cast<CURLM*>(multi_);
    CURL* easy = curl_easy_init();
    if (!multi || !easy) {
        if (easy) curl_easy_cleanup(easy);
        result.error = "curl could not start";
        return result;
    }
    TransferContext ctx;
    ctx.onResponse = &onResponse;
    ctx.onData = &onData;
    ctx.easy = easy;
    std::string range = std::to_string(from) + "-" + (to ? std::to_string(*to) : std::string());
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 15L);
    // A stalled server ends the transfer instead of holding a fetcher forever.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 64L * 1024);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    if (!cookie.empty()) curl_easy_setopt(easy, CURLOPT_COOKIE, cookie.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &ctx);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &ctx);

    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool done = false;
    bool cancelled = false;
    while (!done) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                code = msg->data.result;
                done = true;
            }
        }
        if (done) break;
        if (cancelled_.load()) {
            cancelled = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 250, nullptr);
    }
    curl_multi_remove_handle(multi, easy);

    if (cancelled) {
        result.outcome = Outcome::Stopped;
    } else if (ctx.stoppedByHandler) {
        result.outcome = Outcome::Stopped;
    } else if (code == CURLE_OK) {
        // A reply without a body still gets its head judged.
        if (!Deliver(&ctx))
            result.outcome = Outcome::Stopped;
        else
            result.outcome = Outcome::Finished;
    } else {
        result.outcome = Outcome::Failed;
        result.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    }
    curl_easy_cleanup(easy);
    return result;
}

}  // namespace lumo::engine
