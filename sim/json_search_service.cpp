#include "sim/json_search_service.h"

#include <charconv>

#include "sim/catalogue.h"
#include "sim/json_text.h"
#include "sim/page_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {

std::string JsonSearchService::Answer(const std::string& keyword, int page) const {
    const auto found = context_.catalogue().Search(keyword);
    std::string json = "{\"status\":1,\"msg\":\"\",\"total\":" + std::to_string(found.size()) +
                       ",\"page\":" + std::to_string(page) + ",\"pagesize\":" + std::to_string(kPageSize) +
                       ",\"data\":[";
    const size_t first = static_cast<size_t>(page - 1) * kPageSize;
    for (size_t i = first; i < found.size() && i < first + kPageSize; ++i) {
        const CatalogueEntry& entry = *found[i];
        if (i > first) json += ',';
        json += "{\"hash\":\"" + entry.infoHash + "\",\"title\":\"" + JsonEscape(entry.title) + "\",\"size\":\"" +
                JsonEscape(SizeText(entry.TotalSize())) + "\",\"day\":\"" + entry.day + "\",\"hot\":\"" +
                std::to_string(entry.heat) + "\",\"files\":\"" + std::to_string(entry.files.size()) + "\"}";
    }
    json += "]}";
    return json;
}

Reply JsonSearchService::Handle(const SiteRequest& request) const {
    if (request.path != "/plugin.php") return Reply::Error(404);
    if (request.Param("id") != "hc_115") {
        // "插件不存在或已关闭"
        return Reply::Json("{\"status\":0,\"msg\":\"" + JsonEscape("插件不存在或已关闭") + "\"}");
    }
    if (request.Param("mod") != "api" || request.Param("ac") != "acquisition") {
        return Reply::Json("{\"status\":0,\"msg\":\"" + JsonEscape("参数错误") + "\"}");
    }
    const std::string keyword = KeywordText(FormDecode(request.RawParam("w")));
    const std::string pageText = request.Param("page");
    int page = 1;
    std::from_chars(pageText.data(), pageText.data() + pageText.size(), page);
    if (page < 1) page = 1;
    return Reply::Json(Answer(keyword, page));
}

}  // namespace lumo::sim
