#include "sim/word_libraries.h"

#include "sim/catalogue.h"
#include "sim/html_escape.h"
#include "sim/page_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {

Reply WordLibraries::Handle(const SiteRequest& request) const {
    const bool codes = request.path == "/fanhao.htm";
    if (!codes && request.path != "/gjz.htm") return Reply::Error(404);
    const auto& words = codes ? context_.catalogue().codes() : context_.catalogue().keywords();
    const std::string search = context_.BaseAddress(Service::Search);
    std::string page =
        "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n<title>" +
        std::string(codes ? "番号库" : "关键词库") + "</title>\r\n</head>\r\n<body>\r\n<div class=\"tags\">\r\n";
    for (const auto& word : words) {
        page += "<a href=\"" + search + "/q/" + UrlComponent(word) +
                "_rel_1.html\" target=\"_blank\" style=\"display:block;margin-bottom:10px;\">" + HtmlEscape(word) +
                "</a>\r\n";
    }
    page += "</div>\r\n</body>\r\n</html>\r\n";
    return Reply::GbkHtml(page, false);
}

}  // namespace lumo::sim
