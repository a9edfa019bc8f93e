#include "net/http_request.h"

#include <chrono>

#include "net/ascii_text.h"
#include "net/cookie_text.h"
#include "net/curl_transfer.h"
#include "net/page_decoder.h"
#include "net/request_setup.h"
#include "net/response_headers.h"
#include "text/charset.h"

namespace lumo::net {
namespace {

struct DefaultHeader {
    std::string_view searchedFor;
    bool ignoreCase;
    std::string_view line;
};

constexpr DefaultHeader kDefaults[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded"},
    {"Cache-Control: ", true, "Cache-Control: no-cache"},
};

// Only absolute http(s) addresses with a host are requests HttpRequest makes.
bool IsRequestableUrl(const std::string& url) {
    CURLU* u = curl_url();
    if (!u) return false;
    bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
    char* scheme = nullptr;
    char* host = nullptr;
    ok = ok && curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
         curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK;
    ok = ok && (ascii::EqualsI(scheme, "http") || ascii::EqualsI(scheme, "https")) && host[0] != 0;
    curl_free(scheme);
    curl_free(host);
    curl_url_cleanup(u);
    return ok;
}

bool IsConnectFailure(CURLcode rc) {
    switch (rc) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SEND_ERROR:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string_view HttpFailureText(int number) {
    switch (number) {
        case 700: return "700 当前系统不支持WinHttp服务!";
        case 701: return "701 解析URL地址失败!";
        case 702: return "702 创建WinHttp会话失败!";
        case 703: return "703 创建WinHttp连接失败!";
        case 704: return "704 创建WinHttp请求失败!";
        case 705: return "705 设置超时时间失败!";
        case 707: return "707 设置代理凭证失败!";
        case 708: return "708 禁止自动设置Cookies失败!";
        case 709: return "709 重定向设置失败!";
        case 710: return "710 设置协议头失败!";
        case 711: return "711 发送请求失败!";
        case 712: return "712 服务器未响应!";
        case 713: return "713 读取数据失败!";
        default: return {};
    }
}

std::string BuildHttpHeaderBlock(std::string_view extraHeaders, std::string_view cookies) {
    std::string block(extraHeaders);
    if (!block.empty()) block.append("\r\n");
    for (const DefaultHeader& d : kDefaults) {
        const bool present = d.ignoreCase ? ascii::ContainsI(block, d.searchedFor)
                                          : block.find(d.searchedFor) != std::string::npos;
        if (present) continue;
        block.append(d.line);
        block.append("\r\n");
    }
    if (!cookies.empty() && !ascii::ContainsI(block, "Cookie: ")) {
        block.append("Cookie: ");
        block.append(cookies);
        block.append("\r\n");
    }
    return block;
}

namespace {

// The exchange behind both forms. Without `keepBody` the body goes into the
// page text (a UTF-8 page without a copy) and `body` stays empty.
HttpResult Exchange(const HttpRequestArgs& args, bool keepBody) {
    HttpResult r;
    r.cookies = args.cookies;
    auto fail = [&r](int number) {
        r.failure = number;
        r.status = std::string(HttpFailureText(number));
        return r;
    };

    if (!EnsureCurlReady()) return fail(700);
    const std::string url = EscapeForRequestLine(args.url);
    if (!IsRequestableUrl(url)) return fail(701);

    CurlTransfer transfer;
    if (!transfer.Valid()) return fail(702);
    CURL* h = transfer.Handle();

    const std::string proxy = ProxyFor(args.proxy);
    if (curl_easy_setopt(h, CURLOPT_URL, url.c_str()) != CURLE_OK ||
        curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str()) != CURLE_OK)
        return fail(703);

    const std::string body = text::Utf8ToGbk(args.postData);
    if (!ApplyMethod(transfer, args.method, body)) return fail(704);

    const std::chrono::milliseconds timeout(args.timeoutSeconds > 0
                                                ? int64_t{args.timeoutSeconds} * 1000
                                                : int64_t{30000});
    if (!transfer.SetTimeouts(timeout, timeout)) return fail(705);

    if (!args.user.empty() && !args.password.empty()) {
        if (curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_USERNAME, args.user.c_str()) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_PASSWORD, args.password.c_str()) != CURLE_OK)
            return fail(707);
    }
    if (!args.proxyUser.empty() && !args.proxyPassword.empty()) {
        if (curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, args.proxyUser.c_str()) != CURLE_OK ||
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, args.proxyPassword.c_str()) != CURLE_OK)
            return fail(707);
    }
    if (!transfer.SetFollowRedirects(!args.disableRedirects)) return fail(709);

    // Header texts go on the wire as GBK, like every other text Lumo sends.
    const std::string block =
        text::Utf8ToGbk(BuildHttpHeaderBlock(args.extraHeaders, args.cookies.value_or("")));
    HeaderList headers;
    if (!MakeHeaderList(block, /*lastWins=*/true, headers) ||
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get()) != CURLE_OK)
        return fail(710);

    const CURLcode rc = transfer.Perform();
    const bool completed = rc == CURLE_OK || (transfer.StoppedAfterHeaders() && rc == CURLE_WRITE_ERROR);
    if (!completed) {
        // libcurl reports a reply that is not HTTP/1.x with the same code as
        // an unsupported scheme; only before any connection is it the address.
        if ((rc == CURLE_URL_MALFORMAT || rc == CURLE_UNSUPPORTED_PROTOCOL) && !transfer.Connected())
            return fail(701);
        if (!transfer.FinalHeadersComplete())
            return fail(IsConnectFailure(rc) || !transfer.Connected() ? 711 : 712);
        // The response started and then broke off: what arrived is kept and
        // the response's own status replaces the failure text below.
        r.failure = 713;
    }

    r.responseHeaders = NormaliseSetCookie(text::GbkToUtf8(transfer.LastHeaders()));
    r.status = StatusText(r.responseHeaders);
    r.responseCookies = ResponseCookies(r.responseHeaders);
    r.location = LocationHeader(r.responseHeaders);
    if (args.cookies) {
        std::string merged = *args.cookies;
        MergeCookies(merged, r.responseCookies);
        r.cookies = std::move(merged);
    }
    if (keepBody) {
        r.body = std::move(transfer.Body());
        r.pageText = DecodePage(r.body);
    } else {
        r.pageText = DecodeOwnedPage(std::move(transfer.Body()));
    }
    return r;
}

}  // namespace

HttpResult HttpRequest(const HttpRequestArgs& args) { return Exchange(args, /*keepBody=*/true); }

std::string HttpRequest(std::string_view url) {
    HttpRequestArgs args;
    args.url = std::string(url);
    return Exchange(args, /*keepBody=*/false).pageText;
}

}  // namespace lumo::net
