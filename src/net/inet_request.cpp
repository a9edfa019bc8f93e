#include "net/inet_request.h"

#include <chrono>
#include <memory>

#include "net/ascii_text.h"
#include "net/cookie_jar.h"
#include "net/cookie_text.h"
#include "net/curl_transfer.h"
#include "net/request_setup.h"
#include "net/response_headers.h"
#include "net/split_url.h"
#include "text/charset.h"

namespace lumo::net {

std::string InetUserAgent(std::string_view headers) {
    for (std::string_view line : ascii::Split(headers, "\r\n")) {
        if (!ascii::StartsWithI(line, "User-Agent:")) continue;
        return std::string(ascii::TrimBlanks(line.substr(11)));
    }
    return "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
}

std::string BuildInetHeaderBlock(std::string_view extraHeaders, std::string_view url,
                                 std::string_view cookies) {
    std::string block(extraHeaders);
    if (block.empty()) {
        block = "Accept: */*";
    } else if (block.find("Accept:") == std::string::npos) {
        block += "\r\nAccept: */*";
    }
    if (block.find("Referer:") == std::string::npos) {
        block += "\r\nReferer: ";
        // A line break in the address must not start a header of its own.
        for (unsigned char c : url) {
            if (c < 0x20 || c == 0x7F) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                block += '%';
                block += kHex[c >> 4];
                block += kHex[c & 15];
            } else {
                block += static_cast<char>(c);
            }
        }
    }
    if (block.find("Accept-Language:") == std::string::npos) block += "\r\nAccept-Language: zh-cn";
    if (block.find("Content-Type:") == std::string::npos)
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (!cookies.empty()) {
        block += "\r\nCookie: ";
        block += cookies;
    }
    return block;
}

InetResult InetRequest(const InetRequestArgs& args) {
    InetResult r;
    r.cookies = args.cookies;

    const bool https = IsHttpsAddress(args.url);
    const std::string host = SplitUrlHost(args.url);
    const int port = SplitUrlPort(args.url);
    if (host.empty() || port == 0) return r;
    const std::string url = EscapeForRequestLine((https ? "https://" : "http://") + host + ":" +
                                                 std::to_string(port) + SplitUrlPath(args.url));

    const bool useJar = !args.cookies.has_value();
    // Declared before the transfer so that the handle lets go of the jar first.
    std::shared_ptr<CookieJar> jar = useJar ? CookieJar::Current() : nullptr;
    CurlTransfer transfer;
    if (!transfer.Valid()) return r;
    CURL* h = transfer.Handle();

    const std::string block = BuildInetHeaderBlock(args.extraHeaders, args.url, args.cookies.value_or(""));
    const std::string wireBlock = text::Utf8ToGbk(block);
    const std::string agent = text::Utf8ToGbk(InetUserAgent(args.extraHeaders));
    const std::string postBytes = args.postBytes.empty() ? text::Utf8ToGbk(args.postText) : args.postBytes;
    HttpMethod method = args.method;
    if (method != HttpMethod::Post && method != HttpMethod::Head) method = HttpMethod::Get;
    // A GET goes out with its headers only.
    const std::string body = method == HttpMethod::Get ? std::string() : postBytes;
    const std::string proxy = ProxyFor(args.proxy);
    const std::chrono::milliseconds timeout(int64_t{args.timeoutSeconds > 0 ? args.timeoutSeconds : 60} * 1000);

    HeaderList headers;
    bool ok = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK &&
              curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK &&
              curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK &&
              transfer.SetFollowRedirects(!args.disableRedirects) &&
              ApplyMethod(transfer, method, body) &&
              MakeHeaderList(wireBlock, /*lastWins=*/false, headers) &&
              curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
    if (ok && jar) ok = jar->Attach(h);
    if (!ok) return r;
    transfer.SetTimeouts(timeout, timeout);

    r.setUp = true;
    r.requestHeaders = block;
    r.postBytes = postBytes;
    transfer.Perform();
    if (jar) jar->Save();

    // Whatever arrived is kept; a request that never got an answer simply
    // has no headers and no body.
    r.body = std::move(transfer.Body());
    if (transfer.FinalHeadersComplete())
        r.responseHeaders = NormaliseSetCookie(text::GbkToUtf8(transfer.LastHeaders()));
    r.responseCookies = ResponseCookies(r.responseHeaders);
    if (args.cookies) {
        // With one variable for both, it was emptied before the response was
        // read, so the merge sees the response's cookies on both sides.
        std::string merged = args.cookiesFollowResponse ? r.responseCookies : *args.cookies;
        MergeCookies(merged, r.responseCookies);
        if (args.cookiesFollowResponse) r.responseCookies = merged;
        r.cookies = std::move(merged);
    }
    return r;
}

std::string InetRequest(std::string_view url) {
    InetRequestArgs args;
    args.url = std::string(url);
    return InetRequest(args).body;
}

}  // namespace lumo::net
