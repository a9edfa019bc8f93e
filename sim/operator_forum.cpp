#include "sim/operator_forum.h"

#include <charconv>
#include <chrono>

#include "sim/base64_encode.h"
#include "sim/html_escape.h"
#include "sim/random.h"
#include "sim/sim_context.h"
#include "text/charset.h"
#include "torrent/torrent_file.h"

namespace lumo::sim {
namespace {

const char* kGbkHead =
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n";
const char* kCookieExpiry = "expires=Fri, 31-Dec-2027 23:59:59 GMT; Max-Age=2592000; path=/";

std::string Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

// The raw text of one form field, up to the next '&'.
std::string FormField(std::string_view body, std::string_view name) {
    size_t from = 0;
    while (from <= body.size()) {
        const size_t amp = body.find('&', from);
        const std::string_view item = body.substr(from, amp == std::string_view::npos ? amp : amp - from);
        if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=') {
            return std::string(item.substr(name.size() + 1));
        }
        if (amp == std::string_view::npos) break;
        from = amp + 1;
    }
    return {};
}

// The password as a form server reads it: one field, percent-decoded, in
// UTF-8 or GBK.
bool PasswordMatches(const ForumUser& user, const std::string& decoded) {
    return decoded == user.password || decoded == text::Utf8ToGbk(user.password);
}

std::string DiscuzXml(const std::string& cdata) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><![CDATA[" + cdata + "]]></root>";
}

}  // namespace

int OperatorForum::ResourcePageCount(const SimContext& context) {
    const int count = static_cast<int>(context.catalogue().entries().size());
    return (count + kResourcePageSize - 1) / kResourcePageSize;
}

Reply OperatorForum::Handle(const SiteRequest& request) {
    const std::string& path = request.path;
    if (path == "/archiver/gx.htm") return UpdatePage();
    const std::string listPrefix = "/archiver/i/fg/hy/";
    if (path.rfind(listPrefix, 0) == 0 && path.size() > listPrefix.size() + 4 &&
        path.substr(path.size() - 4) == ".htm") {
        const std::string number = path.substr(listPrefix.size(), path.size() - listPrefix.size() - 4);
        int page = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), page);
        if (ec == std::errc() && end == number.data() + number.size() && page >= 1) return ResourcePage(page);
        return Reply::Error(404);
    }
    if (path == "/member.php") {
        const std::string mod = request.Param("mod");
        if (mod == "logging" && request.Param("action") == "login" && request.method == "POST") return Login(request);
        if (mod == "register") {
            return SimplePage("注册", "<h2>注册新用户</h2>\n<form method=\"post\"><p>用户名 <input name=\"username\"></p>"
                                      "<p>密码 <input type=\"password\" name=\"password\"></p>"
                                      "<p><button type=\"submit\">提交</button></p></form>\n");
        }
        return SimplePage("提示信息", "<div class=\"alert_info\"><p>请先登录后再进行操作</p></div>\n");
    }
    if (path == "/home.php" && request.Param("mod") == "space") return Space(request);
    if (path == "/" || path == "/forum.php" || path == "/index.php") {
        return SimplePage("Lumo论坛", "<h2>Lumo云播论坛</h2>\n<ul>\n<li><a href=\"forum.php?mod=forumdisplay&amp;fid=2\">"
                                      "影视资源分享</a></li>\n<li><a href=\"forum.php?mod=forumdisplay&amp;fid=36\">"
                                      "使用帮助与反馈</a></li>\n</ul>\n");
    }
    if (path == "/vip.php") {
        return SimplePage("VIP会员", "<h2>开通VIP会员</h2>\n<p>VIP会员可翻阅全部共享资源。</p>\n");
    }
    return Reply::Error(404);
}

Reply OperatorForum::SimplePage(const std::string& title, const std::string& body) const {
    return Reply::Utf8Html("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
                           " - Lumo论坛</title>\n</head>\n<body>\n<div id=\"hd\"><a href=\"" +
                           context_.BaseAddress(Service::Forum) + "/forum.php\">Lumo论坛</a></div>\n" + body +
                           "</body>\n</html>\n");
}

Reply OperatorForum::UpdatePage() const {
    const std::string download = context_.BaseAddress(Service::Website) + "/download.htm";
    std::string page = kGbkHead;
    page += "<title>Lumo云播 版本信息</title>\r\n</head>\r\n<body>\r\n";
    page += "[lumo1.5]" + download + "[lumo1.5](lumo1.5gx)2(lumo1.5gx)<br />\r\n";
    page += "[lumo1.6]" + download + "[lumo1.6](lumo1.6gx)" + context_.UpdateStatus() + "(lumo1.6gx)<br />\r\n";
    page += "</body>\r\n</html>\r\n";
    return Reply::GbkHtml(page, false);
}

Reply OperatorForum::ResourcePage(int page) const {
    const auto& entries = context_.catalogue().entries();
    const int pages = ResourcePageCount(context_);
    std::string html = kGbkHead;
    html += "<title>共享资源 第" + std::to_string(page) + "页</title>\r\n</head>\r\n<body>\r\n<div class=\"list\">\r\n";
    const size_t first = static_cast<size_t>(page - 1) * kResourcePageSize;
    for (size_t i = first; i < entries.size() && i < first + kResourcePageSize; ++i) {
        html += "名" + Base64Encode(text::Utf8ToGbk(entries[i].title)) + "名---分割啊---磁" + entries[i].infoHash +
                "磁<br />\r\n";
    }
    if (first >= entries.size()) html += "暂无更多资源<br />\r\n";
    html += "</div>\r\n<div class=\"pg\">第 " + std::to_string(page) + " / " + std::to_string(pages) +
            " 页</div>\r\n</body>\r\n</html>\r\n";
    return Reply::GbkHtml(html, false);
}

