#include "remote/remote_address_list.h"

#include "text/text_between.h"

namespace lumo::remote {
namespace {

RemoteAddressList::Key Same(const char* name) {
    return {name, std::string("]~") + name, std::string(name) + "~["};
}

}  // namespace

const std::vector<RemoteAddressList::Key>& RemoteAddressList::Keys() {
    // Two keys close with a shortened name; the published page uses exactly
    // these markers, so they are not "corrected" here.
    static const std::vector<Key> keys = {
        {"zhuludizi", "]~zhuludizi", "zhudizi~["},
        Same("zhucedizi"),
        Same("kaitongVIPdizi"),
        Same("genxindiz"),
        Same("ziyuanVIP"),
        Same("gjzdizi"),
        {"fanhaodizi", "]~fanhaodizi", "fanhaodiz~["},
        Same("jkdz2"),
        Same("dydz"),
        Same("DSJDZ"),
        Same("TJDZ"),
        Same("QTDZ"),
        Same("yfhydz"),
        Same("nfhydz"),
        Same("yjhydz"),
        Same("gonggdz"),
    };
    return keys;
}

std::map<std::string, std::string> RemoteAddressList::Parse(std::string_view page) {
    std::map<std::string, std::string> values;
    for (const Key& key : Keys()) values[key.name] = text::TextBetween(page, key.beginMarker, key.endMarker);
    return values;
}

std::map<std::string, std::string> RemoteAddressList::Empty() {
    std::map<std::string, std::string> values;
    for (const Key& key : Keys()) values[key.name];
    return values;
}

std::string RemoteAddressList::Address(std::string_view websiteHost) {
    return "http://" + std::string(websiteHost) + "/dizihuoqu.htm";
}

}  // namespace lumo::remote
