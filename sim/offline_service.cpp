#include "sim/offline_service.h"

#include "sim/catalogue.h"
#include "sim/json_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

std::string FormField(const std::string& body, const std::string& name) {
    size_t from = 0;
    while (from <= body.size()) {
        const size_t amp = body.find('&', from);
        const std::string item = body.substr(from, amp == std::string::npos ? amp : amp - from);
        if (item.rfind(name + "=", 0) == 0) return FormDecode(item.substr(name.size() + 1));
        if (amp == std::string::npos) break;
        from = amp + 1;
    }
    return {};
}

}  // namespace

std::string OfflineService::Answer(const std::string& sha1) const {
    const MediaFile* media = context_.catalogue().FindMediaBySha1(sha1);
    const std::string size = media ? std::to_string(media->bytes.size()) : "0";
    std::string url;
    std::string cookie = "00000000";
    if (media != nullptr) {
        const int host = media->FirstHost() > 0 ? media->FirstHost() : 1;
        url = context_.BaseAddress(DownloadHost(host)) + "/ftn_handler/" + media->token + "/System?fname=System";
        cookie = media->cookie;
    }
    return "{\"ret\":0,\"msg\":\"\",\"data\":{\"com_url\":\"" + url + "\",\"com_cookie\":\"" + cookie +
           "\",\"cookie_name\":\"FTN5K\",\"file_size\":\"" + size + "\",\"file_name\":\"System\",\"sha1\":\"" +
           JsonEscape(sha1) + "\"}}";
}

Reply OfflineService::Handle(const SiteRequest& request) const {
    if (request.path != kPath) return Reply::Error(404);
    std::string hash = request.Param("hash");
    if (hash.empty()) hash = FormField(request.body, "hash");
    if (hash.empty()) {
        // "参数错误"
        return Reply::Json("{\"ret\":-1,\"msg\":\"" + JsonEscape("参数错误") + "\"}");
    }
    return Reply::Json(Answer(hash));
}

}  // namespace lumo::sim
