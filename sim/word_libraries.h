#pragma once

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;

// The two keyword libraries, GBK pages whose entries are link texts after a
// style ending in "margin-bottom:10px;": "/fanhao.htm" (release codes,
// published as `fanhaodizi`) and "/gjz.htm" (search words, `gjzdizi`).
class WordLibraries {
public:
    explicit WordLibraries(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
