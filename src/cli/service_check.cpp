#include "cli/service_check.h"

#include <cstdlib>

#include "net/http_request.h"

namespace lumo::cli {

bool ServiceAnswers(const std::string& address) {
    net::HttpRequestArgs args;
    args.url = address;
    args.timeoutSeconds = 10;
    const net::HttpResult result = net::HttpRequest(args);
    // The status line of whatever came back: "HTTP/1.1 404 Not Found".
    const std::string& headers = result.responseHeaders;
    const size_t space = headers.find(' ');
    if (space == std::string::npos) return false;
    const int status = std::atoi(headers.c_str() + space + 1);
    return status > 0 && status < 500;
}

}  // namespace lumo::cli