std::string OperatorForum::NewSession(const ForumUser& user) {
    std::lock_guard lock(mutex_);
    const std::string seed = std::to_string(context_.catalogue().seed()) + "/" + user.uid + "/" +
                             std::to_string(++sessionCounter_);
    std::string token = torrent::TorrentFile::BytesToHex(torrent::TorrentFile::HashBytes("lumo-session/" + seed));
    token.resize(32);
    sessions_[token] = user.name;
    return token;
}

const ForumUser* OperatorForum::SessionUser(const SiteRequest& request) const {
    const std::string token = request.Cookie(kAuthCookie);
    if (token.empty()) return nullptr;
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(token);
    return it == sessions_.end() ? nullptr : context_.catalogue().FindUser(it->second);
}

Reply OperatorForum::Login(const SiteRequest& request) {
    const std::string username = Trim(FormDecode(FormField(request.body, "username")));
    const std::string password = FormDecode(FormField(request.body, "password"));
    const ForumUser* user = context_.catalogue().FindUser(username);
    const bool ok = user != nullptr && !password.empty() && PasswordMatches(*user, password);

    SplitMix64 rng(context_.catalogue().seed() ^ std::hash<std::string>()(request.body));
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    Reply reply;
    const std::string home = context_.BaseAddress(Service::Forum) + "/forum.php";
    if (ok) {
        const std::string welcome = "欢迎您回来，" + user->group + " " + user->name + "，现在将转入登录前页面";
        reply = Reply::Xml(DiscuzXml(
            "<script type=\"text/javascript\" reload=\"1\">if(typeof succeedhandle_ls=='function') {succeedhandle_ls('" +
            home + "', '" + welcome + "', {'username':'" + user->name + "','usergroup':'" + user->group +
            "','uid':'" + user->uid + "','syn':'0'});}hideWindow('ls');showDialog('" + welcome +
            "', 'right', null, function () { window.location.href ='" + home +
            "'; }, 1, null, '', '', '', '', 3);</script>"));
    } else {
        const std::string message = username.empty() ? "请输入用户名" : "登录失败，您还可以尝试 4 次";
        reply = Reply::Xml(DiscuzXml(message +
                                     "<script type=\"text/javascript\" reload=\"1\">if(typeof errorhandle_ls=='function') "
                                     "{errorhandle_ls('" + message + "', {'loginperm':'4'});}</script>"));
    }
    reply.With("Set-Cookie", "lumo_saltkey=" + rng.Hex(8) + "; " + kCookieExpiry + "; HttpOnly");
    reply.With("Set-Cookie", "lumo_lastvisit=" + std::to_string(now - 3600) + "; " + kCookieExpiry);
    if (ok) {
        reply.With("Set-Cookie", std::string(kAuthCookie) + "=" + NewSession(*user) + "; path=/; HttpOnly");
    } else {
        reply.With("Set-Cookie", std::string(kAuthCookie) +
                                     "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; Max-Age=0; path=/");
    }
    return reply;
}

Reply OperatorForum::Space(const SiteRequest& request) const {
    const std::string uid = Trim(FormDecode(request.Param("uid")));
    const ForumUser* user = nullptr;
    if (!uid.empty()) {
        for (const auto& candidate : context_.catalogue().users()) {
            if (candidate.uid == uid) user = &candidate;
        }
        if (user == nullptr) {
            return SimplePage("提示信息", "<div class=\"alert_error\"><p>抱歉，您指定的用户空间不存在</p></div>\n");
        }
    } else {
        user = SessionUser(request);
        if (user == nullptr) {
            return SimplePage("提示信息", "<div class=\"alert_info\"><p>抱歉，您尚未登录，无法进行此操作</p></div>\n");
        }
    }
    const std::string name = HtmlEscape(user->name);
    const std::string body =
        "<div id=\"uhd\"><h2 class=\"mt\">" + name + "</h2></div>\n"
        "<div class=\"pbm mbm bbda cl\">\n<h2 class=\"mbn\">" + name + " <span class=\"xw0\">(UID:" + user->uid +
        ")</span></h2>\n<ul class=\"pf_l cl\"><li><em>统计信息</em>好友数 0 | 回帖数 12 | 主题数 3</li></ul>\n</div>\n"
        "<div class=\"pbm mbm bbda cl\">\n<h2 class=\"mbn\">活跃概况</h2>\n<ul>\n"
        "<li><em class=\"xg1\">用户组: <a href=\"home.php?mod=spacecp&amp;ac=usergroup&amp;gid=10\" target=\"_blank\">" +
        HtmlEscape(user->group) + "</a></em></li>\n<li><em>在线时间</em>12 小时</li>\n"
        "<li><em>注册时间</em>2014-06-01 08:00</li>\n</ul>\n</div>\n";
    return SimplePage(user->name + "的个人资料", body);
}

}  // namespace lumo::sim
