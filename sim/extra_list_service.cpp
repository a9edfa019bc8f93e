#include "sim/extra_list_service.h"

#include "sim/catalogue.h"
#include "sim/sim_context.h"

namespace lumo::sim {

Reply ExtraListService::Handle(const SiteRequest& request) const {
    if (request.path != "/vip.htm") return Reply::Error(404);
    const Catalogue& catalogue = context_.catalogue();
    std::string page =
        "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n"
        "<title>VIP资源</title>\r\n</head>\r\n<body>\r\n";
    for (int index : catalogue.extraList()) {
        const CatalogueEntry& entry = catalogue.entries()[index];
        page += "名称" + entry.title + "名称------磁力magnet:?xt=urn:btih:" + entry.infoHash + "磁力<br />\r\n";
    }
    page += "</body>\r\n</html>\r\n";
    return Reply::GbkHtml(page, false);
}

}  // namespace lumo::sim
