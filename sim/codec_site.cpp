#include "sim/codec_site.h"

#include "sim/sim_context.h"

namespace lumo::sim {

Reply CodecSite::Handle(const SiteRequest& request) const {
    if (request.path == "/codecs.zip") {
        const auto bytes = context_.CodecPackBytes(context_.CodecPack());
        if (bytes->empty()) return Reply::Error(500);
        Reply reply = Reply::Shared(*bytes, "application/zip");
        reply.With("Content-Disposition", "attachment; filename=\"codecs.zip\"");
        return reply;
    }
    if (request.path == "/") {
        return Reply::Utf8Html(
            "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>解码器下载</title>\n</head>\n<body>\n"
            "<h2>播放器解码器包</h2>\n<p><a href=\"/codecs.zip\">codecs.zip</a>：解压到播放器目录下的 codecs 文件夹。</p>\n"
            "</body>\n</html>\n");
    }
    return Reply::Error(404);
}

}  // namespace lumo::sim
