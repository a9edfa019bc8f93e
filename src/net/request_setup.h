#pragma once

// Pieces both request operations use to set up a libcurl handle.

#include <curl/curl.h>

#include <memory>
#include <string>
#include <string_view>

#include "net/http_method.h"

namespace lumo::net {

class CurlTransfer;

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistFree>;

// Percent-encodes the bytes libcurl will not put on a request line (blanks,
// control bytes, bytes above 0x7E); everything else stays as written.
std::string EscapeForRequestLine(std::string_view url);

// The header lines of a "\r\n"-separated block for libcurl. With lastWins,
// lines whose names match (case ignored) collapse into one that keeps the
// first one's place and the last one's value. libcurl's own "Expect:" is
// switched off unless the block sets one.
bool MakeHeaderList(std::string_view block, bool lastWins, HeaderList& out);

// The proxy libcurl gets for a request: empty means a direct connection,
// environment proxies included. A proxy given for an http address serves
// http only; libcurl has one proxy per handle, so a redirect to https still
// goes through it.
std::string ProxyFor(std::string_view proxy);

// Verb, body and how the exchange ends. A body goes out with every method;
// HEAD with a body is sent as a custom request that stops at the headers.
// `body` must outlive the transfer.
bool ApplyMethod(CurlTransfer& transfer, HttpMethod method, const std::string& body);

// The verb a method number stands for ("GET" for unknown numbers).
const char* MethodVerb(HttpMethod method, bool allowPut = true);

}  // namespace lumo::net
