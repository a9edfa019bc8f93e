#include "sim/reply.h"

#include "text/charset.h"

namespace lumo::sim {

std::string ReasonPhrase(int status) {
    switch (status) {
        case 200: return "OK";
        case 206: return "Partial Content";
        case 302: return "Found";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 416: return "Range Not Satisfiable";
        case 500: return "Internal Server Error";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        case 504: return "Gateway Timeout";
        default: return "Error";
    }
}

Reply Reply::Utf8Html(std::string html) {
    Reply reply;
    reply.body = std::move(html);
    return reply;
}

Reply Reply::GbkHtml(std::string_view html, bool declare) {
    Reply reply;
    reply.contentType = declare ? "text/html; charset=gbk" : "text/html";
    reply.body = text::Utf8ToGbk(html);
    return reply;
}

Reply Reply::Json(std::string json) {
    Reply reply;
    reply.contentType = "application/json; charset=utf-8";
    reply.body = std::move(json);
    return reply;
}

Reply Reply::Xml(std::string xml) {
    Reply reply;
    reply.contentType = "text/xml; charset=utf-8";
    reply.body = std::move(xml);
    return reply;
}

Reply Reply::Plain(std::string text, int status) {
    Reply reply;
    reply.status = status;
    reply.contentType = "text/plain; charset=utf-8";
    reply.body = std::move(text);
    return reply;
}

Reply Reply::Shared(std::string_view bytes, std::string contentType) {
    Reply reply;
    reply.contentType = std::move(contentType);
    reply.shared = bytes;
    reply.ranges = true;
    return reply;
}

Reply Reply::Error(int status) {
    const std::string line = std::to_string(status) + " " + ReasonPhrase(status);
    Reply reply = Utf8Html("<!DOCTYPE html>\n<html><head><title>" + line + "</title></head>\n<body><h1>" + line +
                           "</h1></body></html>\n");
    reply.status = status;
    return reply;
}

}  // namespace lumo::sim
