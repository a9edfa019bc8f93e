#pragma once

#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The offline service's play-information endpoint
// "/handler/lixian/get_http_url.php": for a content SHA-1 (the form field
// "hash") it answers whether it holds the file. A held file gets a
// com_cookie (its FTN5K cookie) and a com_url holding
// "ftn_handler/<path>/System"; any other file com_cookie "00000000".
class OfflineService {
public:
    static constexpr const char* kPath = "/handler/lixian/get_http_url.php";

    explicit OfflineService(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

    std::string Answer(const std::string& sha1) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
