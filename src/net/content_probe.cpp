#include "net/content_probe.h"

#include <chrono>
#include <memory>
#include <string>

#include "net/cookie_jar.h"
#include "net/curl_transfer.h"
#include "net/request_setup.h"

namespace lumo::net {

int64_t ProbeContentLength(std::string_view url) {
    // Declared before the transfer so that the handle lets go of the jar first.
    const std::shared_ptr<CookieJar> jar = CookieJar::Current();
    CurlTransfer transfer;
    if (!transfer.Valid()) return -1;
    CURL* h = transfer.Handle();
    const std::string address = EscapeForRequestLine(url);
    if (curl_easy_setopt(h, CURLOPT_URL, address.c_str()) != CURLE_OK ||
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L) != CURLE_OK || !transfer.SetFollowRedirects(true))
        return -1;
    jar->Attach(h);
    const std::chrono::milliseconds limit(15000);
    transfer.SetTimeouts(limit, limit);
    transfer.StopAfterHeaders(true);

    const CURLcode rc = transfer.Perform();
    jar->Save();  // a probed host may have set cookies
    const bool gotHeaders = transfer.FinalHeadersComplete() &&
                            (rc == CURLE_OK || (transfer.StoppedAfterHeaders() && rc == CURLE_WRITE_ERROR));
    if (!gotHeaders) return -1;
    const long status = transfer.LastStatus();
    if (status < 200 || status > 299) return -1;
    return CurlTransfer::ContentLength(transfer.LastHeaders()).value_or(-1);
}

}  // namespace lumo::net
