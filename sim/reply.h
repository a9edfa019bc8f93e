#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::sim {

// What a service answers to one request, before the fault switches act.
struct Reply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    // Long-lived bytes sent instead of `body` when set (media and packs that
    // the catalogue owns), so a large file is never copied per request.
    std::string_view shared;
    // Whether a Range header is honoured (206, Content-Range, 416).
    bool ranges = false;
    std::vector<std::pair<std::string, std::string>> headers;

    std::string_view Bytes() const { return shared.data() != nullptr ? shared : std::string_view(body); }
    Reply& With(std::string name, std::string value) {
        headers.emplace_back(std::move(name), std::move(value));
        return *this;
    }

    // A page written in UTF-8 and sent as UTF-8.
    static Reply Utf8Html(std::string html);
    // A page written in UTF-8 and sent as GBK bytes; `declare` puts the
    // charset into the Content-Type header as well.
    static Reply GbkHtml(std::string_view html, bool declare = true);
    static Reply Json(std::string json);
    static Reply Xml(std::string xml);
    static Reply Plain(std::string text, int status = 200);
    static Reply Shared(std::string_view bytes, std::string contentType);
    // A short error page of its own fixed wording for the status.
    static Reply Error(int status);
};

std::string ReasonPhrase(int status);

}  // namespace lumo::sim
