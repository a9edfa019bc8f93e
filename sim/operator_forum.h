#pragma once

#include <map>
#include <mutex>
#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;
struct ForumUser;

// The operators' site, the host published as `zhuludizi`: the community
// forum (login, the user's space, registration, home page) in UTF-8, and
// the site's static archive pages in GBK: the update page and the shared
// resource list.
class OperatorForum {
public:
    static constexpr int kResourcePageSize = 20;
    static constexpr const char* kAuthCookie = "lumo_auth";

    explicit OperatorForum(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request);

    // Number of pages of the shared resource list.
    static int ResourcePageCount(const SimContext& context);

private:
    Reply UpdatePage() const;
    Reply ResourcePage(int page) const;
    Reply Login(const SiteRequest& request);
    Reply Space(const SiteRequest& request) const;
    Reply SimplePage(const std::string& title, const std::string& body) const;
    const ForumUser* SessionUser(const SiteRequest& request) const;
    std::string NewSession(const ForumUser& user);

    const SimContext& context_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> sessions_;  // auth token -> user name
    uint64_t sessionCounter_ = 0;
};

}  // namespace lumo::sim
