#include "store/default_config.h"

#include <system_error>

#include "store/atomic_file.h"
#include "text/charset.h"

namespace lumo::store {

namespace {

constexpr const char* kDefaultLines[] = {
    "[配置]",
    "音量=80",
    "[收藏]",
    "链-magnet:?xt=urn:btih:C658B772345BADF59296A16CE4AA930459F253CF-链=名-叶问3-名",
    "链-70CEB4531C5A72390DECC2C3A9A084C204689B36-链=名-恶棍天使-名",
    "链-magnet:?xt=urn:btih:C9C2A37448BD376CFDBE1C7DF5A9AC7385C9960A-链=名-卧虎藏龙：青冥宝剑-名",
    "链-magnet:?xt=urn:btih:1B66445126CD6C5F8085C8B39FC315F28208C079-链=名-寻龙诀-名",
    "链-magnet:?xt=urn:btih:7911B8A682C862F2A322296C4B860DA36CB720C9-链=名-万万没想到-名",
    "链-magnet:?xt=urn:btih:2af0bf166752d4ef9be127be2441104d813050c2-链=名-潮流教主-名",
};

}  // namespace

std::string DefaultConfigBytes() {
    std::string text;
    for (const char* line : kDefaultLines) {
        text += line;
        text += "\r\n";
    }
    return text::Utf8ToGbk(text);
}

bool EnsureDefaultConfig(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) return true;
    CreateFileAtomically(path, DefaultConfigBytes());
    // Another writer may have created it meanwhile; either way it is there.
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace lumo::store
