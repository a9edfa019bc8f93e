#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace lumo::account {

// What the two requests of a forum login brought back. Texts are UTF-8.
struct LoginOutcome {
    std::string loginAnswer;   // the login answer, URL-decoded
    std::string forumMessage;  // the forum's own words inside the answer's CDATA section
    std::string profilePage;   // the user's space, URL-decoded
    std::string groupText;     // what follows "用户组: " up to "</a>"; empty: not logged in
    std::string userId;        // what follows "(UID:" up to ")", as found
    std::string sessionCookies;  // the cookies the login answer set, sent with the profile request
    bool cancelled = false;    // stopped before the profile request

    bool Succeeded() const { return !cancelled && !groupText.empty(); }
};

// The login form as the forum's quick login expects it: the account and the
// password percent-encoded from UTF-8 (letters, digits, "-" and "." kept).
std::string LoginBody(std::string_view account, std::string_view password);

std::string LoginAddress(std::string_view forumHost);
// The space of whoever the sent cookies belong to.
std::string OwnSpaceAddress(std::string_view forumHost);

// Logs in at the forum on `forumHost` (a host without scheme) and reads the
// user's space with the session cookies the login set. Blocking: run it on a
// worker. When `cancelled` turns true during the login request, the profile
// request is not made.
LoginOutcome LoginRequest(std::string_view forumHost, std::string_view account, std::string_view password,
                          const std::atomic<bool>* cancelled = nullptr, int timeoutSeconds = 60);

}  // namespace lumo::account
