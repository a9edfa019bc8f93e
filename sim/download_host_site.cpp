#include "sim/download_host_site.h"

#include "sim/catalogue.h"
#include "sim/sim_context.h"

namespace lumo::sim {

Reply DownloadHostSite::Handle(const SiteRequest& request) const {
    const std::string prefix = "/ftn_handler/";
    if (request.path.rfind(prefix, 0) != 0) return Reply::Error(404);
    std::string token = request.path.substr(prefix.size());
    token = token.substr(0, token.find('/'));
    const MediaFile* media = context_.catalogue().FindMediaByToken(token);
    if (media == nullptr || !media->OnHost(host_)) return Reply::Error(404);
    if (request.Cookie("FTN5K") != media->cookie) return Reply::Error(403);
    Reply reply = Reply::Shared(media->bytes, "application/octet-stream");
    reply.With("Content-Disposition", "attachment; filename=\"System\"");
    reply.With("Cache-Control", "max-age=0");
    return reply;
}

}  // namespace lumo::sim
