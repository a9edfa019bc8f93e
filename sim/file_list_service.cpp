#include "sim/file_list_service.h"

#include "sim/catalogue.h"
#include "sim/json_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

bool IsHex40(const std::string& text) {
    if (text.size() != 40) return false;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

std::string FileListService::HashOf(const std::string& value) {
    std::string text = value;
    const std::string prefix = "magnet:?xt=urn:btih:";
    if (text.size() >= prefix.size()) {
        std::string head = text.substr(0, prefix.size());
        for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (head == prefix) text = text.substr(prefix.size());
    }
    return text.substr(0, 40);
}

std::string FileListService::Answer(const CatalogueEntry& entry) {
    std::string json = "{\"ret\":0,\"msg\":\"ok\",\"hash\":\"" + entry.infoHash +
                       "\",\"count\":" + std::to_string(entry.files.size()) + ",\"files\":[";
    for (size_t i = 0; i < entry.files.size(); ++i) {
        const CatalogueFile& file = entry.files[i];
        if (i > 0) json += ',';
        json += "{\"index\":" + std::to_string(file.index) + ",\"name\":\"" + JsonEscape(file.name) +
                "\",\"size\":\"" + std::to_string(file.size) + "\",\"sha1\":\"" + file.sha1 + "\"}";
    }
    json += "]}";
    return json;
}

std::string FileListService::UnknownAnswer(const std::string& hash) {
    // "未找到该种子的文件列表"
    std::string json = "{\"ret\":1,\"msg\":\"" + JsonEscape("未找到该种子的文件列表") + "\"";
    if (IsHex40(hash)) json += ",\"hash\":\"" + hash + "\"";
    json += ",\"count\":0,\"files\":[]}";
    return json;
}

Reply FileListService::Handle(const SiteRequest& request) const {
    if (request.path != "/filelist.php") return Reply::Error(404);
    const std::string hash = HashOf(FormDecode(request.RawParam("hash"), false));
    const CatalogueEntry* entry = context_.catalogue().FindByInfoHash(hash);
    if (entry == nullptr || !entry->knownToFileList) return Reply::Json(UnknownAnswer(hash));
    return Reply::Json(Answer(*entry));
}

}  // namespace lumo::sim
