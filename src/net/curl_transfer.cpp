#include "net/curl_transfer.h"

#include <algorithm>

#include "net/ascii_text.h"

namespace lumo::net {

namespace {

constexpr int64_t kMaxBodyReserve = int64_t{64} << 20;

}  // namespace

bool EnsureCurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

CurlTransfer::CurlTransfer() {
    if (!EnsureCurlReady()) return;
    curl_ = curl_easy_init();
    if (!curl_) return;
    multi_ = curl_multi_init();
    if (!multi_) {
        curl_easy_cleanup(curl_);
        curl_ = nullptr;
        return;
    }
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(curl_, option, value) == CURLE_OK;
    };
    set(CURLOPT_NOSIGNAL, 1L);
    // The status text is cut from a fixed column of an HTTP/1.x status line.
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Bodies are handed on exactly as the server sent them.
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_MAXREDIRS, 10L);
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_FRESH_CONNECT, 1L);
    set(CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_PREREQFUNCTION, &CurlTransfer::OnPrereq);
    set(CURLOPT_PREREQDATA, this);
    set(CURLOPT_XFERINFOFUNCTION, &CurlTransfer::OnProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_CONNECTTIMEOUT_MS, 30000L);
    if (!ok) {
        curl_multi_cleanup(multi_);
        curl_easy_cleanup(curl_);
        multi_ = nullptr;
        curl_ = nullptr;
    }
}

CurlTransfer::~CurlTransfer() {
    if (multi_) curl_multi_cleanup(multi_);
    if (curl_) curl_easy_cleanup(curl_);
}

bool CurlTransfer::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall) {
    stallLimit_ = stall;
    return curl_ && curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS,
                                     static_cast<long>(std::max<int64_t>(1, connect.count()))) == CURLE_OK;
}

bool CurlTransfer::SetFollowRedirects(bool follow) {
    follow_ = follow;
    return curl_ && curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L) == CURLE_OK;
}

void CurlTransfer::Wake() {
    if (multi_) curl_multi_wakeup(multi_);
}

namespace {

// libcurl takes the first Location header that has something in it (blanks
// and line ends trimmed) and ignores empty ones; with none it does not
// follow, and the 3xx answer is the last one.
bool HasFollowableLocation(std::string_view block) {
    constexpr std::string_view kName = "Location:";
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    size_t start = block.find("\r\n");  // past the status line
    while (start != std::string_view::npos) {
        start += 2;
        const size_t end = block.find("\r\n", start);
        const std::string_view line = block.substr(start, end == std::string_view::npos ? end : end - start);
        if (ascii::StartsWithI(line, kName) &&
            line.find_first_not_of(kBlanks, kName.size()) != std::string_view::npos)
            return true;
        start = end;
    }
    return false;
}

}  // namespace

bool CurlTransfer::IsFinal(long status) const {
    if (status < 200) return false;
    if (follow_ && status >= 300 && status < 400 && status != 304 && HasFollowableLocation(block_))
        return false;
    return true;
}

size_t CurlTransfer::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    t->Touch();
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

    if (ascii::StartsWithI(line, "HTTP/")) {
        // A new response: an interim or redirect response before it is done.
        t->block_.clear();
        t->body_.clear();
        t->bodyBytes_ = 0;
        t->announced_ = 0;
        t->finalComplete_ = false;
        t->inBlock_ = true;
        t->blockStatus_ = 0;
        const size_t sp = line.find(' ');
        if (sp != std::string_view::npos) {
            long code = 0;
            size_t i = sp + 1;
            for (; i < line.size() && i < sp + 4 && line[i] >= '0' && line[i] <= '9'; ++i)
                code = code * 10 + (line[i] - '0');
            t->blockStatus_ = code;
        }
    }
    if (!t->inBlock_) return n;
    t->block_.append(line);
    t->block_.append("\r\n");
    if (!line.empty()) return n;

    t->inBlock_ = false;
    if (!t->IsFinal(t->blockStatus_)) return n;
    t->finalComplete_ = true;
    if (t->headersHook_ && !t->headersHook_(t->blockStatus_, t->block_)) return 0;
    if (t->stopAfterHeaders_) {
        t->stopped_ = true;
        return 0;  // ends the exchange before a byte of the body is read
    }
    t->announced_ = ContentLength(t->block_).value_or(0);
    return n;
}

size_t CurlTransfer::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    t->Touch();
    if (!t->finalComplete_) return n;  // the body of a response that is followed
    t->bodyBytes_ += n;
    if (t->sink_) return t->sink_(data, n) ? n : 0;
    // One allocation for a body of announced length, instead of growing it
    // in steps that copy everything read so far; capped, since the length is
    // only the peer's word. Done at the first byte, so a HEAD answer costs nothing.
    if (t->body_.empty() && t->announced_ > 0)
        t->body_.reserve(static_cast<size_t>(std::min<int64_t>(t->announced_, kMaxBodyReserve)));
    t->body_.append(data, n);
    return n;
}

int CurlTransfer::OnPrereq(void* self, char*, char*, int, int) {
    auto* t = static_cast<CurlTransfer*>(self);
    t->connected_ = true;
    t->Touch();
    return CURL_PREREQFUNC_OK;
}

int CurlTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
    auto* t = static_cast<CurlTransfer*>(self);
    if (ulnow != t->lastUpload_) {
        t->lastUpload_ = ulnow;
        t->Touch();
    }
    return 0;
}

CURLcode CurlTransfer::Perform() {
    if (!curl_ || !multi_) return CURLE_FAILED_INIT;
    if (curl_multi_add_handle(multi_, curl_) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi_, &left))
                if (msg->msg == CURLMSG_DONE) result = msg->data.result;
            break;
        }
        if (tickHook_ && !tickHook_()) {
            cancelled_ = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int waitMs = 1000;
        if (connected_ && stallLimit_.count() > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                lastActivity_ + stallLimit_ - Clock::now());
            if (left.count() <= 0) {
                stalled_ = true;
                result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            waitMs = static_cast<int>(std::min<int64_t>(waitMs, left.count() + 1));
        }
        curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
    }
    curl_multi_remove_handle(multi_, curl_);
    return result;
}

std::optional<std::string> CurlTransfer::HeaderValue(const std::string& block, std::string_view name) {
    std::string_view rest(block);
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (first) {  // the status line
            first = false;
            continue;
        }
        if (line.size() > name.size() && line[name.size()] == ':' &&
            ascii::EqualsI(line.substr(0, name.size()), name)) {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
            return std::string(value);
        }
    }
    return std::nullopt;
}

std::optional<int64_t> CurlTransfer::ContentLength(const std::string& block) {
    const auto value = HeaderValue(block, "Content-Length");
    if (!value || value->empty()) return std::nullopt;
    int64_t n = 0;
    for (char c : *value) {
        if (c < '0' || c > '9') return std::nullopt;
        if (n > (INT64_MAX - (c - '0')) / 10) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace lumo::net
