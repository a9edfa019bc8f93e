#pragma once

#include <string>
#include <vector>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The operators' website: the remote address list "/dizihuoqu.htm" (GBK),
// its own home and download pages, and the four channel pages that Lumo's
// home browser shows.
class OperatorWebsite {
public:
    struct AddressValue {
        std::string key;
        std::string beginMarker;
        std::string endMarker;
        std::string value;  // UTF-8
    };

    explicit OperatorWebsite(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

    // Every key of the address list in its page order, with its markers and
    // the value it publishes, pointing at this simulator's services.
    static std::vector<AddressValue> AddressList(const SimContext& context);
    // The announcement published under `gonggdz`.
    static std::string Announcement();

private:
    Reply AddressListPage() const;
    Reply HomePage() const;
    Reply DownloadPage() const;
    Reply ChannelPage(const std::string& channel) const;

    const SimContext& context_;
};

}  // namespace lumo::sim
