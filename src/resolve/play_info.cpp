#include "resolve/play_info.h"

#include "net/inet_request.h"
#include "text/charset.h"
#include "text/text_between.h"

namespace lumo::resolve {

std::string PlayInfoAddress(std::string_view offlineHost) {
    std::string address = "http://";
    address.append(offlineHost);
    address.append(kPlayInfoPath);
    return address;
}

std::string QueryPlayInfo(std::string_view offlineHost, std::string_view sha1) {
    net::InetRequestArgs args;
    args.url = PlayInfoAddress(offlineHost);
    args.method = net::HttpMethod::Post;
    args.postText = "hash=" + std::string(sha1) + "&filename=System";
    const net::InetResult result = net::InetRequest(args);
    return text::GbkToUtf8(text::UntilZero(result.body));
}

std::string ExtractComCookie(std::string_view answer) {
    return text::TextBetween(answer, "com_cookie\":\"", "\",");
}

}  // namespace lumo::resolve
