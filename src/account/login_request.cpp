#include "account/login_request.h"

#include "net/inet_request.h"
#include "text/charset.h"
#include "text/codecs.h"
#include "text/text_between.h"

namespace lumo::account {
namespace {

// The forum answers in UTF-8 and may percent-escape parts of it.
std::string DecodeAnswer(const std::string& body) { return text::UrlDecode(text::UntilZero(body), true); }

}  // namespace

std::string LoginBody(std::string_view account, std::string_view password) {
    // Both fields are percent-encoded from UTF-8, the forum's charset: a
    // form server would otherwise cut a password at "&" and change "+" and
    // "%" in it.
    return "fastloginfield=username&username=" + text::UrlEncode(account, true, true) + "&password=" +
           text::UrlEncode(password, true, true) + "&quickforward=yes&handlekey=ls";
}

std::string LoginAddress(std::string_view forumHost) {
    return "http://" + std::string(forumHost) +
           "/member.php?mod=logging&action=login&loginsubmit=yes&infloat=yes&lssubmit=yes&inajax=1";
}

std::string OwnSpaceAddress(std::string_view forumHost) {
    return "http://" + std::string(forumHost) + "/home.php?mod=space&uid=";
}

LoginOutcome LoginRequest(std::string_view forumHost, std::string_view account, std::string_view password,
                          const std::atomic<bool>* cancelled, int timeoutSeconds) {
    LoginOutcome outcome;

    // One cookie text for both cookie arguments: afterwards it holds exactly
    // what the login answer set, which is the session.
    net::InetRequestArgs login;
    login.url = LoginAddress(forumHost);
    login.method = net::HttpMethod::Post;
    login.postBytes = LoginBody(account, password);
    login.cookies = std::string();
    login.cookiesFollowResponse = true;
    login.timeoutSeconds = timeoutSeconds;
    const net::InetResult loginResult = net::InetRequest(login);
    outcome.loginAnswer = DecodeAnswer(loginResult.body);
    outcome.forumMessage = text::TextBetween(outcome.loginAnswer, "<root><![CDATA[", "<script");
    outcome.sessionCookies = loginResult.cookies.value_or(std::string());

    if (cancelled != nullptr && cancelled->load()) {
        outcome.cancelled = true;
        return outcome;
    }

    net::InetRequestArgs profile;
    profile.url = OwnSpaceAddress(forumHost);
    profile.cookies = outcome.sessionCookies;
    profile.cookiesFollowResponse = true;
    profile.timeoutSeconds = timeoutSeconds;
    outcome.profilePage = DecodeAnswer(net::InetRequest(profile).body);
    outcome.groupText = text::TextBetween(outcome.profilePage, "用户组: ", "</a>");
    outcome.userId = text::TextBetween(outcome.profilePage, "(UID:", ")");
    if (cancelled != nullptr && cancelled->load()) outcome.cancelled = true;
    return outcome;
}

}  // namespace lumo::account
